#include "table_message.h"

#include <QHash>

namespace {

const QHash<QString, QString>& EnglishTexts() {
    namespace m = table_messages;
    static const QHash<QString, QString> texts = {
        {QLatin1String(m::NotANumber), QStringLiteral("'%1' is not a valid floating point value")},
        {QLatin1String(m::FlowNotANumber),
         QStringLiteral("The injector flow '%1' is not a number; the flow cannot be shown.")},
        {QLatin1String(m::FileRead),
         QStringLiteral("The table file %1 cannot be read (%2). The table is unchanged.")},
        {QLatin1String(m::FileLineCount),
         QStringLiteral("The table file %1 has %2 lines; a table file has exactly 64. The table "
                        "is unchanged.")},
        {QLatin1String(m::FileLine),
         QStringLiteral("The table file %1, line %2: '%3' is not a number. The table is "
                        "unchanged.")},
        {QLatin1String(m::FileLimited),
         QStringLiteral("The table file %1: %3 values out of the range 0.01 to 25.5, the first "
                        "in line %2, were limited to it.")},
        {QLatin1String(m::FileExtraLines),
         QStringLiteral("The table file %1: the lines from %2 on are past the 64th and were "
                        "ignored.")},
        {QLatin1String(m::FileWrite), QStringLiteral("The table file %1 cannot be written (%2).")},
        {QLatin1String(m::CellNotANumber),
         QStringLiteral("Column %1, row %2 of the table holds '%3', which is not a number; "
                        "nothing was sent.")},
        {QLatin1String(m::PortClosed),
         QStringLiteral("The module port is not open; nothing was sent.")},
        {QLatin1String(m::Busy),
         QStringLiteral("The module is busy with another operation (%1); nothing was sent. "
                        "Try again when it has finished.")},
    };
    return texts;
}

} // namespace

QString FillMessage(const QString& textTemplate, const QStringList& args) {
    // One pass, so that an argument containing "%2" is not filled again.
    QString out;
    for (qsizetype i = 0; i < textTemplate.size(); ++i) {
        const QChar c = textTemplate.at(i);
        if (c == u'%' && i + 1 < textTemplate.size() && textTemplate.at(i + 1).isDigit()) {
            const int n = textTemplate.at(i + 1).digitValue();
            if (n >= 1 && n <= args.size()) {
                out += args.at(n - 1);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString EnglishText(const TableMessage& message) {
    const QString text = EnglishTexts().value(message.key);
    if (text.isEmpty())
        return message.key + QLatin1Char(' ') + message.args.join(QLatin1Char(' '));
    return FillMessage(text, message.args);
}
