#include "framework/qt/DialogFont.h"

#include <QFontMetrics>
#include <QStringList>

namespace framework {

QFont DialogFont(const char* typeface, WORD pointSize) {
    QFont font;
    // The template's faces ("MS Shell Dlg" and the like) do not exist here; the captions are
    // Chinese, so a CJK face comes first and the template's face only as a late fallback.
    QStringList families{QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                         QStringLiteral("Droid Sans Fallback")};
    if (typeface != nullptr && *typeface != '\0') {
        families.append(QString::fromUtf8(typeface));
    }
    families.append(QStringLiteral("sans-serif"));
    font.setFamilies(families);
    font.setPointSize(pointSize > 0 ? pointSize : 9);
    return font;
}

DialogBaseUnits MeasureBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, metrics.height()};
}

}  // namespace framework
