#include "info_file.h"
#include "languages.h"
#include "text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestInfoFile : public QObject {
    Q_OBJECT
private slots:
    void designedDefaults();
    void sampleFileIsRead();
    void programWrittenFileRoundTrips_data();
    void programWrittenFileRoundTrips();
    void rewriteKeepsLine38FirstCharacterAndRepeatsColor08();
    void decimalsReadWithEitherSeparator_data();
    void decimalsReadWithEitherSeparator();
    void missingFileGivesDefaultsAndRussian();
    void shortFileNamesFirstMissingLine();
    void emptyFile();
    void malformedLineKeepsDefault_data();
    void malformedLineKeepsDefault();
    void extraLinesIgnored();
    void filterLine_data();
    void filterLine();
    void correctionLine_data();
    void correctionLine();
    void axisLines_data();
    void axisLines();
    void valueLinesCutByKeyLength_data();
    void valueLinesCutByKeyLength();
    void colourToText_data();
    void colourToText();
    void colourFromText_data();
    void colourFromText();
    void surfaceViewConversion();
    void writeFailureNamesFile();
    void savedPortIndex_data();
    void savedPortIndex();
    void startPortIndex_data();
    void startPortIndex();

private:
    QTemporaryDir m_dir;
};

// A file as a run of the program with a comma separator leaves it.
static QStringList SampleLines() {
    return {"3=Enum_Com_Ports_prev",
            "2=Index_COM_Port",
            "0=Index_K",
            "3=Index_V_Graf",
            "15=Diapazone",
            "1=Index_TypeInput",
            "20=Enum_Page",
            "1=Type_In_WidthLine_ZOND1",
            "0=Type_In_WidthLine_ZOND2",
            "1=Type_In_RashTo",
            "35=ry_MAF",
            "-12,5=rx_MAF",
            "0=rz_MAF",
            "-150=vLeft_MAF",
            "150=vRight_MAF",
            "-100=vBottom_MAF",
            "100=vTop_MAF",
            "10=ry_Lambda",
            "20=rx_Lambda",
            "30,25=rz_Lambda",
            "-100=vLeft_Lambda",
            "100=vRight_Lambda",
            "-100=vBottom_Lambda",
            "100=vTop_Lambda",
            "25=Enum_YellowPoints",
            "English=language",
            "clRed=Color01",
            "clBlue=Color02",
            "$0080FF40=Color03",
            "clGreen=Color04",
            "clFuchsia=Color05",
            "clBlack=Color06",
            "clNavy=Color07",
            "clTeal=Color08",
            "clTeal=Color09",
            "clPurple=Color10",
            "$00123456=Color11",
            "5",
            "y=Filter 3D",
            "VVV=Correction 3D",
            "LMAX=12,5",
            "LMIN=-1",
            "RMAX=6000",
            "RMIN=0"};
}

static QStringList WithSeparator(QStringList lines, QChar separator) {
    // Only the decimals of lines 11 to 24 follow the separator; the axis texts are kept as typed.
    for (int i = 10; i < 24; ++i)
        lines[i].replace(u',', separator);
    return lines;
}

static InfoFileContent Parse(const QStringList& lines, QChar separator = u',') {
    return ParseInfoLines(lines, QStringLiteral("/work/Info_A.ini"), DecimalFormat(separator));
}

void TestInfoFile::designedDefaults() {
    const InfoSettings s;
    QCOMPARE(s.leftAxisMin, QString("0"));
    QCOMPARE(s.leftAxisMax, QString("10"));
    QCOMPARE(s.rightAxisMin, QString("0"));
    QCOMPARE(s.rightAxisMax, QString("5000"));
    QCOMPARE(s.correctionBasis, CorrectionBasis::Maf);
    QCOMPARE(s.filter3DOn, false);
    QCOMPARE(s.language, QString());
    QCOMPARE(s.surfaceMaf, (SurfaceViewTimes100{0, 0, 0, -100, 100, -100, 100}));
    QCOMPARE(s.surfaceLambda, s.surfaceMaf);
    QCOMPARE(ToSurfaceViewParameters(s.surfaceMaf), (SurfaceViewParameters{0, 0, 0, -1, 1, -1, 1}));
    QCOMPARE(s.graphIntervalIndex, 1);
    QCOMPARE(s.deviationLimit, QString("20"));
    QCOMPARE(s.chartMode, QString("0"));
    QCOMPARE(s.pageWidth, QString("10"));
    QCOMPARE(s.yellowPointCount, QString("10"));
    QCOMPARE(s.chartColours[kUnusedColourIndex], s.chartColours[kUnusedColourIndex - 1]);
    // The channels are told apart by colour.
    for (int i = 0; i < kInfoColourCount; ++i) {
        for (int j = i + 1; j < kInfoColourCount; ++j) {
            if (i != kUnusedColourIndex && j != kUnusedColourIndex)
                QVERIFY2(s.chartColours[i] != s.chartColours[j],
                         qPrintable(QString("%1 %2").arg(i).arg(j)));
        }
    }
}

