#include "dump_file.h"
#include "languages.h"
#include "text_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

EepromImage sampleImage() {
    EepromImage image;
    for (int i = 0; i < kDumpLineCount; ++i)
        image[i] = std::uint8_t((i * 37 + 11) & 0xFF);
    image[0x1F] = 0xA5;
    return image;
}

using Mutation = std::function<void(QStringList&)>;

} // namespace

Q_DECLARE_METATYPE(Mutation)

class TestDumpFile : public QObject {
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void roundTripThroughAFile();
    void fileBytesAreWindows1251WithCrLf();
    void trailingBlankLinesAreAccepted();
    void labelIsIgnored_data();
    void labelIsIgnored();
    void malformed_data();
    void malformed();
    void missingFileIsNamed();
    void unwritablePathLeavesNothing();
    void nameIsUsedExactlyAsGiven();
};

void TestDumpFile::lines_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("line");
    QTest::newRow("EEPROM-1F holding 0xA5") << 0x1F << 0xA5 << "EEPROM-1F = A5";
    QTest::newRow("first") << 0x00 << 0x00 << "EEPROM-00 = 00";
    QTest::newRow("last") << 0xFF << 0x0B << "EEPROM-FF = 0B";
    QTest::newRow("name") << 0x78 << 0x4D << "EEPROM-78 = 4D";
}

void TestDumpFile::lines() {
    QFETCH(int, address);
    QFETCH(int, byte);
    QFETCH(QString, line);
    QCOMPARE(DumpFileLine(address, byte), line);
    QCOMPARE(line.size(), 14);
}

void TestDumpFile::roundTripThroughAFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("module.mmr2"));
    const EepromImage image = sampleImage();
    QCOMPARE(WriteDumpFile(path, image), QString());
    const DumpFileContent read = ReadDumpFile(path);
    QVERIFY2(read.ok(), qPrintable(EnglishText(read.error)));
    QCOMPARE(read.image, image);
    const QStringList lines = DumpFileLines(image);
    QCOMPARE(lines.size(), 256);
    QCOMPARE(lines.at(0x1F), QStringLiteral("EEPROM-1F = A5"));
}

void TestDumpFile::fileBytesAreWindows1251WithCrLf() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bytes.mmr2"));
    EepromImage image{};
    QCOMPARE(WriteDumpFile(path, image), QString());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), 256 * 16);
    QVERIFY(bytes.startsWith("EEPROM-00 = 00\r\nEEPROM-01 = 00\r\n"));
    QVERIFY(bytes.endsWith("EEPROM-FF = 00\r\n"));
}

void TestDumpFile::trailingBlankLinesAreAccepted() {
    QStringList lines = DumpFileLines(sampleImage());
    lines << QString() << QStringLiteral("  ");
    const DumpFileContent read = ParseDumpFileLines(lines, QStringLiteral("x.mmr2"));
    QVERIFY2(read.ok(), qPrintable(EnglishText(read.error)));
    QCOMPARE(read.image, sampleImage());
}

void TestDumpFile::labelIsIgnored_data() {
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("byte");
    QTest::newRow("another address in the label")
        << Mutation([](QStringList& l) { l[0] = "EEPROM-FF = 5A"; }) << 0x00 << 0x5A;
    QTest::newRow("lower-case label")
        << Mutation([](QStringList& l) { l[0x1F] = "eeprom-1f = C3"; }) << 0x1F << 0xC3;
    QTest::newRow("label of blanks")
        << Mutation([](QStringList& l) { l[0x78] = "            4D"; }) << 0x78 << 0x4D;
    QTest::newRow("lines swapped: values by position")
        << Mutation([](QStringList& l) { l.swapItemsAt(3, 4); }) << 0x03
        << int(sampleImage()[0x04]);
}

