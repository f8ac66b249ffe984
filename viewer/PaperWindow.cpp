#include "viewer/PaperWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <algorithm>
#include <deque>
#include <map>
#include <mutex>
#include <optional>

#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "framework/qt/WindowBinding.h"
#include "viewer/qt/KeepOnScreen.h"
#include "viewer/qt/PaperStrip.h"
#include "viewer/qt/PaperWidget.h"
#include "viewer/qt/ReceiptList.h"
#include "viewer/qt/SideBySide.h"
#include "viewer/qt/TouchTargets.h"

namespace {

struct PaperPicture {
    std::vector<std::uint8_t> gray;
    int width = 0;
    int height = 0;
};

PaperPicture CopyPicture(const std::uint8_t* gray, int width, int height) {
    PaperPicture picture;
    if (gray != nullptr && width > 0 && height > 0) {
        picture.gray.assign(gray, gray + static_cast<std::size_t>(width) * height);
        picture.width = width;
        picture.height = height;
    }
    return picture;
}

QImage ToImage(const PaperPicture& picture) {
    if (picture.height == 0) return QImage();
    QImage image(picture.width, picture.height, QImage::Format_Grayscale8);
    for (int y = 0; y < picture.height; ++y) {
        std::copy_n(picture.gray.data() + static_cast<std::size_t>(y) * picture.width,
                    picture.width, image.scanLine(y));
    }
    return image;
}

CReceiptList::Entry ToEntry(const CPaperWindow::ReceiptInfo& info) {
    return {info.number,
            QDateTime::fromMSecsSinceEpoch(info.finishedMs),
            QString::fromStdString(info.source),
            info.bytes,
            QString::fromStdString(info.png),
            QString::fromStdString(info.bin)};
}

constexpr QMargins kUsualDecorations(6, 32, 6, 6);

HWND MainWindowHandle() {
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr && pApp->m_pMainWnd != nullptr ? pApp->m_pMainWnd->GetSafeHwnd()
                                                          : nullptr;
}

// The decorations a window manager put around the widget; a usual frame when it has not framed
// it yet.
QMargins Decorations(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect inside = window.geometry();
    const QMargins decorations(inside.left() - frame.left(), inside.top() - frame.top(),
                               frame.right() - inside.right(), frame.bottom() - inside.bottom());
    return decorations.isNull() ? kUsualDecorations : decorations;
}

// The wide layout when the pair fits side by side with it, else the narrow one; the dialog moves
// so both stand on the screen.
void PlaceBeside(CPaperWidget& widget, QWidget& dialog, const QRect& screen) {
    const QMargins decorations = Decorations(dialog);
    const QRect dialogFrame(dialog.frameGeometry().topLeft(), dialog.size().grownBy(decorations));
    const QSize preferred(CPaperWidget::kPreferredWidth, CPaperWidget::kPreferredHeight);
    SideBySidePlacement placement;
    for (bool narrow : {false, true}) {
        // A shown window that is narrow stays so: the wide layout's columns, shown again, would
        // resize it to that layout's minimum on the way, and a window manager that acts on that
        // after the final geometry leaves it across the screen.
        if (!narrow && widget.isVisible() && widget.IsNarrow()) continue;
        widget.SetNarrow(narrow);
        placement =
            PlaceSideBySide(screen, dialogFrame, decorations, preferred, widget.minimumSizeHint());
        if (placement.fits) break;
    }
    // Client rectangles: the window system puts the frame around them, on a mapped window as on
    // one about to be.
    const QPoint dialogAt(placement.dialogFrameAt.x() + decorations.left(),
                          placement.dialogFrameAt.y() + decorations.top());
    dialog.setGeometry(QRect(dialogAt, dialog.size()));
    widget.setGeometry(placement.printerFrame.marginsRemoved(decorations));
    KeepFrameOnScreen(&widget);
}

// A dialog the window manager has not framed yet may still be placed by it, by its own rules,
// and its decorations are a guess: once it is framed, the pair is placed again.
void PlaceBesideOnceFramed(CPaperWidget& widget, QWidget& dialog, const QRect& screen) {
    PlaceBeside(widget, dialog, screen);
    if (dialog.frameGeometry() == dialog.geometry()) {
        WhenFramed(&dialog, [widget = QPointer<CPaperWidget>(&widget), &dialog, screen] {
            if (!widget.isNull()) PlaceBeside(*widget, dialog, screen);
            KeepFrameOnScreen(&dialog);
        });
    }
}

// On its own: the narrow layout when the wide one does not fit the screen, centred on it.
void FitScreen(CPaperWidget& widget, const QRect& screen) {
    const QMargins decorations = Decorations(widget);
    const QSize room = screen.size().shrunkBy(decorations);
    widget.SetNarrow(false);
    const QSize wide = widget.minimumSizeHint();
    widget.SetNarrow(wide.width() > room.width() || wide.height() > room.height());
    const QSize size = QSize(CPaperWidget::kPreferredWidth, CPaperWidget::kPreferredHeight)
                           .boundedTo(room)
                           .expandedTo(widget.minimumSizeHint());
    const QSize frame = size.grownBy(decorations);
    const QPoint at(screen.left() + std::max(0, (screen.width() - frame.width()) / 2),
                    screen.top() + std::max(0, (screen.height() - frame.height()) / 2));
    widget.setGeometry(QRect(at + QPoint(decorations.left(), decorations.top()), size));
    KeepFrameOnScreen(&widget);
}

}  // namespace

