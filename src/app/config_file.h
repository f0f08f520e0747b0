#pragma once

#include "message.h"

#include <QString>
#include <QStringList>

#include <array>

// The live-chart parameter check boxes whose states Config_A.ini keeps per sensor configuration,
// named after the check boxes.
struct ChartParameterSelection {
    bool cb_T_vpryska_topl = false; // position 1
    bool cb_RashTopl = false;       // 2
    bool cb_U_analog = false;       // 3
    bool cb_RT = false;             // 4
    bool cb_RTT = false;            // 5
    bool cb_DP = false;             // 6
    bool cb_II = false;             // 7
    bool cb_T = false;              // 8
                                    // 9 reserved, always "0" when built
    bool cb_PVK = false;            // 10
    bool cb_Per4_imp = false;       // 11

    bool operator==(const ChartParameterSelection&) const = default;
};

inline constexpr int kParameterFlagsLength = 11;

// The eleven "0"/"1" characters of a selection; position 9 is always "0".
QString ParameterFlags(const ChartParameterSelection& selection);
// The check box states a flags text asks for ('1' ticks; a missing position is unticked).
ChartParameterSelection SelectionFromFlags(const QString& flags);

// Builds the SensorPairCode from the texts of the two sensor-type fields. A sensor whose text is
// neither type keeps, for its first letter, the letter of the previous computation in this run
// (kUnknownSensorLetter at first), so such a code normally matches no Config_A.ini line.
class SensorPairCodeBuilder {
public:
    static constexpr QChar kUnknownSensorLetter = u'-';
    static inline const QString kZirconia = QStringLiteral("Циркониевый");
    static inline const QString kWideband = QStringLiteral("Широкополосный");

    QString SensorPairCode(const QString& sensor1Type, const QString& sensor2Type);

private:
    std::array<QChar, 5> m_letters{kUnknownSensorLetter, kUnknownSensorLetter, kUnknownSensorLetter,
                                   kUnknownSensorLetter, u'A'};
};

inline constexpr int kSensorPairCodeCount = 18;
inline constexpr auto kConfigFileName = "Config_A.ini";
// 18 lines of 18 characters; only this much of a longer file is read.
inline constexpr qint64 kConfigFileMaxBytes = 4 * 1024;

// The ParameterFlags of every SensorPairCode, in the fixed order of Config_A.ini.
class ParameterFlagsTable {
public:
    // Used for every code when there is no file yet: all parameters but the reserved one.
    static inline const QString kDefaultFlags = QStringLiteral("11111111011");

    ParameterFlagsTable();

    // "WWWWA", "WWWWC", "ZSWWA", ... "ZOZOC".
    static const QStringList& Codes();

    bool contains(const QString& code) const { return Codes().contains(code); }
    // Empty for an unknown code.
    QString flags(const QString& code) const;
    // Returns false (and changes nothing) for an unknown code.
    bool setFlags(const QString& code, const QString& flags);

    // The disconnect rule: the flags go under the code if it is one of the table, else under the
    // code that took them at a previous disconnect of this run, else nowhere. Returns the code
    // they went under, or empty.
    QString storeAtDisconnect(const QString& code, const QString& flags);

    // "CODE=flags" for the 18 codes in their order.
    QStringList lines() const;

    bool operator==(const ParameterFlagsTable& other) const { return m_flags == other.m_flags; }

private:
    std::array<QString, kSensorPairCodeCount> m_flags;
    QString m_codeStoredAtDisconnect;
};

struct ConfigFileContent {
    ParameterFlagsTable table;
    // One message per unusable line (naming the file and the line); its code keeps the default.
    QList<Message> problems;
    bool fileMissing = false; // no file yet: defaults, not a problem
};

// The flags are characters 7 to 17 of each line, whatever the first six are.
ConfigFileContent ParseConfigLines(const QStringList& lines, const QString& fileName);
ConfigFileContent ReadConfigFile(const QString& path);
// Returns an error naming the file, or empty.
[[nodiscard]] QString WriteConfigFile(const QString& path, const ParameterFlagsTable& table);
