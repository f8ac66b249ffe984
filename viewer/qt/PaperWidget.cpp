#include "viewer/qt/PaperWidget.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include "viewer/PaperWindow.h"
#include "viewer/qt/PaperStrip.h"
#include "viewer/qt/TouchTargets.h"
#include "viewer/qt/TraceHighlighter.h"
#include "viewer/qt/TraceLayout.h"

namespace {

// The side column's rows: the conditions, the commands' heading, the commands, then (wide) the
// receipts; the commands take more of the height than the receipts.
constexpr int kReceiptsAt = 3;
constexpr int kTraceStretch = 3;
constexpr int kReceiptsStretch = 2;

}  // namespace

CPaperWidget::CPaperWidget(const QStringList& toggleLabels, std::function<void(int, bool)> onToggle)
    : m_onToggle(std::move(onToggle)) {
    m_pStrip = new CPaperStrip;
    m_pArea = new QScrollArea;
    m_pArea->setWidget(m_pStrip);
    m_pArea->setWidgetResizable(false);
    m_pArea->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_pArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SetPaperWidth(384);
    QScrollBar* bar = m_pArea->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this,
            [this, bar](int value) { m_bFollow = value >= bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (m_bFollow) bar->setValue(maximum);
    });

    auto* conditions = new QGroupBox(tr("Printer conditions (the printer reports them)"));
    m_pConditionGrid = new QGridLayout(conditions);
    for (int i = 0; i < toggleLabels.size(); ++i) {
        auto* box = new CTouchCheckBox(toggleLabels[i]);
        connect(box, &QCheckBox::clicked, this, [this, i](bool on) {
            if (m_onToggle) m_onToggle(i, on);
        });
        m_toggles.push_back(box);
    }
    LayOutToggles();

    m_pZoom = new CTouchCheckBox(tr("Paper at 2x"));
    connect(m_pZoom, &QCheckBox::toggled, this,
            [this](bool on) { m_pStrip->SetScale(on ? 2 : 1); });

    // Save writes the receipt in progress as the printer's owner saves receipts; Clear only
    // tidies the view, the files stay.
    m_pSave = new QPushButton(tr("Save receipt"));
    m_pSave->setToolTip(tr("Save the receipt in progress to the receipt folder"));
    m_pSave->hide();
    connect(m_pSave, &QPushButton::clicked, this, [this] {
        if (m_onSave) m_onSave();
    });
    m_pClear = new QPushButton(tr("Clear"));
    m_pClear->setToolTip(
        tr("Take the finished receipts off the paper and the list shown here; their files stay"));
    connect(m_pClear, &QPushButton::clicked, this, [this] {
        m_pStrip->ClearFinished();
        m_pReceipts->Clear();
    });

    m_pTrace = new QPlainTextEdit;
    m_pTrace->setReadOnly(true);
    // Not wrapped: laying out wrapped lines as they stream in holds up the interface thread, and
    // with it the dialog. The splitter gives the commands more width.
    m_pTrace->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pTrace->setMaximumBlockCount(CPaperWindow::kTraceLines);
    m_pTrace->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pTrace->setMinimumWidth(240);
    new CTraceHighlighter(m_pTrace->document());

    m_pReceipts = new CReceiptList;
    m_pEvents = new QLabel;
    m_pEvents->setWordWrap(true);
    m_pEvents->hide();
    m_pStatus = new QLabel;
    // A long state must not widen the window off the screen; its lines are short (word wrap
    // would lay the window out again on every update).
    m_pStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    m_pSaveFailure = new QLabel;
    m_pSaveFailure->setWordWrap(true);
    m_pSaveFailure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pSaveFailure->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold"));
    m_pSaveFailure->hide();

    m_pSideColumn = new QWidget;
    m_pSideLayout = new QVBoxLayout(m_pSideColumn);
    m_pSideLayout->setContentsMargins(0, 0, 0, 0);
    m_pSideLayout->addWidget(conditions);
    m_pSideLayout->addWidget(new QLabel(tr("Commands received, newest at the bottom:")));
    m_pSideLayout->addWidget(m_pTrace, kTraceStretch);
    m_pSideLayout->addWidget(m_pStatus);
    m_pSideLayout->addWidget(m_pSaveFailure);
    m_pSideLayout->addWidget(m_pEvents);

    m_pPaperColumn = new QWidget;
    auto* paperColumn = new QVBoxLayout(m_pPaperColumn);
    paperColumn->setContentsMargins(0, 0, 0, 0);
    paperColumn->addWidget(m_pArea, 1);
    auto* paperTools = new QHBoxLayout;
    paperTools->addWidget(m_pZoom);
    paperTools->addStretch(1);
    paperTools->addWidget(m_pSave);
    paperTools->addWidget(m_pClear);
    paperColumn->addLayout(paperTools);

    // The operator shares the width between paper and commands; the commands take what a
    // resize adds.
    m_pSplitter = new QSplitter(Qt::Horizontal);
    m_pSplitter->setChildrenCollapsible(false);
    m_pTabs = new CTouchTabWidget;
    m_pTabs->setDocumentMode(true);  // no frame of its own: the paper needs the width
    m_pTabs->hide();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_pSplitter);
    layout->addWidget(m_pTabs);
    m_bNarrow = true;
    SetNarrow(false);
    resize(kPreferredWidth, kPreferredHeight);
}

void CPaperWidget::SetPaperWidth(int dots) {
    m_paperMinimumWidth =
        dots + m_pArea->verticalScrollBar()->sizeHint().width() + 2 * m_pArea->frameWidth();
    m_pArea->setMinimumWidth(m_bNarrow ? m_paperMinimumWidth * 3 / 4 : m_paperMinimumWidth);
}

