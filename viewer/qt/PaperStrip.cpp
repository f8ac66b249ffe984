#include "viewer/qt/PaperStrip.h"

#include <QPainter>
#include <algorithm>

namespace {

const QColor kDesk(0x5a, 0x5f, 0x66);
const QColor kCutMark(0xd0, 0x40, 0x40);

}  // namespace

CPaperStrip::CPaperStrip(QWidget* pParent) : QWidget(pParent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    Relayout();
}

void CPaperStrip::AddReceipt(const QImage& receipt) {
    m_receipts.push_back(receipt);
    m_rows += receipt.height();
    // The newest receipt always stays, however long it is.
    while (m_receipts.size() > 1 && m_rows > kMaxRows) {
        m_rows -= m_receipts.front().height();
        m_receipts.pop_front();
    }
    m_current = QImage();
    Relayout();
}

void CPaperStrip::SetCurrent(const QImage& current) {
    m_current = current;
    Relayout();
}

void CPaperStrip::ClearFinished() {
    m_receipts.clear();
    m_rows = 0;
    Relayout();
}

void CPaperStrip::SetScale(int scale) {
    m_scale = std::clamp(scale, 1, 2);
    Relayout();
}

int CPaperStrip::PaperWidth() const {
    int width = m_current.isNull() ? 0 : m_current.width();
    for (const QImage& receipt : m_receipts) {
        width = std::max(width, receipt.width());
    }
    return width > 0 ? width : 384;
}

QSize CPaperStrip::sizeHint() const {
    const int currentRows = std::max(m_current.isNull() ? 0 : m_current.height(), kBlankRows);
    const int height =
        (m_rows + currentRows) * m_scale + static_cast<int>(m_receipts.size()) * kCutGap;
    return {PaperWidth() * m_scale, height};
}

void CPaperStrip::Relayout() {
    resize(sizeHint());
    update();
}

void CPaperStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kDesk);
    Paint(painter);
}

QImage CPaperStrip::Render() const {
    QImage image(sizeHint(), QImage::Format_RGB32);
    image.fill(kDesk);
    QPainter painter(&image);
    Paint(painter);
    return image;
}

void CPaperStrip::Paint(QPainter& painter) const {
    const int width = PaperWidth() * m_scale;
    int y = 0;
    for (const QImage& receipt : m_receipts) {
        const QRect target(0, y, receipt.width() * m_scale, receipt.height() * m_scale);
        painter.drawImage(target, receipt);
        y += target.height();
        painter.setPen(QPen(kCutMark, 1, Qt::DashLine));
        painter.drawLine(0, y + kCutGap / 2, width, y + kCutGap / 2);
        y += kCutGap;
    }
    const int rows = m_current.isNull() ? 0 : m_current.height();
    painter.fillRect(QRect(0, y, width, std::max(rows, kBlankRows) * m_scale), Qt::white);
    if (rows > 0) {
        painter.drawImage(QRect(0, y, m_current.width() * m_scale, rows * m_scale), m_current);
    }
}
