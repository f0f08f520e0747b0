#include "colour_text.h"

#include <array>

namespace {

struct NamedColour {
    const char16_t* name;
    ColourValue value;
};

using namespace colours;

constexpr std::array<NamedColour, 20> kNamedColours{{
    {u"clBlack", clBlack},
    {u"clMaroon", clMaroon},
    {u"clGreen", clGreen},
    {u"clOlive", clOlive},
    {u"clNavy", clNavy},
    {u"clPurple", clPurple},
    {u"clTeal", clTeal},
    {u"clGray", clGray},
    {u"clSilver", clSilver},
    {u"clRed", clRed},
    {u"clLime", clLime},
    {u"clYellow", clYellow},
    {u"clBlue", clBlue},
    {u"clFuchsia", clFuchsia},
    {u"clAqua", clAqua},
    {u"clWhite", clWhite},
    {u"clMoneyGreen", clMoneyGreen},
    {u"clSkyBlue", clSkyBlue},
    {u"clCream", clCream},
    {u"clMedGray", clMedGray},
}};

} // namespace

QString ColourToText(ColourValue colour) {
    for (const NamedColour& named : kNamedColours) {
        if (named.value == colour)
            return QString::fromUtf16(named.name);
    }
    return u'$' + QStringLiteral("%1").arg(colour, 8, 16, QChar(u'0')).toUpper();
}

std::optional<ColourValue> ColourFromText(const QString& text) {
    const QString trimmed = text.trimmed();
    for (const NamedColour& named : kNamedColours) {
        if (trimmed.compare(QString::fromUtf16(named.name), Qt::CaseInsensitive) == 0)
            return named.value;
    }
    bool ok = false;
    ColourValue value = 0;
    if (trimmed.startsWith(u'$')) {
        const QString digits = trimmed.mid(1);
        if (digits.isEmpty() || digits.size() > 8)
            return std::nullopt;
        for (QChar c : digits) {
            if (!(c.isDigit() || (c.toUpper() >= u'A' && c.toUpper() <= u'F')) ||
                c.unicode() >= 128)
                return std::nullopt;
        }
        value = digits.toUInt(&ok, 16);
    } else {
        for (QChar c : trimmed) {
            if (!c.isDigit() || c.unicode() >= 128)
                return std::nullopt;
        }
        value = trimmed.toUInt(&ok, 10);
    }
    if (!ok)
        return std::nullopt;
    return value;
}