void CPaperWidget::SetNarrow(bool narrow) {
    if (narrow == m_bNarrow) return;
    m_bNarrow = narrow;
    if (narrow) {
        m_pTabs->addTab(m_pPaperColumn, tr("Paper"));
        m_pTabs->addTab(m_pSideColumn, tr("Conditions and commands"));
        m_pTabs->addTab(m_pReceipts, tr("Receipts"));
        // Beside the dialog on an 800-pixel screen the column is a little narrower than the
        // paper, which then scrolls sideways by those few pixels.
        m_pArea->setMinimumWidth(m_paperMinimumWidth * 3 / 4);
    } else {
        m_pSplitter->addWidget(m_pPaperColumn);
        m_pSplitter->addWidget(m_pSideColumn);
        m_pSplitter->setStretchFactor(0, 0);
        m_pSplitter->setStretchFactor(1, 1);
        m_pSideLayout->insertWidget(kReceiptsAt, m_pReceipts, kReceiptsStretch);
        m_pArea->setMinimumWidth(m_paperMinimumWidth);
    }
    m_pTabs->setVisible(narrow);
    m_pSplitter->setVisible(!narrow);
    // Narrow, the window's edges give their width to the paper and the commands.
    const int edge = narrow ? kNarrowEdge : style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
    layout()->setContentsMargins(edge, edge, edge, edge);
    // Tabs show only their current page; the columns the tabs hid show again beside each other.
    if (!narrow) {
        m_pPaperColumn->show();
        m_pSideColumn->show();
        m_pReceipts->show();
    }
    LayOutToggles();
    // The sizes the placement asks for next are those of this layout, not the last one.
    m_pConditionGrid->parentWidget()->updateGeometry();
    m_pSideColumn->updateGeometry();
    layout()->invalidate();
    layout()->activate();  // the window's own minimum size follows now, before it is placed
}

void CPaperWidget::LayOutToggles() {
    // Three to a row beside the paper; two in a tab of their own, so the window fits beside the
    // dialog on the smallest panels.
    const int perRow = m_bNarrow ? 2 : 3;
    for (QCheckBox* box : m_toggles) m_pConditionGrid->removeWidget(box);
    for (std::size_t i = 0; i < m_toggles.size(); ++i) {
        const int index = static_cast<int>(i);
        m_pConditionGrid->addWidget(m_toggles[i], index / perRow, index % perRow);
    }
}

void CPaperWidget::SetTouchTarget(int pixels) {
    QList<QWidget*> targets{m_pZoom, m_pSave, m_pClear};
    for (QCheckBox* box : m_toggles) targets.append(box);
    for (QWidget* target : targets) target->setMinimumHeight(pixels);
    m_pReceipts->SetTouchTarget(pixels);
    m_pTabs->SetTouchTarget(pixels);
}

QTabWidget* CPaperWidget::Tabs() const { return m_pTabs; }

int CPaperWidget::TabOf(const QWidget* widget) const {
    if (!m_bNarrow) return -1;
    for (int i = 0; i < m_pTabs->count(); ++i) {
        if (m_pTabs->widget(i)->isAncestorOf(widget)) return i;
    }
    return -1;
}

void CPaperWidget::SetSaveHandler(std::function<void()> onSave) {
    m_onSave = std::move(onSave);
    m_pSave->setVisible(static_cast<bool>(m_onSave));
}

void CPaperWidget::AddReceiptPicture(const QImage& receipt) { m_pStrip->AddReceipt(receipt); }

void CPaperWidget::ListReceipt(const CReceiptList::Entry& entry) { m_pReceipts->AddReceipt(entry); }

void CPaperWidget::SetCurrent(const QImage& current) { m_pStrip->SetCurrent(current); }

void CPaperWidget::AppendTrace(const QStringList& lines) {
    if (lines.isEmpty()) return;
    QStringList shown;
    shown.reserve(lines.size());
    for (const QString& line : lines) shown.append(TraceLineForWindow(line));
    // The list follows the newest line while the operator is at the bottom; scrolled up, what
    // they look at stays put even as the oldest lines leave at the top.
    QScrollBar* bar = m_pTrace->verticalScrollBar();
    const bool follow = bar->value() >= bar->maximum();
    const int before = m_pTrace->blockCount();
    const int value = bar->value();
    m_pTrace->appendPlainText(shown.join(QLatin1Char('\n')));
    if (follow) {
        bar->setValue(bar->maximum());
    } else {
        const int dropped = before + static_cast<int>(shown.size()) - m_pTrace->blockCount();
        bar->setValue(std::max(0, value - dropped));
    }
}

void CPaperWidget::SetToggle(int index, bool on) {
    if (QCheckBox* box = Toggle(index)) {
        box->setChecked(on);  // clicked() is not emitted, so the owner hears nothing back
    }
}

void CPaperWidget::SetFolder(const QString& folder) { m_pReceipts->SetFolder(folder); }

QLabel* CPaperWidget::Folder() const { return m_pReceipts->Folder(); }

void CPaperWidget::SetStatus(const QString& text) { m_pStatus->setText(text); }

void CPaperWidget::SetEvents(const QString& text) {
    m_pEvents->setText(tr("Drawer and buzzer: %1").arg(text));
    m_pEvents->show();
}

void CPaperWidget::SetSaveFailure(const QString& text) {
    m_pSaveFailure->setText(text);
    m_pSaveFailure->show();
}

QCheckBox* CPaperWidget::Toggle(int index) const {
    if (index < 0 || index >= ToggleCount()) return nullptr;
    return m_toggles[static_cast<std::size_t>(index)];
}

void CPaperWidget::closeEvent(QCloseEvent* event) {
    event->accept();  // hides; the window and the printer behind it live on
    if (m_onClosed) m_onClosed();
}
