#include "module_settings.h"
#include "settings_map.h"
#include "wire_codec.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

using namespace settings_map;

Q_DECLARE_METATYPE(settings_map::ReadTarget)

namespace {

// The shortest text that reads back as the same double: "1.6", not "1.6000000000000001".
QString shortest(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// n / 10^decimals written out with integers only, e.g. (-7, 2) -> "-0.07", (160, 2) -> "1.6".
QString decimalText(int n, int decimals) {
    int scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const bool negative = n < 0;
    const int magnitude = negative ? -n : n;
    QString text = QString::number(magnitude / scale);
    QString fraction = QStringLiteral("%1").arg(magnitude % scale, decimals, 10, QLatin1Char('0'));
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (!fraction.isEmpty())
        text += QLatin1Char('.') + fraction;
    return negative && magnitude != 0 ? QLatin1Char('-') + text : text;
}

} // namespace

class TestSettingsMap : public QObject {
    Q_OBJECT
private slots:
    void byteOfAnswer_data();
    void byteOfAnswer();
    void numericSettings_data();
    void numericSettings();
    void decimalSettingsAreExactForEveryByte();
    void flags00_data();
    void flags00();
    void flags01AndFlags1F();
    void flagsJournalLine_data();
    void flagsJournalLine();
    void nameCharacters_data();
    void nameCharacters();
    void connectReadSequence();
    void modelSignalsOnlyChanges();
};

void TestSettingsMap::byteOfAnswer_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("byte"); // -1: no byte
    QTest::newRow("low nibble first") << "5A" << 0xA5;
    QTest::newRow("zero") << "00" << 0x00;
    QTest::newRow("FF") << "FF" << 0xFF;
    QTest::newRow("invalid high digit") << "5Z" << -1;
    QTest::newRow("lower case") << "5a" << -1;
    QTest::newRow("one character") << "5" << -1;
    QTest::newRow("extra character") << "5A!" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("error signal") << "*" << -1;
}

void TestSettingsMap::byteOfAnswer() {
    QFETCH(QString, answer);
    QFETCH(int, byte);
    const std::optional<int> decoded = ByteOfAnswer(answer);
    QCOMPARE(decoded.value_or(-1), byte);
}

void TestSettingsMap::numericSettings_data() {
    QTest::addColumn<ReadTarget>("target");
    QTest::addColumn<int>("b");
    QTest::addColumn<QString>("value"); // shortest text of the exact decimal result

    QTest::newRow("KFuel 0xB5") << ReadTarget::KFuel << 0xB5 << "181";
    QTest::newRow("PTN answer A5 (b 90)") << ReadTarget::PTN << 0x5A << "0.9";
    QTest::newRow("PTN 170") << ReadTarget::PTN << 170 << "1.7";
    QTest::newRow("PTN 155") << ReadTarget::PTN << 155 << "1.5";
    QTest::newRow("PTN 9") << ReadTarget::PTN << 9 << "0";
    QTest::newRow("NumBurn 4") << ReadTarget::NumBurn << 4 << "4";
    QTest::newRow("NumBurn 0") << ReadTarget::NumBurn << 0 << "0";
    QTest::newRow("NumBurn 9") << ReadTarget::NumBurn << 9 << "9";
    QTest::newRow("Porog_T 26") << ReadTarget::Porog_T << 26 << "10";
    QTest::newRow("Porog_T 100") << ReadTarget::Porog_T << 100 << "40";
    QTest::newRow("Porog_T 255") << ReadTarget::Porog_T << 255 << "102";
    QTest::newRow("VolEng 16") << ReadTarget::VolEng << 16 << "1.6";
    QTest::newRow("VolEng 3") << ReadTarget::VolEng << 3 << "0.3";
    QTest::newRow("ZdK 21") << ReadTarget::ZdK << 21 << "10";
    QTest::newRow("UKZ 0x82") << ReadTarget::UKZ << 0x82 << "0.02";
    QTest::newRow("UKZ 121") << ReadTarget::UKZ << 121 << "-0.07";
    QTest::newRow("UKZ 128") << ReadTarget::UKZ << 128 << "0";
    QTest::newRow("OPR 50") << ReadTarget::OPR << 50 << "0.25";
    QTest::newRow("OPR 51") << ReadTarget::OPR << 51 << "0.25";
    QTest::newRow("OPR 90") << ReadTarget::OPR << 90 << "0.45";
    QTest::newRow("UPL 119") << ReadTarget::UPL << 119 << "-0.07";
    QTest::newRow("UPL 128") << ReadTarget::UPL << 128 << "0";
    QTest::newRow("UPL 127 truncates toward zero") << ReadTarget::UPL << 127 << "0";
    QTest::newRow("UPL 0") << ReadTarget::UPL << 0 << "-1.06";
    QTest::newRow("UPL 182") << ReadTarget::UPL << 182 << "0.45";
    QTest::newRow("LUup 0x1C") << ReadTarget::LUup << 0x1C << "0.28";
    QTest::newRow("LUdown 0x38") << ReadTarget::LUdown << 0x38 << "0.56";
    QTest::newRow("LUdown 12") << ReadTarget::LUdown << 12 << "0.12";
}