void TestInfoFile::sampleFileIsRead() {
    const InfoFileContent content = Parse(SampleLines());
    QVERIFY(content.problems.isEmpty());
    QVERIFY(!content.fileMissing);
    const InfoSettings& s = content.settings;
    QCOMPARE(s.portCountAtStart, 3);
    QCOMPARE(s.portIndex, 2);
    QCOMPARE(s.graphIntervalIndex, 3);
    QCOMPARE(s.deviationLimit, QString("15"));
    QCOMPARE(s.chartMode, QString("1"));
    QCOMPARE(s.pageWidth, QString("20"));
    QCOMPARE(s.wideLineProbe1, QString("1"));
    QCOMPARE(s.wideLineProbe2, QString("0"));
    QCOMPARE(s.fuelConsumptionFront, QString("1"));
    QCOMPARE(s.surfaceMaf, (SurfaceViewTimes100{35, -12.5, 0, -150, 150, -100, 100}));
    QCOMPARE(s.surfaceLambda, (SurfaceViewTimes100{10, 20, 30.25, -100, 100, -100, 100}));
    const SurfaceViewParameters maf = ToSurfaceViewParameters(s.surfaceMaf);
    QCOMPARE(maf.ry, 0.35f);
    QCOMPARE(maf.rx, -0.125f);
    QCOMPARE(maf.vLeft, -1.5f);
    QCOMPARE(s.yellowPointCount, QString("25"));
    QCOMPARE(s.language, QString("English"));
    using namespace colours;
    const std::array<ColourValue, kInfoColourCount> expectedColours{
        clRed,  clBlue, 0x0080FF40, clGreen,  clFuchsia, clBlack,
        clNavy, clTeal, clTeal,     clPurple, 0x00123456};
    QCOMPARE(s.chartColours, expectedColours);
    QCOMPARE(s.reservedLine38, QString("5"));
    QCOMPARE(s.filter3DOn, true);
    QCOMPARE(s.correctionBasis, CorrectionBasis::InjectionTime);
    QCOMPARE(s.leftAxisMax, QString("12,5"));
    QCOMPARE(s.leftAxisMin, QString("-1"));
    QCOMPARE(s.rightAxisMax, QString("6000"));
    QCOMPARE(s.rightAxisMin, QString("0"));
}

void TestInfoFile::programWrittenFileRoundTrips_data() {
    QTest::addColumn<QChar>("separator");
    QTest::newRow("comma") << QChar(u',');
    QTest::newRow("point") << QChar(u'.');
}

void TestInfoFile::programWrittenFileRoundTrips() {
    QFETCH(QChar, separator);
    const DecimalFormat decimals(separator);
    const QStringList lines = WithSeparator(SampleLines(), separator);
    const InfoFileContent first = Parse(lines, separator);
    QVERIFY(first.problems.isEmpty());

    // Starting and closing without changes rewrites the same 44 lines.
    QCOMPARE(InfoFileLines(first.settings, decimals), lines);

    const QString path = m_dir.filePath(QStringLiteral("Info_A_%1.ini").arg(separator));
    QCOMPARE(WriteInfoFile(path, first.settings, decimals), QString());
    const InfoFileContent second = ReadInfoFile(path, decimals);
    QVERIFY(second.problems.isEmpty());
    QCOMPARE(second.settings, first.settings);
    QCOMPARE(ReadTextFile(path).lines, lines);

    // The defaults round-trip as well.
    QCOMPARE(Parse(InfoFileLines(InfoSettings{}, decimals), separator).settings, InfoSettings{});
}

