#include "info_file.h"

#include "text_file.h"

#include <charconv>
#include <cstdlib>

namespace {

// The key part of lines 1 to 37 ("=" + key); its length is what is cut off on reading.
const char* const kValueSuffixes[37] = {"=Enum_Com_Ports_prev",
                                        "=Index_COM_Port",
                                        "=Index_K",
                                        "=Index_V_Graf",
                                        "=Diapazone",
                                        "=Index_TypeInput",
                                        "=Enum_Page",
                                        "=Type_In_WidthLine_ZOND1",
                                        "=Type_In_WidthLine_ZOND2",
                                        "=Type_In_RashTo",
                                        "=ry_MAF",
                                        "=rx_MAF",
                                        "=rz_MAF",
                                        "=vLeft_MAF",
                                        "=vRight_MAF",
                                        "=vBottom_MAF",
                                        "=vTop_MAF",
                                        "=ry_Lambda",
                                        "=rx_Lambda",
                                        "=rz_Lambda",
                                        "=vLeft_Lambda",
                                        "=vRight_Lambda",
                                        "=vBottom_Lambda",
                                        "=vTop_Lambda",
                                        "=Enum_YellowPoints",
                                        "=language",
                                        "=Color01",
                                        "=Color02",
                                        "=Color03",
                                        "=Color04",
                                        "=Color05",
                                        "=Color06",
                                        "=Color07",
                                        "=Color08",
                                        "=Color09",
                                        "=Color10",
                                        "=Color11"};

const QLatin1String kFilterKey("=Filter 3D");
const QLatin1String kCorrectionKey("=Correction 3D");
const QLatin1String kInjectionTimeBasis("VVV");
const QLatin1String kMafBasis("MAF");
const char* const kAxisKeys[4] = {"LMAX=", "LMIN=", "RMAX=", "RMIN="};

constexpr int kFirstSurfaceLine = 11;
constexpr int kFirstColourLine = 27;
constexpr int kReservedLine = 38;
constexpr int kFilterLine = 39;
constexpr int kCorrectionLine = 40;
constexpr int kFirstAxisLine = 41;

std::array<double*, 7> SurfaceFields(SurfaceViewTimes100& set) {
    return {&set.ry, &set.rx, &set.rz, &set.vLeft, &set.vRight, &set.vBottom, &set.vTop};
}

std::array<float*, 7> SurfaceFields(SurfaceViewParameters& set) {
    return {&set.ry, &set.rx, &set.rz, &set.vLeft, &set.vRight, &set.vBottom, &set.vTop};
}

std::array<QString*, 4> AxisFields(InfoSettings& settings) {
    return {&settings.leftAxisMax, &settings.leftAxisMin, &settings.rightAxisMax,
            &settings.rightAxisMin};
}

// The value of a "value=key" line: the line without as many trailing characters as the key has.
QString ValueBeforeKey(const QString& line, int lineNumber) {
    const qsizetype keyLength = qsizetype(qstrlen(kValueSuffixes[lineNumber - 1]));
    return line.left(qMax<qsizetype>(0, line.size() - keyLength));
}

class InfoParser {
public:
    InfoParser(const QString& fileName, const DecimalFormat& decimals, InfoFileContent& content)
        : m_fileName(fileName), m_decimals(decimals), m_content(content) {}

    void parse(const QStringList& lines) {
        InfoSettings& s = m_content.settings;
        const int available = int(qMin<qsizetype>(lines.size(), kInfoFileLineCount));
        if (available < kInfoFileLineCount) {
            m_content.problems.append(
                {QStringLiteral("Msg_IniMissingLines"),
                 {DisplayPath(m_fileName), QString::number(available + 1),
                  QString::number(lines.size()), QString::number(kInfoFileLineCount)}});
        }
        for (int number = 1; number <= available; ++number) {
            const QString& line = lines.at(number - 1);
            if (number <= 37)
                parseValueLine(s, number, ValueBeforeKey(line, number));
            else if (number == kReservedLine)
                s.reservedLine38 = line.left(1);
            else if (number == kFilterLine)
                s.filter3DOn = line.startsWith(u'y');
            else if (number == kCorrectionLine)
                s.correctionBasis = line.section(u'=', 0, 0) == kInjectionTimeBasis
                                        ? CorrectionBasis::InjectionTime
                                        : CorrectionBasis::Maf;
            else
                *AxisFields(s)[number - kFirstAxisLine] = line.mid(5);
        }
        // Color09 is never applied; it mirrors Color08 so the settings say what will be written.
        s.chartColours[kUnusedColourIndex] = s.chartColours[kUnusedColourIndex - 1];
    }

private:
    void parseValueLine(InfoSettings& s, int number, const QString& value) {
        switch (number) {
        case 1:
            readInteger(number, value, &s.portCountAtStart);
            return;
        case 2:
            readInteger(number, value, &s.portIndex);
            return;
        case 3:
            readInteger(number, value, nullptr);
            return;
        case 4:
            readInteger(number, value, &s.graphIntervalIndex);
            return;
        case 5:
            s.deviationLimit = value;
            return;
        case 6:
            s.chartMode = value;
            return;
        case 7:
            s.pageWidth = value;
            return;
        case 8:
            s.wideLineProbe1 = value;
            return;
        case 9:
            s.wideLineProbe2 = value;
            return;
        case 10:
            s.fuelConsumptionFront = value;
            return;
        case 25:
            s.yellowPointCount = value;
            return;
        case 26:
            s.language = value;
            return;
        default:
            break;
        }
        if (number >= kFirstSurfaceLine && number < kFirstSurfaceLine + 14) {
            const int index = number - kFirstSurfaceLine;
            SurfaceViewTimes100& set = index < 7 ? s.surfaceMaf : s.surfaceLambda;
            readDecimal(number, value, SurfaceFields(set)[index % 7]);
        } else if (number >= kFirstColourLine && number < kFirstColourLine + kInfoColourCount) {
            const int index = number - kFirstColourLine;
            if (index != kUnusedColourIndex)
                readColour(number, value, &s.chartColours[index]);
        }
    }

