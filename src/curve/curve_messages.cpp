#include "curve_messages.h"

#include <QHash>

namespace curve {

Message MakeMessage(const char* key, const QStringList& args) {
    return {QLatin1String(key), args};
}

QString FillTemplate(const QString& pattern, const QStringList& args) {
    QString text = pattern;
    // Highest number first so that %1 does not eat the start of %10.
    for (qsizetype i = args.size(); i >= 1; --i)
        text.replace(QLatin1Char('%') + QString::number(i), args.at(i - 1));
    return text;
}

QString EnglishText(const Message& message) {
    static const QHash<QString, QString> texts = {
        {QLatin1String(kMsgNotNumber),
         QStringLiteral("\"%1\" is not a number; the value is kept.")},
        {QLatin1String(kMsgFileMissingLine),
         QStringLiteral("%1: line %2 is missing; a curve file has exactly 64 lines. Nothing was "
                        "changed.")},
        {QLatin1String(kMsgFileExtraLine),
         QStringLiteral("%1: the lines from %2 on are past the 64th and were ignored.")},
        {QLatin1String(kMsgFileLimited),
         QStringLiteral("%1: %3 values out of the range 0 to 5 V, the first in line %2, were "
                        "limited to it.")},
        {QLatin1String(kMsgFileNotNumber),
         QStringLiteral("%1, line %2: \"%3\" is not a number. Nothing was changed.")},
        {QLatin1String(kMsgFileError), QStringLiteral("%1")},
        {QStringLiteral("MsgCurvePasteEmpty"),
         QStringLiteral("The clipboard holds no numbers to paste.")},
        {QStringLiteral("MsgCurvePasteShape"),
         QStringLiteral("Nothing was pasted: line %1 holds more than one value; the curve takes "
                        "one column.")},
        {QStringLiteral("MsgCurvePasteTooLong"),
         QStringLiteral("Nothing was pasted: %1 values do not fit into the curve from the "
                        "selected point.")},
        {QStringLiteral("MsgCurvePasteNotNumber"),
         QStringLiteral("Nothing was pasted: line %1 holds \"%2\", which is not a number.")},
        {QStringLiteral("MsgCurveRangeNotNumber"),
         QStringLiteral("Point %1 of the curve holds \"%2\", which is not a number; nothing was "
                        "changed.")},
        {QLatin1String(kMsgGridNotNumber),
         QStringLiteral("Point %1 of the curve, \"%2\", is not a number; nothing was sent.")},
        {QLatin1String(kMsgArcSegment),
         QStringLiteral("Choose a point between the start of the curve and its highest point.")},
        {QLatin1String(kMsgLineSegment),
         QStringLiteral("Choose a point other than point 1 for the straight line.")},
        {QLatin1String(kMsgReadLine), QStringLiteral("Read from the module")},
        {QLatin1String(kMsgReadStopped),
         QStringLiteral("The curve read stopped: %1 pairs of answers in a row disagreed.")},
        {QLatin1String(kMsgPortClosed),
         QStringLiteral("The module port is closed; nothing was sent.")},
        {QLatin1String(kMsgBusy),
         QStringLiteral("The module is busy with another operation; try again when it has "
                        "finished.")},
        {QLatin1String(kMsgBusyWith),
         QStringLiteral("The module is busy with another operation (%1): try again once it has "
                        "ended.")},
    };
    return FillTemplate(texts.value(message.key, message.key), message.args);
}

} // namespace curve
