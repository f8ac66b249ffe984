#include "viewer/qt/TraceHighlighter.h"

#include <QColor>
#include <QTextCharFormat>

void CTraceHighlighter::highlightBlock(const QString& text) {
    // The decoder's own words for a command it skipped or dropped.
    static const QString kTrouble[] = {QStringLiteral("unknown command"),
                                       QStringLiteral("unknown control byte"),
                                       QStringLiteral("incomplete")};
    for (const QString& word : kTrouble) {
        if (!text.contains(word)) continue;
        QTextCharFormat format;
        format.setForeground(QColor(0xc0, 0, 0));
        format.setFontWeight(QFont::Bold);
        setFormat(0, static_cast<int>(text.size()), format);
        return;
    }
}