void TestInfoFile::rewriteKeepsLine38FirstCharacterAndRepeatsColor08() {
    QStringList lines = SampleLines();
    lines[34] = "clLime=Color09";
    lines[37] = "7 and the rest";
    const InfoFileContent content = Parse(lines);
    QVERIFY(content.problems.isEmpty());
    QCOMPARE(content.settings.reservedLine38, QString("7"));
    const QStringList rewritten = InfoFileLines(content.settings, DecimalFormat(u','));
    QCOMPARE(rewritten.size(), kInfoFileLineCount);
    QCOMPARE(rewritten[33], QString("clTeal=Color08"));
    QCOMPARE(rewritten[34], QString("clTeal=Color09"));
    QCOMPARE(rewritten[37], QString("7"));

    lines[37] = "";
    QCOMPARE(InfoFileLines(Parse(lines).settings, DecimalFormat(u','))[37], QString(""));
}

void TestInfoFile::decimalsReadWithEitherSeparator_data() {
    QTest::addColumn<QChar>("writtenWith");
    QTest::addColumn<QChar>("readWith");
    QTest::newRow("point file, comma system") << QChar(u'.') << QChar(u',');
    QTest::newRow("comma file, point system") << QChar(u',') << QChar(u'.');
    QTest::newRow("comma file, comma system") << QChar(u',') << QChar(u',');
    QTest::newRow("point file, point system") << QChar(u'.') << QChar(u'.');
}

void TestInfoFile::decimalsReadWithEitherSeparator() {
    QFETCH(QChar, writtenWith);
    QFETCH(QChar, readWith);
    const InfoFileContent content = Parse(WithSeparator(SampleLines(), writtenWith), readWith);
    QVERIFY(content.problems.isEmpty());
    QCOMPARE(content.settings.surfaceMaf.rx, -12.5);
    QCOMPARE(content.settings.surfaceLambda.rz, 30.25);
    // Written back with the reading system's separator.
    const QStringList rewritten = InfoFileLines(content.settings, DecimalFormat(readWith));
    QCOMPARE(rewritten[11], "-12" + QString(readWith) + "5=rx_MAF");
}

void TestInfoFile::missingFileGivesDefaultsAndRussian() {
    const InfoFileContent content =
        ReadInfoFile(m_dir.filePath("nothing here/Info_A.ini"), DecimalFormat(u','));
    QVERIFY(content.fileMissing);
    QVERIFY(content.problems.isEmpty());
    InfoSettings expected;
    expected.language = "Russian";
    QCOMPARE(content.settings, expected);
}

void TestInfoFile::shortFileNamesFirstMissingLine() {
    const QStringList lines = SampleLines().mid(0, 30);
    const InfoFileContent content = Parse(lines);
    QCOMPARE(content.problems.size(), 1);
    const QString message = EnglishText(content.problems.first());
    QVERIFY2(message.contains("Info_A.ini") && message.contains("line 31"), qPrintable(message));
    // What is there is read, the rest keeps its defaults.
    QCOMPARE(content.settings.language, QString("English"));
    QCOMPARE(content.settings.chartColours[3], colours::clGreen);
    QCOMPARE(content.settings.chartColours[4], InfoSettings{}.chartColours[4]);
    QCOMPARE(content.settings.correctionBasis, CorrectionBasis::Maf);
    QCOMPARE(content.settings.leftAxisMax, QString("10"));
    QCOMPARE(content.settings.rightAxisMax, QString("5000"));
}

void TestInfoFile::emptyFile() {
    const QString path = m_dir.filePath("empty/Info_A.ini");
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const InfoFileContent content = ReadInfoFile(path, DecimalFormat(u','));
    QVERIFY(!content.fileMissing);
    QCOMPARE(content.problems.size(), 1);
    QVERIFY(EnglishText(content.problems.first()).contains("line 1:"));
    QCOMPARE(content.settings, InfoSettings{});
}

