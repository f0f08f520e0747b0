#include "config_file.h"
#include "languages.h"
#include "text_file.h"

#include <QTemporaryDir>
#include <QTest>

class TestConfigFile : public QObject {
    Q_OBJECT
private slots:
    void codesInFileOrder();
    void defaults();
    void fileRoundTrips();
    void flagsFromSeventhCharacter_data();
    void flagsFromSeventhCharacter();
    void malformedLineNamesFileAndLine_data();
    void malformedLineNamesFileAndLine();
    void shortFile();
    void missingFile();
    void parameterFlags_data();
    void parameterFlags();
    void selectionFromFlags();
    void sensorPairCode_data();
    void sensorPairCode();
    void unknownSensorKeepsPreviousFirstLetter();
    void storeUnderMatchingCode();
    void storeUnderCodeOfPreviousDisconnect();
    void storeNowhereBeforeAnyMatch();
    void setFlagsRefusesUnknownCode();

private:
    QTemporaryDir m_dir;
};

Q_DECLARE_METATYPE(ChartParameterSelection)

static const QString kFileName = QStringLiteral("/work/Config_A.ini");

static QStringList SampleLines() {
    QStringList lines;
    int i = 0;
    for (const QString& code : ParameterFlagsTable::Codes()) {
        // A different pattern per line, so a line read into the wrong code shows.
        QString flags = QString::number(i * 73 + 5, 2).rightJustified(11, u'0').right(11);
        lines.append(code + u'=' + flags);
        ++i;
    }
    return lines;
}

void TestConfigFile::codesInFileOrder() {
    const QStringList expected{"WWWWA", "WWWWC", "ZSWWA", "ZSWWC", "ZOWWA", "ZOWWC",
                               "WWZSA", "WWZSC", "WWZOA", "WWZOC", "ZSZSA", "ZSZSC",
                               "ZSZOA", "ZSZOC", "ZOZSA", "ZOZSC", "ZOZOA", "ZOZOC"};
    QCOMPARE(ParameterFlagsTable::Codes(), expected);
}

void TestConfigFile::defaults() {
    const ParameterFlagsTable table;
    for (const QString& code : ParameterFlagsTable::Codes())
        QCOMPARE(table.flags(code), QString("11111111011"));
    QCOMPARE(table.lines().first(), QString("WWWWA=11111111011"));
    QCOMPARE(table.lines().size(), kSensorPairCodeCount);
}

void TestConfigFile::fileRoundTrips() {
    const ConfigFileContent content = ParseConfigLines(SampleLines(), kFileName);
    QVERIFY(content.problems.isEmpty());
    QCOMPARE(content.table.lines(), SampleLines());

    const QString path = m_dir.filePath("Config_A.ini");
    QCOMPARE(WriteConfigFile(path, content.table), QString());
    QCOMPARE(ReadTextFile(path).lines, SampleLines());
    const ConfigFileContent reread = ReadConfigFile(path);
    QVERIFY(!reread.fileMissing);
    QVERIFY(reread.problems.isEmpty());
    QVERIFY(reread.table == content.table);
}

void TestConfigFile::flagsFromSeventhCharacter_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("flags");
    QTest::newRow("own code") << "WWWWA=10000000001"
                              << "10000000001";
    QTest::newRow("first six characters not looked at") << "xyz#?!01010101010"
                                                        << "01010101010";
    QTest::newRow("another code's line") << "ZOZOC=00000000000"
                                         << "00000000000";
    QTest::newRow("trailing characters ignored") << "WWWWA=11000000000 "
                                                 << "11000000000";
}

void TestConfigFile::flagsFromSeventhCharacter() {
    QFETCH(QString, line);
    QFETCH(QString, flags);
    QStringList lines = SampleLines();
    lines[0] = line;
    const ConfigFileContent content = ParseConfigLines(lines, kFileName);
    QVERIFY(content.problems.isEmpty());
    QCOMPARE(content.table.flags("WWWWA"), flags);
    QCOMPARE(content.table.lines().first(), "WWWWA=" + flags);
}