struct CPaperWindow::Queue : std::enable_shared_from_this<CPaperWindow::Queue> {
    std::mutex lock;
    bool scheduled = false;
    std::uint64_t receiptsAdded = 0;
    std::optional<PaperPicture> paper;
    std::deque<PaperPicture> receipts;
    std::deque<ReceiptInfo> listed;
    std::deque<std::string> trace;
    std::map<int, bool> toggles;  // the newest state of each
    std::optional<std::string> folder;
    std::optional<std::string> status;
    std::optional<std::string> events;
    std::optional<std::string> saveFailure;

    QPointer<CPaperWidget> widget;  // user-interface thread only

    // Called with the lock held, after queueing something.
    void Schedule() {
        if (scheduled) return;
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) return;
        scheduled = true;
        QMetaObject::invokeMethod(
            app, [self = shared_from_this()] { self->Apply(); }, Qt::QueuedConnection);
    }

    void Apply() {
        std::optional<PaperPicture> newPaper;
        std::deque<PaperPicture> newReceipts;
        std::deque<ReceiptInfo> newListed;
        std::deque<std::string> newTrace;
        std::map<int, bool> newToggles;
        std::optional<std::string> newFolder;
        std::optional<std::string> newStatus;
        std::optional<std::string> newEvents;
        std::optional<std::string> newSaveFailure;
        {
            std::lock_guard<std::mutex> guard(lock);
            scheduled = false;
            newPaper.swap(paper);
            newReceipts.swap(receipts);
            newListed.swap(listed);
            newTrace.swap(trace);
            newToggles.swap(toggles);
            newFolder.swap(folder);
            newStatus.swap(status);
            newEvents.swap(events);
            newSaveFailure.swap(saveFailure);
        }
        CPaperWidget* target = widget.data();
        if (target == nullptr) return;
        for (const PaperPicture& receipt : newReceipts) target->AddReceiptPicture(ToImage(receipt));
        for (const ReceiptInfo& info : newListed) target->ListReceipt(ToEntry(info));
        if (newPaper) target->SetCurrent(ToImage(*newPaper));
        if (!newTrace.empty()) {
            QStringList lines;
            lines.reserve(static_cast<qsizetype>(newTrace.size()));
            for (const std::string& line : newTrace) lines.append(QString::fromStdString(line));
            target->AppendTrace(lines);
        }
        for (const auto& [index, on] : newToggles) target->SetToggle(index, on);
        if (newFolder) target->SetFolder(QString::fromStdString(*newFolder));
        if (newStatus) target->SetStatus(QString::fromStdString(*newStatus));
        if (newEvents) target->SetEvents(QString::fromStdString(*newEvents));
        if (newSaveFailure) target->SetSaveFailure(QString::fromStdString(*newSaveFailure));
    }
};

CPaperWindow::CPaperWindow() : m_queue(std::make_shared<Queue>()) {}

CPaperWindow::~CPaperWindow() {
    delete m_queue->widget.data();  // queued work still in flight finds no widget and does nothing
}

void CPaperWindow::Create(const std::string& title, const std::vector<std::string>& toggleLabels,
                          ToggleHandler onToggle) {
    QStringList labels;
    for (const std::string& label : toggleLabels) labels.append(QString::fromStdString(label));
    auto* widget = new CPaperWidget(labels, std::move(onToggle));
    widget->setWindowTitle(QString::fromStdString(title));
    delete m_queue->widget.data();
    m_queue->widget = widget;
}

void CPaperWindow::Show(HWND hWndBeside) {
    CPaperWidget* widget = m_queue->widget.data();
    if (widget == nullptr) return;
    QWidget* beside = CWindowBinding::WidgetOf(hWndBeside);
    QScreen* screen = beside != nullptr ? beside->screen() : widget->screen();
    if (screen != nullptr) {
        widget->SetTouchTarget(TouchTargetPixels(screen));
        if (beside != nullptr) {
            PlaceBesideOnceFramed(*widget, *beside, screen->availableGeometry());
        } else {
            FitScreen(*widget, screen->availableGeometry());
        }
    }
    widget->show();
    // The dialog stays the window the operator types into.
    if (beside != nullptr) beside->activateWindow();
}