void TestSettingsMap::numericSettings() {
    QFETCH(ReadTarget, target);
    QFETCH(int, b);
    QFETCH(QString, value);
    const std::optional<double> decoded = NumericSettingFromByte(target, b);
    QVERIFY(decoded.has_value());
    QCOMPARE(shortest(*decoded), value);
    QVERIFY(*decoded == value.toDouble()); // exactly, not within a tolerance
}

void TestSettingsMap::decimalSettingsAreExactForEveryByte() {
    for (int b = 0; b < 256; ++b) {
        QCOMPARE(shortest(PTNFromByte(b)), decimalText(b / 10, 1));
        QCOMPARE(shortest(VolEngFromByte(b)), decimalText(b, 1));
        QCOMPARE(shortest(UKZFromByte(b)), decimalText(b - 128, 2));
        QCOMPARE(shortest(OPRFromByte(b)), decimalText(b / 2, 2));
        QCOMPARE(shortest(LUupFromByte(b)), decimalText(b, 2));
        QCOMPARE(shortest(LUdownFromByte(b)), decimalText(b, 2));
        // (b - 128) / 1.2 truncated toward zero, worked out on tenths: 10 (b - 128) / 12.
        QCOMPARE(shortest(UPLFromByte(b)), decimalText(10 * (b - 128) / 12, 2));
        QCOMPARE(shortest(Porog_TFromByte(b)), QString::number(10 * b / 25));
        QCOMPARE(shortest(ZdKFromByte(b)), QString::number(b / 2));
        QVERIFY(!std::signbit(UPLFromByte(b)) || UPLFromByte(b) < 0); // no "-0"
    }
}

void TestSettingsMap::flags00_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<bool>("DP");
    QTest::addColumn<bool>("KorrTab");
    QTest::addColumn<bool>("TicherEmu");
    QTest::addColumn<bool>("PInBurn");
    QTest::addColumn<int>("pump");
    QTest::addColumn<bool>("System");
    const int simple = int(PumpTypeChoice::Simple);
    const int automatic = int(PumpTypeChoice::Auto);
    const int ignore = int(PumpTypeChoice::Ignore);
    QTest::newRow("0x81: pressure present, system off")
        << 0x81 << true << false << false << false << simple << true;
    QTest::newRow("0x11: automatic pump")
        << 0x11 << true << false << false << false << automatic << false;
    QTest::newRow("0x20: ignore") << 0x20 << false << false << false << false << ignore << false;
    QTest::newRow("0x30: bit 5 wins")
        << 0x30 << false << false << false << false << ignore << false;
    QTest::newRow("0x0E") << 0x0E << false << true << true << true << simple << false;
    QTest::newRow("0x40: unnamed bit only")
        << 0x40 << false << false << false << false << simple << false;
}

void TestSettingsMap::flags00() {
    QFETCH(int, byte);
    const Flags00Bits bits = DecodeFlags00(byte);
    QTEST(bits.DP, "DP");
    QTEST(bits.KorrTab, "KorrTab");
    QTEST(bits.TicherEmu, "TicherEmu");
    QTEST(bits.PInBurn, "PInBurn");
    QTEST(int(bits.PumpType), "pump");
    QTEST(bits.System, "System");
}