void TestConfigFile::malformedLineNamesFileAndLine_data() {
    QTest::addColumn<int>("lineNumber");
    QTest::addColumn<QString>("line");
    QTest::newRow("too short") << 3 << "ZSWWA=1111";
    QTest::newRow("empty") << 5 << "";
    QTest::newRow("not a flag") << 18 << "ZOZOC=1111111x011";
}

void TestConfigFile::malformedLineNamesFileAndLine() {
    QFETCH(int, lineNumber);
    QFETCH(QString, line);
    QStringList lines = SampleLines();
    lines[lineNumber - 1] = line;
    const ConfigFileContent content = ParseConfigLines(lines, kFileName);
    QCOMPARE(content.problems.size(), 1);
    const QString message = EnglishText(content.problems.first());
    QVERIFY2(message.contains("Config_A.ini"), qPrintable(message));
    QVERIFY2(message.contains(QString("line %1:").arg(lineNumber)), qPrintable(message));

    QStringList expected = SampleLines();
    expected[lineNumber - 1] = ParameterFlagsTable::Codes().at(lineNumber - 1) + "=11111111011";
    QCOMPARE(content.table.lines(), expected);
}

void TestConfigFile::shortFile() {
    const ConfigFileContent content = ParseConfigLines(SampleLines().mid(0, 10), kFileName);
    QCOMPARE(content.problems.size(), 1);
    QVERIFY2(EnglishText(content.problems.first()).contains("line 11:"),
             qPrintable(EnglishText(content.problems.first())));
    QCOMPARE(content.table.lines().mid(0, 10), SampleLines().mid(0, 10));
    QCOMPARE(content.table.flags("ZSZSA"), QString("11111111011"));
}

void TestConfigFile::missingFile() {
    const ConfigFileContent content = ReadConfigFile(m_dir.filePath("absent/Config_A.ini"));
    QVERIFY(content.fileMissing);
    QVERIFY(content.problems.isEmpty());
    QVERIFY(content.table == ParameterFlagsTable());
}

void TestConfigFile::parameterFlags_data() {
    QTest::addColumn<ChartParameterSelection>("selection");
    QTest::addColumn<QString>("flags");
    ChartParameterSelection none;
    ChartParameterSelection all{true, true, true, true, true, true, true, true, true, true};
    ChartParameterSelection first;
    first.cb_T_vpryska_topl = true;
    ChartParameterSelection last;
    last.cb_Per4_imp = true;
    ChartParameterSelection pvk;
    pvk.cb_PVK = true;
    ChartParameterSelection some;
    some.cb_RashTopl = true;
    some.cb_RTT = true;
    some.cb_T = true;
    QTest::newRow("none") << none << "00000000000";
    QTest::newRow("all, position 9 stays 0") << all << "11111111011";
    QTest::newRow("cb_T_vpryska_topl is 1") << first << "10000000000";
    QTest::newRow("cb_Per4_imp is 11") << last << "00000000001";
    QTest::newRow("cb_PVK is 10") << pvk << "00000000010";
    QTest::newRow("cb_RashTopl, cb_RTT, cb_T") << some << "01001001000";
}

void TestConfigFile::parameterFlags() {
    QFETCH(ChartParameterSelection, selection);
    QFETCH(QString, flags);
    QCOMPARE(ParameterFlags(selection), flags);
    QVERIFY(SelectionFromFlags(flags) == selection);
}

void TestConfigFile::selectionFromFlags() {
    // Position 9 means nothing; a short text leaves the missing positions unticked.
    QVERIFY(SelectionFromFlags("00000000100") == ChartParameterSelection{});
    ChartParameterSelection first;
    first.cb_T_vpryska_topl = true;
    QVERIFY(SelectionFromFlags("1") == first);
}

