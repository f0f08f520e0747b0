#include "options_file.h"

#include <QFileInfo>
#include <QSettings>

namespace {

const QString kFastTransfersKey = QStringLiteral("Transfers/FastTransfers");
const QString kLateAnswerWindowKey = QStringLiteral("Transfers/LateAnswerWindowMs");

} // namespace

OptionsFileContent ReadOptionsFile(const QString& path) {
    OptionsFileContent content;
    if (!QFileInfo::exists(path))
        return content;
    QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError) {
        content.error = {QStringLiteral("Msg_FileReadFailed"),
                         {path, file.status() == QSettings::FormatError
                                    ? QStringLiteral("not an INI file")
                                    : QStringLiteral("access denied")}};
        return content;
    }
    const QVariant fast = file.value(kFastTransfersKey, false);
    // Only the two words QSettings writes count; anything else keeps the default.
    const QString text = fast.toString().trimmed().toLower();
    content.options.fastTransfers = text == QLatin1String("true") || text == QLatin1String("1");
    bool ok = false;
    const int window = file.value(kLateAnswerWindowKey).toString().trimmed().toInt(&ok);
    if (ok && window >= ProgramOptions::kMinLateAnswerWindowMs &&
        window <= ProgramOptions::kMaxLateAnswerWindowMs)
        content.options.lateAnswerWindowMs = window;
    return content;
}

QString WriteOptionsFile(const QString& path, const ProgramOptions& options) {
    QSettings file(path, QSettings::IniFormat);
    file.setValue(kFastTransfersKey, options.fastTransfers);
    file.setValue(kLateAnswerWindowKey, options.lateAnswerWindowMs);
    file.sync();
    if (file.status() != QSettings::NoError)
        return QStringLiteral("Cannot write \"%1\"").arg(path);
    return {};
}
