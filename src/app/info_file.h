#pragma once

#include "message.h"

#include "colour_text.h"
#include "decimal_format.h"

#include <QString>
#include <QStringList>

#include <array>

// One parameter set of the table surface view as Info_A.ini stores it: every value multiplied
// by 100 (so "-100" is -1.0). Keeping the stored form makes an unchanged file round-trip exactly.
struct SurfaceViewTimes100 {
    double ry = 0;
    double rx = 0;
    double rz = 0;
    double vLeft = -100;
    double vRight = 100;
    double vBottom = -100;
    double vTop = 100;

    bool operator==(const SurfaceViewTimes100&) const = default;
};

// The same set as the surface view uses it: single precision, not scaled.
struct SurfaceViewParameters {
    float ry = 0;
    float rx = 0;
    float rz = 0;
    float vLeft = -1;
    float vRight = 1;
    float vBottom = -1;
    float vTop = 1;

    bool operator==(const SurfaceViewParameters&) const = default;
};

SurfaceViewParameters ToSurfaceViewParameters(const SurfaceViewTimes100& stored);
// Rounds to single precision so a value the view never changed is written as it was read.
SurfaceViewTimes100 ToSurfaceViewTimes100(const SurfaceViewParameters& parameters);

enum class CorrectionBasis {
    Maf,           // "Напряжение от MAF" (atb_KorrTab_MAF)
    InjectionTime, // "Время впрыска" (atb_KorrTab_VV); stored as "VVV"
};

// The chart channel colours in the order of Color01 .. Color11.
inline constexpr int kInfoColourCount = 11;
// Color09 is not applied: it is written with the colour of Color08 (atb_T_Color).
inline constexpr int kUnusedColourIndex = 8;

// The content of Info_A.ini, line by line. Defaults are the values the controls were designed
// with; the texts are kept as texts because the controls hold them as typed.
struct InfoSettings {
    // 1 Enum_Com_Ports_prev: ports listed at start-up of the run that wrote the file.
    int portCountAtStart = 0;
    // 2 Index_COM_Port: selected index in cbPort. (3 Index_K is reserved, always written 0.)
    int portIndex = 0;
    // 4 Index_V_Graf: item of cb_Int_Graf_In ("0,2", "0,25", "0,5", "1,0", "1,5", "2,0").
    int graphIntervalIndex = 1;
    // 5 Diapazone: Ed_Limit.
    QString deviationLimit = QStringLiteral("20");
    // 6 Index_TypeInput: "0" continuous (atb_Type_Graf_Nepr), "1" page (atb_Type_Graf_Page).
    QString chartMode = QStringLiteral("0");
    // 7 Enum_Page: Edit_Width_Page_Graf.
    QString pageWidth = QStringLiteral("10");
    // 8, 9 Type_In_WidthLine_ZOND1/2: CheckBox_D1, CheckBox_D2 ("1" or "0"); written only.
    QString wideLineProbe1 = QStringLiteral("0");
    QString wideLineProbe2 = QStringLiteral("0");
    // 10 Type_In_RashTo: "0" atb_RT_TCNorma in front, anything else atb_RT_TCAverage.
    QString fuelConsumptionFront = QStringLiteral("0");
    // 11..17 ry_MAF .. vTop_MAF and 18..24 ry_Lambda .. vTop_Lambda.
    SurfaceViewTimes100 surfaceMaf;
    SurfaceViewTimes100 surfaceLambda;
    // 25 Enum_YellowPoints: Ed_Num_Yellow_Points.
    QString yellowPointCount = QStringLiteral("10");
    // 26 language: the name in scbx_LangDriver; empty for none.
    QString language;
    // 27..37 Color01 .. Color11: atb_TVT_Color, atb_RTopl_Color, atb_U_analog_Color, atb_RT_Color,
    // atb_RTT_Color, atb_DP_Color, atb_II_Color, atb_T_Color, (unused), atb_PVK_Color,
    // atb_Per4_imp_Color.
    // The designed colours of the channels (0x00BBGGRR); Color09 repeats Color08.
    std::array<ColourValue, kInfoColourCount> chartColours{
        0x0000FFFF, 0x000000FF, 0x00FFFF00, 0x00800080, 0x0000FF00, 0x004080FF,
        0x00FF8080, 0x008000FF, 0x008000FF, 0x00BB6739, 0x002828FF};
    // 38: reserved; only its first character is kept (empty for an empty line).
    QString reservedLine38 = QStringLiteral("0");
    // 39 Filter 3D: "y" checks rb_Filter3D_On, anything else rb_Filter3D_Off.
    bool filter3DOn = false;
    // 40 Correction 3D: "VVV" before the "=" is the injection-time basis, anything else MAF.
    CorrectionBasis correctionBasis = CorrectionBasis::Maf;
    // 41..44 LMAX=, LMIN=, RMAX=, RMIN=: sEd_AxLeft_Max, sEd_AxLeft_Min, sEd_AxRight_Max,
    // sEd_AxRight_Min.
    QString leftAxisMax = QStringLiteral("10");
    QString leftAxisMin = QStringLiteral("0");
    QString rightAxisMax = QStringLiteral("5000");
    QString rightAxisMin = QStringLiteral("0");

    bool operator==(const InfoSettings&) const = default;
};

inline constexpr int kInfoFileLineCount = 44;
inline constexpr auto kInfoFileName = "Info_A.ini";
// 44 short lines: a file longer than this is not one the program wrote, and only this much of it
// is read.
inline constexpr qint64 kInfoFileMaxBytes = 16 * 1024;
// Chosen when there is no Info_A.ini yet, if a language of that name is installed.
inline constexpr auto kDefaultLanguageName = "Russian";

struct InfoFileContent {
    InfoSettings settings;
    // One message per line that could not be used (naming the file and the line); such a value
    // keeps its default and the rest of the file is still read.
    QList<Message> problems;
    // There was no file: the defaults are used, with language kDefaultLanguageName. Not a problem.
    bool fileMissing = false;
};

// Reads the 44 lines by position. fileName is the name used in the messages.
InfoFileContent ParseInfoLines(const QStringList& lines, const QString& fileName,
                               const DecimalFormat& decimals);
InfoFileContent ReadInfoFile(const QString& path, const DecimalFormat& decimals);

QStringList InfoFileLines(const InfoSettings& settings, const DecimalFormat& decimals);
// Returns an error naming the file, or empty.
[[nodiscard]] QString WriteInfoFile(const QString& path, const InfoSettings& settings,
                                    const DecimalFormat& decimals);

// Lines 1 and 2 count only the ports the system lists; device paths typed by hand (or given with
// --port) are listed after them in the port box and never counted. The saved index is the
// selected port's when it is a listed one, otherwise 0 (the first port at the next start).
int SavedPortIndex(int selectedIndex, int listedPortsInBox);
// Start-up step 16: the saved index when both lines are at least 1 and the count equals the
// ports listed now; otherwise 0.
int StartPortIndex(int savedCount, int savedIndex, int listedCountNow);
