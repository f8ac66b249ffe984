// The paper of a printer as one strip: finished receipts top down, each followed by a gap where
// it was cut, then the receipt in progress. Drawn at 1 or 2 screen pixels per dot. The oldest
// receipts leave once the strip grows past kMaxRows, so memory stays bounded.
#pragma once

#include <QImage>
#include <QWidget>
#include <deque>

class CPaperStrip : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMaxRows = 40000;  // dot rows kept, about five metres
    static constexpr int kCutGap = 12;      // screen pixels between receipts
    static constexpr int kBlankRows = 24;   // paper shown in the printer before anything prints

    explicit CPaperStrip(QWidget* pParent = nullptr);

    void AddReceipt(const QImage& receipt);
    void SetCurrent(const QImage& current);
    void SetScale(int scale);
    // Takes the finished receipts off the strip; the one in progress stays.
    void ClearFinished();
    int Scale() const { return m_scale; }

    int ReceiptCount() const { return static_cast<int>(m_receipts.size()); }
    const QImage& Current() const { return m_current; }
    // The whole strip as shown, at the current scale.
    QImage Render() const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Paint(QPainter& painter) const;
    int PaperWidth() const;
    void Relayout();

    std::deque<QImage> m_receipts;
    QImage m_current;
    int m_rows = 0;  // dot rows of the finished receipts
    int m_scale = 1;
};
