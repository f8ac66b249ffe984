// The printer window's list of finished receipts, newest last: each with its number, the time it
// was cut, who sent it and its size. The operator opens one (its picture, read from its file),
// saves a copy elsewhere or opens the folder. The list holds no pictures: a receipt's dots are
// read from disk only while it is open, so a long run's list stays small.
#pragma once

#include <QDateTime>
#include <QString>
#include <QWidget>
#include <deque>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class CReceiptList : public QWidget {
    Q_OBJECT
  public:
    // The oldest entries leave the list beyond this many; their files stay.
    static constexpr int kListed = 1000;

    struct Entry {
        int number = 0;
        QDateTime finished;
        QString source;  // "pty", a device, "TCP 127.0.0.1:40312", "input"
        quint64 bytes = 0;
        QString png;  // empty when the receipt was not saved
        QString bin;  // empty when its bytes were not kept
    };

    CReceiptList();

    void AddReceipt(const Entry& entry);
    // Empties the list; the files stay.
    void Clear();
    void SetFolder(const QString& folder);
    // The least height of the rows and buttons the operator touches.
    void SetTouchTarget(int pixels);

    // Shows the row's picture in a window of its own, read from its file now; null (with the
    // reason shown under the list) when it cannot be read.
    QWidget* Open(int row);
    // Copies the row's picture, or its bytes when the name ends in ".bin", to the path; false
    // with the reason shown under the list.
    bool SaveCopy(int row, const QString& path);

    QListWidget* List() const { return m_pList; }
    QLabel* Folder() const { return m_pFolder; }
    QLabel* Problem() const { return m_pProblem; }
    QPushButton* OpenButton() const { return m_pOpen; }
    QPushButton* SaveAsButton() const { return m_pSaveAs; }
    QPushButton* FolderButton() const { return m_pOpenFolder; }

  private:
    const Entry* EntryAt(int row) const;
    void SaveAs(int row);
    void OpenFolder();
    void UpdateButtons();
    void SayProblem(const QString& text);
    void SizeRow(QListWidgetItem* item) const;

    QLabel* m_pFolder;
    QListWidget* m_pList;
    QLabel* m_pProblem;
    QPushButton* m_pOpen;
    QPushButton* m_pSaveAs;
    QPushButton* m_pOpenFolder;
    std::deque<Entry> m_entries;  // one a row, in the rows' order
    QString m_folder;
    int m_touchTarget = 0;
};