void TestConfigFile::sensorPairCode_data() {
    QTest::addColumn<QString>("sensor1");
    QTest::addColumn<QString>("sensor2");
    QTest::addColumn<QString>("code");
    const QString zirconia = QStringLiteral("Циркониевый");
    const QString wideband = QStringLiteral("Широкополосный");
    QTest::newRow("zirconia, zirconia") << zirconia << zirconia << "ZOZOA";
    QTest::newRow("zirconia, wideband") << zirconia << wideband << "ZOWWA";
    QTest::newRow("wideband, zirconia") << wideband << zirconia << "WWZOA";
    QTest::newRow("wideband, wideband") << wideband << wideband << "WWWWA";
    QTest::newRow("empty fields (first computation)") << ""
                                                      << ""
                                                      << "-O-OA";
    QTest::newRow("unknown, zirconia") << "Титановый" << zirconia << "-OZOA";
    QTest::newRow("case matters") << QStringLiteral("циркониевый") << zirconia << "-OZOA";
}

void TestConfigFile::sensorPairCode() {
    QFETCH(QString, sensor1);
    QFETCH(QString, sensor2);
    QFETCH(QString, code);
    SensorPairCodeBuilder builder;
    QCOMPARE(builder.SensorPairCode(sensor1, sensor2), code);
    QCOMPARE(ParameterFlagsTable().contains(code), !code.contains(u'-'));
}

void TestConfigFile::unknownSensorKeepsPreviousFirstLetter() {
    const QString zirconia = QStringLiteral("Циркониевый");
    const QString wideband = QStringLiteral("Широкополосный");
    SensorPairCodeBuilder builder;
    QCOMPARE(builder.SensorPairCode(zirconia, zirconia), QString("ZOZOA"));
    // Sensor 1 unknown now: its first letter stays "Z", the second is "O" again.
    QCOMPARE(builder.SensorPairCode("", wideband), QString("ZOWWA"));
    QCOMPARE(builder.SensorPairCode(wideband, wideband), QString("WWWWA"));
    // After a wideband sensor the kept "W" meets a fresh "O": no line matches.
    QCOMPARE(builder.SensorPairCode("", ""), QString("WOWOA"));
    QVERIFY(!ParameterFlagsTable().contains("WOWOA"));
}

void TestConfigFile::storeUnderMatchingCode() {
    ParameterFlagsTable table;
    QCOMPARE(table.storeAtDisconnect("ZOZOA", "10101010001"), QString("ZOZOA"));
    QCOMPARE(table.flags("ZOZOA"), QString("10101010001"));
    QCOMPARE(table.lines()[16], QString("ZOZOA=10101010001"));
    QCOMPARE(table.flags("ZOZOC"), QString("11111111011"));
}

void TestConfigFile::storeUnderCodeOfPreviousDisconnect() {
    ParameterFlagsTable table;
    QCOMPARE(table.storeAtDisconnect("WWZOA", "10000000000"), QString("WWZOA"));
    QCOMPARE(table.storeAtDisconnect("-O-OA", "01000000000"), QString("WWZOA"));
    QCOMPARE(table.flags("WWZOA"), QString("01000000000"));
    QCOMPARE(table.storeAtDisconnect("ZOWWA", "00100000000"), QString("ZOWWA"));
    QCOMPARE(table.storeAtDisconnect("WOWOA", "00010000000"), QString("ZOWWA"));
    QCOMPARE(table.flags("ZOWWA"), QString("00010000000"));
    QCOMPARE(table.flags("WWZOA"), QString("01000000000"));
}

void TestConfigFile::storeNowhereBeforeAnyMatch() {
    ConfigFileContent content = ParseConfigLines(SampleLines(), kFileName);
    // The normal case: empty sensor fields; the file is rewritten as it was read.
    SensorPairCodeBuilder builder;
    const QString code = builder.SensorPairCode("", "");
    QCOMPARE(content.table.storeAtDisconnect(code, "00000000000"), QString());
    QCOMPARE(content.table.lines(), SampleLines());
}

void TestConfigFile::setFlagsRefusesUnknownCode() {
    ParameterFlagsTable table;
    QVERIFY(!table.setFlags("XXXXX", "00000000000"));
    QCOMPARE(table.flags("XXXXX"), QString());
    QVERIFY(table == ParameterFlagsTable());
}

QTEST_APPLESS_MAIN(TestConfigFile)
#include "tst_config_file.moc"
