// CPaperWindow: a window that shows a printer at work beside the dialog: the paper as it prints
// (finished receipts above the one in progress, following the newest row), the decoded command
// trace, a row of condition toggles, and the list of finished receipts with the folder where
// they are saved.
//
// It takes plain data (gray images, text lines) so that it knows nothing of where they come
// from. Create, Show, Close and the destructor belong to the user-interface thread; the Set/Add
// calls may come from any thread: they are queued, coalesced (only the newest paper picture
// counts) and applied on the user-interface thread. Closing the window only hides it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/WinUser.h"

class CPaperWidget;

class CPaperWindow {
  public:
    // A toggle the operator changed: its index in the labels given to Create, and its new state.
    using ToggleHandler = std::function<void(int index, bool on)>;

    // Older lines leave the trace beyond this many.
    static constexpr int kTraceLines = 5000;

    CPaperWindow();
    ~CPaperWindow();
    CPaperWindow(const CPaperWindow&) = delete;
    CPaperWindow& operator=(const CPaperWindow&) = delete;

    // Makes the (hidden) window. onToggle runs on the user-interface thread; it is not called
    // for SetToggle.
    void Create(const std::string& title, const std::vector<std::string>& toggleLabels,
                ToggleHandler onToggle);
    // Shows the window and moves hWndBeside so the two sit side by side on its screen, the
    // window shrunk to fit when needed; where the window system puts it when hWndBeside is null.
    void Show(HWND hWndBeside);
    // Shows the window beside the application's main window as soon as the message loop runs,
    // so that a dialog about to run modally is in place by then; from then on F2 in the main
    // window shows this window again after the operator closed it.
    void ShowBesideMainWindow();
    // Shows it beside the application's main window now.
    void ShowBesideMainWindowNow();
    void Close();
    bool IsVisible() const;
    // Runs on the user-interface thread when the operator closes the window.
    void SetClosedHandler(std::function<void()> onClosed);
    // Offers a "Save receipt" button that runs onSave on the user-interface thread.
    void SetSaveHandler(std::function<void()> onSave);

    // The receipt in progress: width * height gray bytes (0 black, 255 white), rows top down.
    // receiptIndex counts the receipts finished before it; a picture of a receipt that has since
    // been added as finished is dropped, so a late picture never shows a receipt twice.
    void SetPaper(const std::uint8_t* gray, int width, int height, std::uint64_t receiptIndex);
    // A finished receipt as the list shows it.
    struct ReceiptInfo {
        int number = 0;
        std::int64_t finishedMs = 0;  // when it was cut, in milliseconds since the epoch
        std::string source;           // "pty", a device, "TCP 127.0.0.1:40312", "input"
        std::uint64_t bytes = 0;      // the bytes that made it
        std::string png;              // where it was saved; "" when it was not
        std::string bin;              // its bytes' file; "" when they were not kept
    };
    // A finished receipt (cut off): its picture joins the strip above the receipt in progress,
    // which starts empty, and it joins the list of receipts, newest last.
    void AddReceipt(const std::uint8_t* gray, int width, int height, const ReceiptInfo& info);
    void AddTraceLine(const std::string& line);
    void SetToggle(int index, bool on);
    void SetPaperFolder(const std::string& folder);
    // User-interface thread, after Create: the paper pane as wide as the printer's paper.
    void SetPaperWidth(int dots);
    void SetStatusLine(const std::string& text);
    // The drawer and buzzer events, newest last; the line shows once there is one.
    void SetEventLine(const std::string& text);
    // Receipts that could not be saved: said in red under the status, from then on.
    void SetSaveFailure(const std::string& text);

    // User-interface thread: applies what was queued and saves a picture of the window as PNG;
    // false when the file cannot be written.
    bool SaveScreenshot(const std::string& path);

    // Applies what was queued; the user-interface thread's event loop does this by itself.
    void ApplyQueued();

    // The window's widget, for tests; null before Create.
    CPaperWidget* Widget() const;

  private:
    struct Queue;  // what other threads hand over, and the widget it goes to
    std::shared_ptr<Queue> m_queue;
};
