// The Qt window of a CPaperWindow: the paper strip in a scroll area that follows the newest row
// (until the operator scrolls up, and again once they scroll back down), the condition toggles,
// a 2x zoom, the command trace and the folder where receipts go.
//
// Two columns: the paper with its tools, and the conditions with the commands, the receipts and
// the state. Wide, they stand side by side with a splitter between them; narrow (small screens,
// beside the dialog), each is a tab of its own, and the receipts a third.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "viewer/qt/ReceiptList.h"

class CPaperStrip;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QGridLayout;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QVBoxLayout;
class CTouchTabWidget;

class CPaperWidget : public QWidget {
    Q_OBJECT
  public:
    // The size it opens at when the screen has room.
    static constexpr int kPreferredWidth = 1180;
    static constexpr int kPreferredHeight = 680;
    // The margin at the window's edges in the narrow layout.
    static constexpr int kNarrowEdge = 2;

    CPaperWidget(const QStringList& toggleLabels, std::function<void(int, bool)> onToggle);

    void SetClosedHandler(std::function<void()> onClosed) { m_onClosed = std::move(onClosed); }
    // Shows the "Save receipt" button, which runs onSave.
    void SetSaveHandler(std::function<void()> onSave);

    // A finished receipt: its picture joins the strip, its entry the list.
    void AddReceiptPicture(const QImage& receipt);
    void ListReceipt(const CReceiptList::Entry& entry);
    void SetCurrent(const QImage& current);
    void AppendTrace(const QStringList& lines);
    void SetToggle(int index, bool on);
    void SetFolder(const QString& folder);
    void SetStatus(const QString& text);
    void SetEvents(const QString& text);
    void SetSaveFailure(const QString& text);

    // The paper pane holds paper this many dots wide at 1x (the printer model's paper).
    void SetPaperWidth(int dots);
    // Narrow: the two columns as tabs, the toggles two to a row.
    void SetNarrow(bool narrow);
    bool IsNarrow() const { return m_bNarrow; }
    // The least height of every control the operator touches; 0 leaves the style's own.
    void SetTouchTarget(int pixels);

    CPaperStrip* Strip() const { return m_pStrip; }
    CReceiptList* Receipts() const { return m_pReceipts; }
    QScrollArea* PaperArea() const { return m_pArea; }
    QPlainTextEdit* Trace() const { return m_pTrace; }
    QCheckBox* Toggle(int index) const;
    int ToggleCount() const { return static_cast<int>(m_toggles.size()); }
    QCheckBox* Zoom() const { return m_pZoom; }
    QPushButton* SaveButton() const { return m_pSave; }
    QPushButton* ClearButton() const { return m_pClear; }
    QLabel* Folder() const;
    QLabel* Status() const { return m_pStatus; }
    QLabel* Events() const { return m_pEvents; }
    QLabel* SaveFailure() const { return m_pSaveFailure; }
    QSplitter* Splitter() const { return m_pSplitter; }
    QTabWidget* Tabs() const;
    // The tab that holds the widget, in the narrow layout (-1 when wide).
    int TabOf(const QWidget* widget) const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void LayOutToggles();

    CPaperStrip* m_pStrip;
    QWidget* m_pPaperColumn;
    QWidget* m_pSideColumn;
    QVBoxLayout* m_pSideLayout;
    CReceiptList* m_pReceipts;
    QSplitter* m_pSplitter;
    CTouchTabWidget* m_pTabs;
    QGridLayout* m_pConditionGrid;
    QScrollArea* m_pArea;
    QPlainTextEdit* m_pTrace;
    std::vector<QCheckBox*> m_toggles;
    QCheckBox* m_pZoom;
    QPushButton* m_pSave;
    QPushButton* m_pClear;
    QLabel* m_pStatus;
    QLabel* m_pEvents;
    QLabel* m_pSaveFailure;
    std::function<void(int, bool)> m_onToggle;
    std::function<void()> m_onClosed;
    std::function<void()> m_onSave;
    bool m_bFollow = true;  // keep the newest row in view
    bool m_bNarrow = false;
    int m_paperMinimumWidth = 0;  // the paper at 1x with its scroll bar
};