void TestInfoFile::malformedLineKeepsDefault_data() {
    QTest::addColumn<int>("lineNumber");
    QTest::addColumn<QString>("line");
    QTest::newRow("port count not a number") << 1 << "x=Enum_Com_Ports_prev";
    QTest::newRow("port index empty") << 2 << "=Index_COM_Port";
    QTest::newRow("reserved integer") << 3 << "?=Index_K";
    QTest::newRow("interval index decimal") << 4 << "1,5=Index_V_Graf";
    QTest::newRow("line shorter than its key") << 4 << "3";
    QTest::newRow("rotation not a number") << 12 << "abc=rx_MAF";
    QTest::newRow("view volume empty") << 24 << "=vTop_Lambda";
    QTest::newRow("unknown colour name") << 27 << "clRose=Color01";
    QTest::newRow("bad hex colour") << 37 << "$12345678Z=Color11";
    QTest::newRow("colour too long") << 30 << "$123456789=Color04";
}

void TestInfoFile::malformedLineKeepsDefault() {
    QFETCH(int, lineNumber);
    QFETCH(QString, line);
    QStringList lines = SampleLines();
    lines[lineNumber - 1] = line;
    const InfoFileContent content = Parse(lines);

    QCOMPARE(content.problems.size(), 1);
    const QString message = EnglishText(content.problems.first());
    QVERIFY2(message.contains("Info_A.ini"), qPrintable(message));
    QVERIFY2(message.contains(QString("line %1:").arg(lineNumber)), qPrintable(message));

    // Only that value falls back to its default; everything after it is still read.
    const DecimalFormat decimals(u',');
    QStringList expected = SampleLines();
    expected[lineNumber - 1] = InfoFileLines(InfoSettings{}, decimals)[lineNumber - 1];
    QCOMPARE(InfoFileLines(content.settings, decimals), expected);
}

void TestInfoFile::extraLinesIgnored() {
    const InfoFileContent content = Parse(SampleLines() << "more"
                                                        << "and more");
    QVERIFY(content.problems.isEmpty());
    QCOMPARE(content.settings, Parse(SampleLines()).settings);
}

void TestInfoFile::filterLine_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("on");
    QTest::newRow("y") << "y=Filter 3D" << true;
    QTest::newRow("n") << "n=Filter 3D" << false;
    QTest::newRow("only the first character counts") << "yes" << true;
    QTest::newRow("upper case Y is other") << "Y=Filter 3D" << false;
    QTest::newRow("other") << "1=Filter 3D" << false;
    QTest::newRow("empty") << "" << false;
}

void TestInfoFile::filterLine() {
    QFETCH(QString, line);
    QFETCH(bool, on);
    QStringList lines = SampleLines();
    lines[38] = line;
    const InfoFileContent content = Parse(lines);
    QVERIFY(content.problems.isEmpty());
    QCOMPARE(content.settings.filter3DOn, on);
    QCOMPARE(InfoFileLines(content.settings, DecimalFormat(u','))[38],
             on ? QString("y=Filter 3D") : QString("n=Filter 3D"));
}

void TestInfoFile::correctionLine_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("injectionTime");
    QTest::newRow("VVV") << "VVV=Correction 3D" << true;
    QTest::newRow("MAF") << "MAF=Correction 3D" << false;
    QTest::newRow("key before the first =") << "VVV=x=y" << true;
    QTest::newRow("lower case vvv is other") << "vvv=Correction 3D" << false;
    QTest::newRow("VVVV is other") << "VVVV=Correction 3D" << false;
    QTest::newRow("anything else") << "MAP=Correction 3D" << false;
    QTest::newRow("empty") << "" << false;
}

void TestInfoFile::correctionLine() {
    QFETCH(QString, line);
    QFETCH(bool, injectionTime);
    QStringList lines = SampleLines();
    lines[39] = line;
    const InfoFileContent content = Parse(lines);
    QVERIFY(content.problems.isEmpty());
    QCOMPARE(content.settings.correctionBasis,
             injectionTime ? CorrectionBasis::InjectionTime : CorrectionBasis::Maf);
    QCOMPARE(InfoFileLines(content.settings, DecimalFormat(u','))[39],
             injectionTime ? QString("VVV=Correction 3D") : QString("MAF=Correction 3D"));
}

void TestInfoFile::axisLines_data() {
    QTest::addColumn<int>("lineNumber");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("text");
    QTest::newRow("LMAX") << 41 << "LMAX=12,5"
                          << "12,5";
    QTest::newRow("LMIN with point") << 42 << "LMIN=-0.5"
                                     << "-0.5";
    QTest::newRow("RMAX") << 43 << "RMAX=6000"
                          << "6000";
    QTest::newRow("RMIN empty") << 44 << "RMIN="
                                << "";
    QTest::newRow("key not checked") << 41 << "XYZW=7"
                                     << "7";
    QTest::newRow("from the 6th character") << 42 << "LMIN==3"
                                            << "=3";
    QTest::newRow("blanks kept") << 43 << "RMAX= 80 "
                                 << " 80 ";
    QTest::newRow("short line") << 44 << "RMIN"
                                << "";
}

