#include "viewer/qt/TraceLayout.h"

#include <QRegularExpression>

QString TraceLineForWindow(const QString& line) {
    // "  offset  1B 61 01 … (N bytes)    MNEMONIC  meaning"
    static const QRegularExpression command(QStringLiteral(
        "^( *\\d+)  ([0-9A-F]{2}(?: [0-9A-F]{2})*(?: … \\(\\d+ bytes\\))?) {2,}(\\S.*)$"));
    static const QRegularExpression note(QStringLiteral("^( *\\d+)  -- "));
    const QRegularExpressionMatch match = command.match(line);
    if (!match.hasMatch()) {
        const QRegularExpressionMatch noted = note.match(line);
        if (!noted.hasMatch()) return line;
        return noted.captured(1).trimmed().rightJustified(6) + line.mid(noted.capturedEnd(1));
    }
    // Six digits keep the columns for the first megabyte; the width goes to the meaning.
    return match.captured(1).trimmed().rightJustified(6) + QStringLiteral("  ") +
           match.captured(3) + QStringLiteral("   [") + match.captured(2) + QLatin1Char(']');
}