void CPaperWindow::ShowBesideMainWindow() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    // A Wayland compositor places every window itself, and a window shown later goes on top:
    // this one goes first, so the dialog, shown when it runs, is never behind it.
    const bool showFirst = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (showFirst) Show(nullptr);
    QMetaObject::invokeMethod(
        app,
        [this, showFirst, widget = m_queue->widget] {
            if (widget.isNull()) return;  // this window went before the loop ran
            if (QWidget* mainWindow = CWindowBinding::WidgetOf(MainWindowHandle())) {
                auto* key = new QShortcut(QKeySequence(Qt::Key_F2), mainWindow);
                QObject::connect(key, &QShortcut::activated, widget,
                                 [this] { ShowBesideMainWindowNow(); });
            }
            if (!showFirst) ShowBesideMainWindowNow();
        },
        Qt::QueuedConnection);
}

void CPaperWindow::ShowBesideMainWindowNow() { Show(MainWindowHandle()); }

void CPaperWindow::Close() {
    if (CPaperWidget* widget = m_queue->widget.data()) widget->close();
}

bool CPaperWindow::IsVisible() const {
    const CPaperWidget* widget = m_queue->widget.data();
    return widget != nullptr && widget->isVisible();
}

void CPaperWindow::SetClosedHandler(std::function<void()> onClosed) {
    if (CPaperWidget* widget = m_queue->widget.data())
        widget->SetClosedHandler(std::move(onClosed));
}

void CPaperWindow::SetSaveHandler(std::function<void()> onSave) {
    if (CPaperWidget* widget = m_queue->widget.data()) widget->SetSaveHandler(std::move(onSave));
}

void CPaperWindow::SetPaper(const std::uint8_t* gray, int width, int height,
                            std::uint64_t receiptIndex) {
    PaperPicture picture = CopyPicture(gray, width, height);
    std::lock_guard<std::mutex> guard(m_queue->lock);
    if (receiptIndex < m_queue->receiptsAdded) return;
    m_queue->paper = std::move(picture);
    m_queue->Schedule();
}

void CPaperWindow::AddReceipt(const std::uint8_t* gray, int width, int height,
                              const ReceiptInfo& info) {
    PaperPicture picture = CopyPicture(gray, width, height);
    std::lock_guard<std::mutex> guard(m_queue->lock);
    ++m_queue->receiptsAdded;
    m_queue->receipts.push_back(std::move(picture));
    // The strip and the list keep only their newest anyway; a stalled interface must not hoard
    // receipts.
    int rows = 0;
    for (const PaperPicture& queued : m_queue->receipts) rows += queued.height;
    while (m_queue->receipts.size() > 1 && rows > CPaperStrip::kMaxRows) {
        rows -= m_queue->receipts.front().height;
        m_queue->receipts.pop_front();
    }
    m_queue->listed.push_back(info);
    if (m_queue->listed.size() > static_cast<std::size_t>(CReceiptList::kListed))
        m_queue->listed.pop_front();
    m_queue->paper = PaperPicture{};  // the next receipt starts blank
    m_queue->Schedule();
}

void CPaperWindow::AddTraceLine(const std::string& line) {
    std::lock_guard<std::mutex> guard(m_queue->lock);
    m_queue->trace.push_back(line);
    if (m_queue->trace.size() > static_cast<std::size_t>(kTraceLines)) m_queue->trace.pop_front();
    m_queue->Schedule();
}

void CPaperWindow::SetToggle(int index, bool on) {
    std::lock_guard<std::mutex> guard(m_queue->lock);
    m_queue->toggles[index] = on;
    m_queue->Schedule();
}

void CPaperWindow::SetPaperFolder(const std::string& folder) {
    std::lock_guard<std::mutex> guard(m_queue->lock);
    m_queue->folder = folder;
    m_queue->Schedule();
}

void CPaperWindow::SetPaperWidth(int dots) {
    if (CPaperWidget* widget = m_queue->widget.data()) widget->SetPaperWidth(dots);
}

void CPaperWindow::SetEventLine(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_queue->lock);
    m_queue->events = text;
    m_queue->Schedule();
}

void CPaperWindow::SetStatusLine(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_queue->lock);
    m_queue->status = text;
    m_queue->Schedule();
}

void CPaperWindow::SetSaveFailure(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_queue->lock);
    m_queue->saveFailure = text;
    m_queue->Schedule();
}

void CPaperWindow::ApplyQueued() { m_queue->Apply(); }

bool CPaperWindow::SaveScreenshot(const std::string& path) {
    CPaperWidget* widget = m_queue->widget.data();
    if (widget == nullptr) return false;
    ApplyQueued();
    return widget->grab().save(QString::fromStdString(path), "PNG");
}

CPaperWidget* CPaperWindow::Widget() const { return m_queue->widget.data(); }
