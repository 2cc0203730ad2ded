#include "app/BaseFrm.h"

#include <QStringList>

QFont BaseFormFont()
{
    QFont font;
    // Noto Sans CJK SC first; the desktop's sans-serif face stands in where it is not installed.
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans CJK"), QStringLiteral("Sans Serif")});
    font.setPointSize(9);
    return font;
}
