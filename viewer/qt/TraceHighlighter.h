// Marks the commands the printer could not make sense of (unknown, incomplete) in the window's
// command list, so they stand out among the thousands that went well.
#pragma once

#include <QSyntaxHighlighter>

class CTraceHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
  public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

  protected:
    void highlightBlock(const QString& text) override;
};