void TestSettingsMap::flags01AndFlags1F() {
    const Flags01Bits f01 = DecodeFlags01(0x85);
    QVERIFY(f01.Lambda_2);
    QVERIFY(!f01.Language);
    QVERIFY(f01.DMRVType);
    QVERIFY(f01.ASinc);
    const Flags01Bits english = DecodeFlags01(0x02);
    QVERIFY(english.Language && !english.Lambda_2 && !english.DMRVType && !english.ASinc);

    const Flags1FBits f1f = DecodeFlags1F(0xA0);
    QVERIFY(!f1f.LDiapazone);
    QVERIFY(f1f.VidBloka);
    QVERIFY(!f1f.Use_L);
    QVERIFY(f1f.CalcWater);
    const Flags1FBits stretched = DecodeFlags1F(0x41);
    QVERIFY(stretched.LDiapazone && stretched.Use_L && !stretched.VidBloka && !stretched.CalcWater);
}

void TestSettingsMap::flagsJournalLine_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("line");
    QTest::newRow("0x81 in EEPROM-00") << 0x00 << 0x81 << "EEPROM-00 =  1000 0001";
    QTest::newRow("EEPROM-01") << 0x01 << 0x04 << "EEPROM-01 =  0010 0000";
    QTest::newRow("EEPROM-1F, one blank") << 0x1F << 0xA0 << "EEPROM-1F = 0000 0101";
    QTest::newRow("all ones") << 0x00 << 0xFF << "EEPROM-00 =  1111 1111";
}

void TestSettingsMap::flagsJournalLine() {
    QFETCH(int, address);
    QFETCH(int, byte);
    QTEST(FlagsJournalLine(address, byte), "line");
}

void TestSettingsMap::nameCharacters_data() {
    QTest::addColumn<int>("b");
    QTest::addColumn<QString>("character");
    QTest::newRow("M") << int('M') << "M";
    QTest::newRow("hyphen") << int('-') << "-";
    QTest::newRow("blank") << 0x20 << " ";
    QTest::newRow("capital A, Cyrillic") << 0xC0 << QString(QChar(0x0410));
    QTest::newRow("small ya") << 0xFF << QString(QChar(0x044F));
    QTest::newRow("capital Yo") << 0xA8 << QString(QChar(0x0401));
    QTest::newRow("numero sign") << 0xB9 << QString(QChar(0x2116));
}

void TestSettingsMap::nameCharacters() {
    QFETCH(int, b);
    QTEST(QString(NameCharFromByte(b)), "character");
}

void TestSettingsMap::connectReadSequence() {
    const QStringList expected = {"47%", "57%", "04%", "14%", "24%", "00*", "10*",
                                  "40*", "90*", "71*", "80*", "A0*", "F0*", "B1*",
                                  "D1*", "E1*", "F1*", "02*", "12*", "87*", "97*",
                                  "A7*", "B7*", "C7*", "D7*", "E7*", "F7*", "2A%"};
    const auto& sequence = ConnectReadSequence();
    QStringList commands;
    for (const ReadStep& step : sequence) {
        const QString command = QLatin1String(step.command);
        commands << command;
        // Each command reads the address the step names.
        if (command.endsWith(QLatin1Char('*')))
            QCOMPARE(command, wire::ReadEepromCommand(step.address));
        else
            QCOMPARE(command, wire::ReadRegisterByteCommand(step.address));
        QCOMPARE(ConnectReadStepOf(command), int(commands.size() - 1));
    }
    QCOMPARE(commands, expected);
    QCOMPARE(ConnectReadStepOf(u"30*"), -1);
    QCOMPARE(sequence[8].target, ReadTarget::NumBurn);
    QCOMPARE(sequence[23].target, ReadTarget::NameChar);
    QCOMPARE(sequence[23].index, 4);
    QCOMPARE(sequence[27].target, ReadTarget::Last);
}

void TestSettingsMap::modelSignalsOnlyChanges() {
    ModuleSettingsModel model;
    QSignalSpy changed(&model, &ModuleSettingsModel::settingsChanged);
    model.edit([](ModuleSettings& s) { s.KFuel = 100; });
    model.edit([](ModuleSettings& s) { s.KFuel = 100; });
    QCOMPARE(changed.size(), 1);
    model.edit([](ModuleSettings& s) { s.Flags00 = 0x81; });
    QCOMPARE(changed.size(), 2);
    QVERIFY(model.flags00().System);
    QVERIFY(model.flags00().DP);
}

QTEST_GUILESS_MAIN(TestSettingsMap)
#include "tst_settings_map.moc"