void TestDumpFile::labelIsIgnored() {
    QFETCH(Mutation, mutate);
    QFETCH(int, address);
    QFETCH(int, byte);
    QStringList lines = DumpFileLines(sampleImage());
    mutate(lines);
    const DumpFileContent read = ParseDumpFileLines(lines, QStringLiteral("hand-edited.mmr2"));
    QVERIFY2(read.ok(), qPrintable(EnglishText(read.error)));
    QCOMPARE(int(read.image[address]), byte);
}

void TestDumpFile::malformed_data() {
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("255 lines") << Mutation([](QStringList& l) { l.removeLast(); }) << 256
                               << "255 of the 256";
    QTest::newRow("empty file") << Mutation([](QStringList& l) { l.clear(); }) << 1
                                << "0 of the 256";
    QTest::newRow("257 lines") << Mutation([](QStringList& l) { l << "EEPROM-00 = 00"; }) << 257
                               << "more than 256";
    QTest::newRow("lower-case value")
        << Mutation([](QStringList& l) { l[16] = "EEPROM-10 = a5"; }) << 17 << "EEPROM-10";
    QTest::newRow("one value character")
        << Mutation([](QStringList& l) { l[16] = "EEPROM-10 = 5"; }) << 17 << "EEPROM-10";
    QTest::newRow("no value") << Mutation([](QStringList& l) { l[200] = "EEPROM-C8 = "; }) << 201
                              << "EEPROM-C8";
    QTest::newRow("not a hex digit")
        << Mutation([](QStringList& l) { l[255] = "EEPROM-FF = 5G"; }) << 256 << "EEPROM-FF";
    QTest::newRow("something after the value")
        << Mutation([](QStringList& l) { l[2] = "EEPROM-02 = 123"; }) << 3 << "EEPROM-02";
    QTest::newRow("blank line inside")
        << Mutation([](QStringList& l) { l[9] = QString(); }) << 10 << "EEPROM-09";
    QTest::newRow("a text file") << Mutation([](QStringList& l) {
        l = QStringList(256, QStringLiteral("Запуск программы"));
    }) << 1 << "EEPROM-00";
}

void TestDumpFile::malformed() {
    QFETCH(Mutation, mutate);
    QFETCH(int, line);
    QFETCH(QString, mentions);
    QStringList lines = DumpFileLines(sampleImage());
    mutate(lines);
    const DumpFileContent read = ParseDumpFileLines(lines, QStringLiteral("/tmp/broken.mmr2"));
    QVERIFY(!read.ok());
    QCOMPARE(read.errorLine, line);
    QVERIFY2(EnglishText(read.error).contains(QStringLiteral("line %1").arg(line)),
             qPrintable(EnglishText(read.error)));
    QVERIFY2(EnglishText(read.error).contains(QStringLiteral("broken.mmr2")),
             qPrintable(EnglishText(read.error)));
    QVERIFY2(EnglishText(read.error).contains(mentions), qPrintable(EnglishText(read.error)));
}

void TestDumpFile::missingFileIsNamed() {
    const DumpFileContent read = ReadDumpFile(QStringLiteral("/nonexistent/dir/a.mmr2"));
    QVERIFY(!read.ok());
    QVERIFY(EnglishText(read.error).contains(QStringLiteral("a.mmr2")));
}

void TestDumpFile::unwritablePathLeavesNothing() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing-folder/a.mmr2"));
    const QString error = WriteDumpFile(path, sampleImage());
    QVERIFY(!error.isEmpty());
    QVERIFY(error.contains(QStringLiteral("a.mmr2")));
    QVERIFY(!QFile::exists(path));
}

void TestDumpFile::nameIsUsedExactlyAsGiven() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.txt"));
    QCOMPARE(WriteDumpFile(path, sampleImage()), QString());
    QVERIFY(QFile::exists(path));
    QVERIFY(!QFile::exists(path + QStringLiteral(".mmr2")));
}

QTEST_GUILESS_MAIN(TestDumpFile)
#include "tst_dump_file.moc"