    void readInteger(int number, const QString& value, int* target) {
        bool ok = false;
        const int parsed = value.trimmed().toInt(&ok);
        if (!ok)
            return report(number, value);
        if (target)
            *target = parsed;
    }

    void readDecimal(int number, const QString& value, double* target) {
        const std::optional<double> parsed = m_decimals.parse(value);
        if (!parsed)
            return report(number, value);
        *target = *parsed;
    }

    void readColour(int number, const QString& value, ColourValue* target) {
        const std::optional<ColourValue> parsed = ColourFromText(value);
        if (!parsed)
            return report(number, value);
        *target = *parsed;
    }

    void report(int number, const QString& value) {
        m_content.problems.append(
            {QStringLiteral("Msg_IniBadValue"),
             {DisplayPath(m_fileName), QString::number(number), QuotedExcerpt(value)}});
    }

    const QString& m_fileName;
    const DecimalFormat& m_decimals;
    InfoFileContent& m_content;
};

double ShortestTimes100(float value) {
    // The shortest text that reads back as this float, so 0.35f is stored as 35, not 34.9999994.
    char buffer[64];
    const std::to_chars_result end = std::to_chars(buffer, buffer + sizeof buffer - 1, value);
    *end.ptr = '\0';
    return std::strtod(buffer, nullptr) * 100;
}

} // namespace

SurfaceViewParameters ToSurfaceViewParameters(const SurfaceViewTimes100& stored) {
    SurfaceViewParameters parameters;
    SurfaceViewTimes100 source = stored;
    const auto from = SurfaceFields(source);
    const auto to = SurfaceFields(parameters);
    for (size_t i = 0; i < from.size(); ++i)
        *to[i] = float(*from[i] / 100);
    return parameters;
}

SurfaceViewTimes100 ToSurfaceViewTimes100(const SurfaceViewParameters& parameters) {
    SurfaceViewTimes100 stored;
    SurfaceViewParameters source = parameters;
    const auto from = SurfaceFields(source);
    const auto to = SurfaceFields(stored);
    for (size_t i = 0; i < from.size(); ++i)
        *to[i] = ShortestTimes100(*from[i]);
    return stored;
}

InfoFileContent ParseInfoLines(const QStringList& lines, const QString& fileName,
                               const DecimalFormat& decimals) {
    InfoFileContent content;
    InfoParser(fileName, decimals, content).parse(lines);
    return content;
}

InfoFileContent ReadInfoFile(const QString& path, const DecimalFormat& decimals) {
    const TextFileContent text = ReadTextFile(path, kInfoFileMaxBytes);
    if (text.missing) {
        InfoFileContent content;
        content.fileMissing = true;
        content.settings.language = QString::fromLatin1(kDefaultLanguageName);
        return content;
    }
    if (!text.ok()) {
        InfoFileContent content;
        content.problems.append(text.error);
        return content;
    }
    InfoFileContent content = ParseInfoLines(text.lines, path, decimals);
    if (text.truncated)
        content.problems.prepend(TruncatedFileProblem(path, kInfoFileMaxBytes));
    return content;
}

QStringList InfoFileLines(const InfoSettings& settings, const DecimalFormat& decimals) {
    InfoSettings s = settings;
    QStringList lines;
    lines.reserve(kInfoFileLineCount);
    auto add = [&](const QString& value) {
        lines.append(value + QLatin1String(kValueSuffixes[lines.size()]));
    };
    add(QString::number(s.portCountAtStart));
    add(QString::number(s.portIndex));
    add(QStringLiteral("0"));
    add(QString::number(s.graphIntervalIndex));
    add(s.deviationLimit);
    add(s.chartMode);
    add(s.pageWidth);
    add(s.wideLineProbe1);
    add(s.wideLineProbe2);
    add(s.fuelConsumptionFront);
    for (SurfaceViewTimes100* set : {&s.surfaceMaf, &s.surfaceLambda}) {
        for (double* value : SurfaceFields(*set))
            add(decimals.format(*value));
    }
    add(s.yellowPointCount);
    add(s.language);
    for (int i = 0; i < kInfoColourCount; ++i)
        add(ColourToText(s.chartColours[i == kUnusedColourIndex ? i - 1 : i]));
    lines.append(s.reservedLine38.left(1));
    lines.append((s.filter3DOn ? QStringLiteral("y") : QStringLiteral("n")) + kFilterKey);
    lines.append(
        (s.correctionBasis == CorrectionBasis::InjectionTime ? kInjectionTimeBasis : kMafBasis) +
        kCorrectionKey);
    for (int i = 0; i < 4; ++i)
        lines.append(QLatin1String(kAxisKeys[i]) + *AxisFields(s)[i]);
    return lines;
}

QString WriteInfoFile(const QString& path, const InfoSettings& settings,
                      const DecimalFormat& decimals) {
    return WriteTextFile(path, InfoFileLines(settings, decimals));
}

int SavedPortIndex(int selectedIndex, int listedPortsInBox) {
    return selectedIndex >= 0 && selectedIndex < listedPortsInBox ? selectedIndex : 0;
}

int StartPortIndex(int savedCount, int savedIndex, int listedCountNow) {
    if (savedCount < 1 || savedIndex < 1 || savedCount != listedCountNow)
        return 0;
    return savedIndex < listedCountNow ? savedIndex : 0;
}