void TestInfoFile::axisLines() {
    QFETCH(int, lineNumber);
    QFETCH(QString, line);
    QFETCH(QString, text);
    QStringList lines = SampleLines();
    lines[lineNumber - 1] = line;
    const InfoFileContent content = Parse(lines);
    QVERIFY(content.problems.isEmpty());
    const QString axisTexts[4] = {content.settings.leftAxisMax, content.settings.leftAxisMin,
                                  content.settings.rightAxisMax, content.settings.rightAxisMin};
    QCOMPARE(axisTexts[lineNumber - 41], text);
    const QString keys[4] = {"LMAX=", "LMIN=", "RMAX=", "RMIN="};
    QCOMPARE(InfoFileLines(content.settings, DecimalFormat(u','))[lineNumber - 1],
             keys[lineNumber - 41] + text);
}

void TestInfoFile::valueLinesCutByKeyLength_data() {
    QTest::addColumn<int>("lineNumber");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("value");
    QTest::newRow("limit") << 5 << "15=Diapazone"
                           << "15";
    QTest::newRow("key spelled differently, same length") << 5 << "15=DIAPAZONE"
                                                          << "15";
    QTest::newRow("value with =") << 7 << "a=b=Enum_Page"
                                  << "a=b";
    QTest::newRow("language with blank") << 26 << "Русский язык=language"
                                         << "Русский язык";
    QTest::newRow("empty language") << 26 << "=language"
                                    << "";
    QTest::newRow("shorter than key") << 25 << "5"
                                      << "";
}

void TestInfoFile::valueLinesCutByKeyLength() {
    QFETCH(int, lineNumber);
    QFETCH(QString, line);
    QFETCH(QString, value);
    QStringList lines = SampleLines();
    lines[lineNumber - 1] = line;
    const InfoSettings s = Parse(lines).settings;
    const QString actual = lineNumber == 5    ? s.deviationLimit
                           : lineNumber == 7  ? s.pageWidth
                           : lineNumber == 25 ? s.yellowPointCount
                                              : s.language;
    QCOMPARE(actual, value);
}

void TestInfoFile::colourToText_data() {
    QTest::addColumn<uint>("colour");
    QTest::addColumn<QString>("text");
    using namespace colours;
    QTest::newRow("clBlack") << uint(clBlack) << "clBlack";
    QTest::newRow("clMaroon") << uint(clMaroon) << "clMaroon";
    QTest::newRow("clGreen") << uint(clGreen) << "clGreen";
    QTest::newRow("clOlive") << uint(clOlive) << "clOlive";
    QTest::newRow("clNavy") << uint(clNavy) << "clNavy";
    QTest::newRow("clPurple") << uint(clPurple) << "clPurple";
    QTest::newRow("clTeal") << uint(clTeal) << "clTeal";
    QTest::newRow("clGray") << uint(clGray) << "clGray";
    QTest::newRow("clSilver") << uint(clSilver) << "clSilver";
    QTest::newRow("clRed is 0x0000FF") << 0x0000FFu << "clRed";
    QTest::newRow("clLime") << uint(clLime) << "clLime";
    QTest::newRow("clYellow") << uint(clYellow) << "clYellow";
    QTest::newRow("clBlue is 0xFF0000") << 0xFF0000u << "clBlue";
    QTest::newRow("clFuchsia") << uint(clFuchsia) << "clFuchsia";
    QTest::newRow("clAqua") << uint(clAqua) << "clAqua";
    QTest::newRow("clWhite") << uint(clWhite) << "clWhite";
    QTest::newRow("clMoneyGreen") << 0xC0DCC0u << "clMoneyGreen";
    QTest::newRow("clSkyBlue") << 0xF0CAA6u << "clSkyBlue";
    QTest::newRow("clCream") << 0xF0FBFFu << "clCream";
    QTest::newRow("clMedGray") << 0xA4A0A0u << "clMedGray";
    QTest::newRow("other as hex") << 0x0080FF40u << "$0080FF40";
    QTest::newRow("small hex padded") << 0x000001u << "$00000001";
    QTest::newRow("high byte kept") << 0xFF00000Fu << "$FF00000F";
}

