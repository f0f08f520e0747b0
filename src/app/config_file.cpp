#include "config_file.h"

#include "text_file.h"

namespace {

constexpr qsizetype kFlagsStart = 6;
constexpr int kReservedPosition = 9;

bool AreFlags(QStringView text) {
    if (text.size() != kParameterFlagsLength)
        return false;
    for (QChar c : text) {
        if (c != u'0' && c != u'1')
            return false;
    }
    return true;
}

} // namespace

QString ParameterFlags(const ChartParameterSelection& s) {
    const bool ticked[kParameterFlagsLength] = {s.cb_T_vpryska_topl,
                                                s.cb_RashTopl,
                                                s.cb_U_analog,
                                                s.cb_RT,
                                                s.cb_RTT,
                                                s.cb_DP,
                                                s.cb_II,
                                                s.cb_T,
                                                false,
                                                s.cb_PVK,
                                                s.cb_Per4_imp};
    QString flags(kParameterFlagsLength, u'0');
    for (int i = 0; i < kParameterFlagsLength; ++i) {
        if (ticked[i] && i + 1 != kReservedPosition)
            flags[i] = u'1';
    }
    return flags;
}

ChartParameterSelection SelectionFromFlags(const QString& flags) {
    auto at = [&](int position) { return flags.size() >= position && flags[position - 1] == u'1'; };
    ChartParameterSelection s;
    s.cb_T_vpryska_topl = at(1);
    s.cb_RashTopl = at(2);
    s.cb_U_analog = at(3);
    s.cb_RT = at(4);
    s.cb_RTT = at(5);
    s.cb_DP = at(6);
    s.cb_II = at(7);
    s.cb_T = at(8);
    s.cb_PVK = at(10);
    s.cb_Per4_imp = at(11);
    return s;
}

QString SensorPairCodeBuilder::SensorPairCode(const QString& sensor1Type,
                                              const QString& sensor2Type) {
    // Zirconia first, then wideband over it; any other text leaves the first letter as it was.
    if (sensor1Type == kZirconia)
        m_letters[0] = u'Z';
    m_letters[1] = u'O';
    if (sensor2Type == kZirconia)
        m_letters[2] = u'Z';
    m_letters[3] = u'O';
    if (sensor1Type == kWideband)
        m_letters[0] = m_letters[1] = u'W';
    if (sensor2Type == kWideband)
        m_letters[2] = m_letters[3] = u'W';
    m_letters[4] = u'A';
    return QString(m_letters.data(), qsizetype(m_letters.size()));
}

ParameterFlagsTable::ParameterFlagsTable() {
    m_flags.fill(kDefaultFlags);
}

const QStringList& ParameterFlagsTable::Codes() {
    static const QStringList codes{
        QStringLiteral("WWWWA"), QStringLiteral("WWWWC"), QStringLiteral("ZSWWA"),
        QStringLiteral("ZSWWC"), QStringLiteral("ZOWWA"), QStringLiteral("ZOWWC"),
        QStringLiteral("WWZSA"), QStringLiteral("WWZSC"), QStringLiteral("WWZOA"),
        QStringLiteral("WWZOC"), QStringLiteral("ZSZSA"), QStringLiteral("ZSZSC"),
        QStringLiteral("ZSZOA"), QStringLiteral("ZSZOC"), QStringLiteral("ZOZSA"),
        QStringLiteral("ZOZSC"), QStringLiteral("ZOZOA"), QStringLiteral("ZOZOC")};
    return codes;
}

QString ParameterFlagsTable::flags(const QString& code) const {
    const qsizetype index = Codes().indexOf(code);
    return index < 0 ? QString() : m_flags[size_t(index)];
}

bool ParameterFlagsTable::setFlags(const QString& code, const QString& flags) {
    const qsizetype index = Codes().indexOf(code);
    if (index < 0)
        return false;
    m_flags[size_t(index)] = flags;
    return true;
}

QString ParameterFlagsTable::storeAtDisconnect(const QString& code, const QString& flags) {
    if (setFlags(code, flags)) {
        m_codeStoredAtDisconnect = code;
        return code;
    }
    if (setFlags(m_codeStoredAtDisconnect, flags))
        return m_codeStoredAtDisconnect;
    return {};
}

QStringList ParameterFlagsTable::lines() const {
    QStringList lines;
    lines.reserve(kSensorPairCodeCount);
    for (int i = 0; i < kSensorPairCodeCount; ++i)
        lines.append(Codes().at(i) + u'=' + m_flags[size_t(i)]);
    return lines;
}

ConfigFileContent ParseConfigLines(const QStringList& lines, const QString& fileName) {
    ConfigFileContent content;
    const int available = int(qMin<qsizetype>(lines.size(), kSensorPairCodeCount));
    if (available < kSensorPairCodeCount) {
        content.problems.append(
            {QStringLiteral("Msg_ConfigMissingLines"),
             {DisplayPath(fileName), QString::number(available + 1), QString::number(lines.size()),
              QString::number(kSensorPairCodeCount)}});
    }
    for (int i = 0; i < available; ++i) {
        const QString& line = lines.at(i);
        const QStringView flags = QStringView(line).mid(kFlagsStart, kParameterFlagsLength);
        if (!AreFlags(flags)) {
            content.problems.append(
                {QStringLiteral("Msg_ConfigBadFlags"),
                 {DisplayPath(fileName), QString::number(i + 1), QuotedExcerpt(line)}});
            continue;
        }
        content.table.setFlags(ParameterFlagsTable::Codes().at(i), flags.toString());
    }
    return content;
}

ConfigFileContent ReadConfigFile(const QString& path) {
    const TextFileContent text = ReadTextFile(path, kConfigFileMaxBytes);
    if (text.missing) {
        ConfigFileContent content;
        content.fileMissing = true;
        return content;
    }
    if (!text.ok()) {
        ConfigFileContent content;
        content.problems.append(text.error);
        return content;
    }
    ConfigFileContent content = ParseConfigLines(text.lines, path);
    if (text.truncated)
        content.problems.prepend(TruncatedFileProblem(path, kConfigFileMaxBytes));
    return content;
}

QString WriteConfigFile(const QString& path, const ParameterFlagsTable& table) {
    return WriteTextFile(path, table.lines());
}
