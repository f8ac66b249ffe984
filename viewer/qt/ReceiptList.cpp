#include "viewer/qt/ReceiptList.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QColor kDesk(0x5a, 0x5f, 0x66);

// A receipt's picture on a desk of its own, scrolled from the top; it goes when closed, and with
// it the picture.
QWidget* PictureWindow(const QImage& picture, const QString& title, QWidget* near) {
    auto* label = new QLabel;
    label->setPixmap(QPixmap::fromImage(picture));
    auto* window = new QScrollArea;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(title);
    window->setWidget(label);
    window->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    window->setBackgroundRole(QPalette::Dark);
    QPalette desk = window->palette();
    desk.setColor(QPalette::Dark, kDesk);
    window->setPalette(desk);
    new QShortcut(QKeySequence(Qt::Key_Escape), window, [window] { window->close(); });
    const QSize wanted = picture.size() + QSize(window->verticalScrollBar()->sizeHint().width() +
                                                    4 * window->frameWidth(),
                                                4 * window->frameWidth());
    const QScreen* screen = near != nullptr ? near->screen() : nullptr;
    window->resize(screen != nullptr ? wanted.boundedTo(screen->availableGeometry().size() * 9 / 10)
                                     : wanted);
    window->show();
    return window;
}

}  // namespace

CReceiptList::CReceiptList() {
    m_pFolder = new QLabel;
    m_pFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pFolder->setWordWrap(true);

    m_pList = new QListWidget;
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setToolTip(tr("Receipts of this run, newest last; open one to see it"));
    connect(m_pList, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
    connect(m_pList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { Open(m_pList->row(item)); });

    m_pProblem = new QLabel;
    m_pProblem->setWordWrap(true);
    m_pProblem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pProblem->setStyleSheet(QStringLiteral("color: #c00000"));
    m_pProblem->hide();

    m_pOpen = new QPushButton(tr("Open"));
    m_pOpen->setToolTip(tr("Show the chosen receipt's picture"));
    connect(m_pOpen, &QPushButton::clicked, this, [this] { Open(m_pList->currentRow()); });
    m_pSaveAs = new QPushButton(tr("Save as…"));
    m_pSaveAs->setToolTip(tr("Save a copy of the chosen receipt's picture or bytes elsewhere"));
    connect(m_pSaveAs, &QPushButton::clicked, this, [this] { SaveAs(m_pList->currentRow()); });
    m_pOpenFolder = new QPushButton(tr("Open folder"));
    m_pOpenFolder->setToolTip(tr("Open the receipt folder in the file manager"));
    connect(m_pOpenFolder, &QPushButton::clicked, this, [this] { OpenFolder(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pOpen);
    buttons->addWidget(m_pSaveAs);
    buttons->addStretch(1);
    buttons->addWidget(m_pOpenFolder);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pFolder);
    layout->addWidget(m_pList, 1);
    layout->addWidget(m_pProblem);
    layout->addLayout(buttons);
    UpdateButtons();
}

void CReceiptList::AddReceipt(const Entry& entry) {
    QScrollBar* bar = m_pList->verticalScrollBar();
    const bool follow = bar->value() >= bar->maximum();
    QString first = tr("#%1 · %2 · %3 bytes")
                        .arg(entry.number)
                        .arg(entry.finished.toString(QStringLiteral("HH:mm:ss")))
                        .arg(entry.bytes);
    QString second = tr("from %1").arg(entry.source);
    if (entry.png.isEmpty()) second += tr(" · not saved");
    auto* item = new QListWidgetItem(first + QLatin1Char('\n') + second);
    item->setToolTip(entry.png.isEmpty() ? tr("Not saved") : entry.png);
    SizeRow(item);
    m_pList->addItem(item);
    m_entries.push_back(entry);
    while (m_pList->count() > kListed) {
        delete m_pList->takeItem(0);
        m_entries.pop_front();
    }
    if (follow) m_pList->scrollToBottom();
    UpdateButtons();
}

void CReceiptList::Clear() {
    m_pList->clear();
    m_entries.clear();
    m_pProblem->hide();
    UpdateButtons();
}

void CReceiptList::SetFolder(const QString& folder) {
    m_folder = folder;
    m_pFolder->setText(tr("Receipts are saved in %1").arg(folder));
    UpdateButtons();
}

void CReceiptList::SetTouchTarget(int pixels) {
    m_touchTarget = pixels;
    for (QPushButton* button : {m_pOpen, m_pSaveAs, m_pOpenFolder})
        button->setMinimumHeight(pixels);
    for (int row = 0; row < m_pList->count(); ++row) SizeRow(m_pList->item(row));
}

void CReceiptList::SizeRow(QListWidgetItem* item) const {
    const int lines = 2;
    const int height = std::max(m_touchTarget, lines * m_pList->fontMetrics().lineSpacing() + 6);
    item->setSizeHint(QSize(0, height));
}

const CReceiptList::Entry* CReceiptList::EntryAt(int row) const {
    if (row < 0 || row >= static_cast<int>(m_entries.size())) return nullptr;
    return &m_entries[static_cast<std::size_t>(row)];
}

QWidget* CReceiptList::Open(int row) {
    const Entry* entry = EntryAt(row);
    if (entry == nullptr || entry->png.isEmpty()) return nullptr;
    QImageReader reader(entry->png);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        SayProblem(tr("Cannot open %1: %2").arg(entry->png, reader.errorString()));
        return nullptr;
    }
    m_pProblem->hide();
    return PictureWindow(
        picture, tr("%1 from %2").arg(QFileInfo(entry->png).fileName(), entry->source), this);
}

bool CReceiptList::SaveCopy(int row, const QString& path) {
    const Entry* entry = EntryAt(row);
    if (entry == nullptr || entry->png.isEmpty()) return false;
    const bool bytes = path.endsWith(QLatin1String(".bin"));
    if (bytes && entry->bin.isEmpty()) {
        SayProblem(tr("Receipt %1's bytes were not kept").arg(entry->number));
        return false;
    }
    QFile from(bytes ? entry->bin : entry->png);
    // The file dialog asked before a file there is replaced.
    if (QFileInfo::exists(path) && !QFile::remove(path)) {
        SayProblem(tr("Cannot replace %1").arg(path));
        return false;
    }
    if (!from.copy(path)) {
        SayProblem(tr("Cannot save %1 as %2: %3").arg(from.fileName(), path, from.errorString()));
        return false;
    }
    m_pProblem->hide();
    return true;
}

void CReceiptList::SaveAs(int row) {
    const Entry* entry = EntryAt(row);
    if (entry == nullptr || entry->png.isEmpty()) return;
    QString filters = tr("Picture (*.png)");
    if (!entry->bin.isEmpty()) filters += tr(";;Bytes that print it (*.bin)");
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save receipt %1 as").arg(entry->number),
        QDir::home().filePath(QFileInfo(entry->png).fileName()), filters);
    if (!path.isEmpty()) SaveCopy(row, path);
}

void CReceiptList::OpenFolder() {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(m_folder)))
        SayProblem(tr("No program here opens folders; the receipts are in %1").arg(m_folder));
}

void CReceiptList::UpdateButtons() {
    const Entry* entry = EntryAt(m_pList->currentRow());
    const bool saved = entry != nullptr && !entry->png.isEmpty();
    m_pOpen->setEnabled(saved);
    m_pSaveAs->setEnabled(saved);
    m_pOpenFolder->setEnabled(!m_folder.isEmpty() && QFileInfo(m_folder).isDir());
}

void CReceiptList::SayProblem(const QString& text) {
    m_pProblem->setText(text);
    m_pProblem->show();
}