void TestInfoFile::colourToText() {
    QFETCH(uint, colour);
    QFETCH(QString, text);
    QCOMPARE(ColourToText(colour), text);
    QCOMPARE(ColourFromText(text).value_or(0xDEADBEEF), colour);
}

void TestInfoFile::colourFromText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<uint>("colour");
    QTest::newRow("name any case") << "CLRED" << true << 0x0000FFu;
    QTest::newRow("lower-case hex") << "$00c0ffee" << true << 0x00C0FFEEu;
    QTest::newRow("short hex") << "$FF" << true << 0xFFu;
    QTest::newRow("decimal") << "255" << true << 0xFFu;
    QTest::newRow("blanks around") << " clNavy " << true << 0x800000u;
    QTest::newRow("unknown name") << "clRose" << false << 0u;
    QTest::newRow("empty") << "" << false << 0u;
    QTest::newRow("bare $") << "$" << false << 0u;
    QTest::newRow("nine hex digits") << "$123456789" << false << 0u;
    QTest::newRow("not hex") << "$12G" << false << 0u;
    QTest::newRow("negative") << "-1" << false << 0u;
}

void TestInfoFile::colourFromText() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(uint, colour);
    const std::optional<ColourValue> parsed = ColourFromText(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, colour);
}

void TestInfoFile::surfaceViewConversion() {
    SurfaceViewParameters parameters;
    parameters.ry = 0.35f;
    parameters.rx = -12.5f;
    parameters.vTop = 1.1f;
    const SurfaceViewTimes100 stored = ToSurfaceViewTimes100(parameters);
    const DecimalFormat comma(u',');
    QCOMPARE(comma.format(stored.ry), QString("35"));
    QCOMPARE(comma.format(stored.rx), QString("-1250"));
    QCOMPARE(comma.format(stored.vTop), QString("110"));
    QCOMPARE(ToSurfaceViewParameters(stored), parameters);
    QCOMPARE(ToSurfaceViewTimes100(SurfaceViewParameters{}), SurfaceViewTimes100{});
}

void TestInfoFile::writeFailureNamesFile() {
    const QString path = m_dir.filePath("missing folder/Info_A.ini");
    const QString error = WriteInfoFile(path, InfoSettings{}, DecimalFormat(u','));
    QVERIFY2(error.contains("Info_A.ini"), qPrintable(error));
}

void TestInfoFile::savedPortIndex_data() {
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("listed");
    QTest::addColumn<int>("saved");
    QTest::newRow("listed port") << 1 << 2 << 1;
    QTest::newRow("first listed port") << 0 << 1 << 0;
    QTest::newRow("typed path after the listed one") << 1 << 1 << 0;
    QTest::newRow("typed path, nothing listed") << 0 << 0 << 0;
    QTest::newRow("nothing selected") << -1 << 3 << 0;
}

void TestInfoFile::savedPortIndex() {
    QFETCH(int, selected);
    QFETCH(int, listed);
    QFETCH(int, saved);
    QCOMPARE(SavedPortIndex(selected, listed), saved);
}

void TestInfoFile::startPortIndex_data() {
    QTest::addColumn<int>("savedCount");
    QTest::addColumn<int>("savedIndex");
    QTest::addColumn<int>("listedNow");
    QTest::addColumn<int>("index");
    QTest::newRow("same ports") << 3 << 2 << 3 << 2;
    QTest::newRow("a port added") << 3 << 2 << 4 << 0;
    QTest::newRow("count 0") << 0 << 2 << 0 << 0;
    QTest::newRow("index 0") << 3 << 0 << 3 << 0;
    QTest::newRow("index beyond the list (older file)") << 1 << 1 << 1 << 0;
}

void TestInfoFile::startPortIndex() {
    QFETCH(int, savedCount);
    QFETCH(int, savedIndex);
    QFETCH(int, listedNow);
    QFETCH(int, index);
    QCOMPARE(StartPortIndex(savedCount, savedIndex, listedNow), index);
}

QTEST_APPLESS_MAIN(TestInfoFile)
#include "tst_info_file.moc"
