#include "wire_codec.h"

#include <QTest>

using namespace wire;

class TestWireCodec : public QObject {
    Q_OBJECT
private slots:
    void hexDigit_data();
    void hexDigit();
    void byteTables();
    void decodeByte_data();
    void decodeByte();
    void decodeWord_data();
    void decodeWord();
    void commands_data();
    void commands();
    void bitsOfAnswer_data();
    void bitsOfAnswer();
    void expectedAnswerLength_data();
    void expectedAnswerLength();
};

void TestWireCodec::hexDigit_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("9") << "9" << 9;
    QTest::newRow("A") << "A" << 10;
    QTest::newRow("F") << "F" << 15;
    QTest::newRow("lower a") << "a" << -1;
    QTest::newRow("lower f") << "f" << -1;
    QTest::newRow("G") << "G" << -1;
    QTest::newRow("separator") << " " << -1;
    QTest::newRow("star") << "*" << -1;
    QTest::newRow("two characters") << "1A" << -1;
}

void TestWireCodec::hexDigit() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(HexDigit(QStringView(text)), value);
}

void TestWireCodec::byteTables() {
    QCOMPARE(HexByteTexts()[0], QStringLiteral("00"));
    QCOMPARE(HexByteTexts()[0x3A], QStringLiteral("3A"));
    QCOMPARE(HexByteTexts()[255], QStringLiteral("FF"));
    QCOMPARE(BinaryByteTexts()[0], QStringLiteral("00000000"));
    QCOMPARE(BinaryByteTexts()[0x81], QStringLiteral("10000001"));
    QCOMPARE(BinaryByteTexts()[255], QStringLiteral("11111111"));
}

void TestWireCodec::decodeByte_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("checked"); // -1: refused
    QTest::newRow("A3 is 0x3A") << "A3" << 0x3A << 0x3A;
    QTest::newRow("F1 is 0x1F") << "F1" << 0x1F << 0x1F;
    QTest::newRow("58 is 0x85") << "58" << 0x85 << 0x85;
    QTest::newRow("FF") << "FF" << 255 << 255;
    QTest::newRow("trailing separator ignored") << "A3 " << 0x3A << 0x3A;
    // HexDigit(first) + 16 * HexDigit(second) with a lower-case digit: 10 + 16 * -1.
    QTest::newRow("lower case second") << "Aa" << -6 << -1;
    QTest::newRow("lower case first") << "a3" << 47 << -1;
    QTest::newRow("one character") << "5" << -11 << -1;
    QTest::newRow("empty") << "" << -17 << -1;
}

void TestWireCodec::decodeByte() {
    QFETCH(QString, answer);
    QFETCH(int, raw);
    QFETCH(int, checked);
    QCOMPARE(RawByteFromAnswer(answer), raw);
    QCOMPARE(DecodeByte(answer).value_or(-1), checked);
}

void TestWireCodec::decodeWord_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("value");
    QTest::newRow("digit 1 weighs 1") << "1000" << 1;
    QTest::newRow("digit 2 weighs 16") << "0100" << 16;
    QTest::newRow("digit 3 weighs 256") << "0010" << 256;
    QTest::newRow("digit 4 weighs 4096") << "0001" << 4096;
    QTest::newRow("mixed") << "4321" << 0x1234;
    QTest::newRow("FFFF") << "FFFF" << 0xFFFF;
    QTest::newRow("lower case") << "432f" << -1;
    QTest::newRow("short") << "432" << -1;
}

void TestWireCodec::decodeWord() {
    QFETCH(QString, answer);
    QFETCH(int, value);
    QCOMPARE(DecodeWord(answer).value_or(-1), value);
}

void TestWireCodec::commands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("expected");
    QTest::newRow("read EEPROM-1F") << ReadEepromCommand(0x1F) << "F1*";
    QTest::newRow("read EEPROM-00") << ReadEepromCommand(0x00) << "00*";
    QTest::newRow("read EEPROM-78") << ReadEepromCommand(0x78) << "87*";
    QTest::newRow("write 0 to EEPROM-1A") << WriteEepromCommand(0x00, 0x1A) << "00A1)";
    QTest::newRow("write 0x85 to EEPROM-00") << WriteEepromCommand(0x85, 0x00) << "5800)";
    QTest::newRow("write 0x0E to EEPROM-20") << WriteEepromCommand(0x0E, 0x20) << "E002)";
    QTest::newRow("register byte 0x74") << ReadRegisterByteCommand(0x74) << "47%";
    QTest::newRow("register word 0x30") << ReadRegisterWordCommand(0x30) << "03&";
    QTest::newRow("reset counter byte") << WriteRegisterByteCommand(0, 0x41) << "0014$";
    QTest::newRow("value 0x3A") << ValueToSend(0x3A) << "A3";
    QTest::newRow("leading zero kept") << ValueToSend(0x05) << "50";
    QTest::newRow("human address") << HumanAddress(0x1F) << "1F";
}

void TestWireCodec::commands() {
    QFETCH(QString, command);
    QFETCH(QString, expected);
    QCOMPARE(command, expected);
}

void TestWireCodec::bitsOfAnswer_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("bits");
    QTest::newRow("0x81") << "18"
                          << "10000001";
    QTest::newRow("0x05") << "50"
                          << "00000101";
    QTest::newRow("0x3A") << "A3"
                          << "00111010";
    QTest::newRow("invalid gives no bits") << "5Z"
                                           << "";
    QTest::newRow("lower case gives no bits") << "a3"
                                              << "";
    QTest::newRow("short") << "5"
                           << "";
}

void TestWireCodec::bitsOfAnswer() {
    QFETCH(QString, answer);
    QFETCH(QString, bits);
    QCOMPARE(BitsOfAnswer(answer), bits);
}

void TestWireCodec::expectedAnswerLength_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("length");
    QTest::newRow("EEPROM read") << "F1*" << 2;
    QTest::newRow("register word") << "47&" << 4;
    QTest::newRow("EEPROM write") << "00A1)" << 1;
    // Batches: one separator after each answer.
    QTest::newRow("batch of three") << "23%03&65&" << 13;
    QTest::newRow("batch of four") << "04%14&96%D6%" << 14;
    QTest::newRow("typed text") << "hello" << -1;
    QTest::newRow("lower-case address") << "f1*" << -1;
    QTest::newRow("trailing text") << "F1*x" << -1;
}

void TestWireCodec::expectedAnswerLength() {
    QFETCH(QString, command);
    QTEST(ExpectedAnswerLength(command), "length");
}

QTEST_APPLESS_MAIN(TestWireCodec)
#include "tst_wire_codec.moc"
