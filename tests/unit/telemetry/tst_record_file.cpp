#include "decimal_format.h"
#include "languages.h"
#include "record_csv.h"
#include "record_file.h"
#include "text_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace telemetry;

namespace {

const DecimalFormat comma(u',');
const DecimalFormat point(u'.');

// Three samples as a recording writes them: hundredths, whole numbers.
SampleGrid threeSamples() {
    SampleGrid grid;
    grid.append({0, 330, 1234, 275, 0, 310, 0, 2020, 0, 2780, 0});
    grid.append({25, 340, 1250, 280, 120, 320, 230, 2030, 360, 85710, 0});
    grid.append({50, 350, 1262, 285, 250, 330, 240, 2040, 362, 100000, 0});
    return grid;
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QString kZeroLine =
    QStringLiteral("0#Step#0#SP#0#STR#0#AI#0#RT#0#RTT#0#II#0#T#0#DP#0#TP#0#SD#");

} // namespace

class TestRecordFile : public QObject {
    Q_OBJECT
private slots:
    void roundTripOfThreeSamples();
    void lineShape();
    void elevenZeros();
    void trailingBlankLinesAreAllowed();
    void decimalsWithEitherSeparator_data();
    void decimalsWithEitherSeparator();
    void malformedLineRefusesTheFile_data();
    void malformedLineRefusesTheFile();
    void missingFile();
    void names_data();
    void names();
    void csv_data();
    void csv();
};

void TestRecordFile::roundTripOfThreeSamples() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(RecordFileName(QStringLiteral("run1")));
    QVERIFY(path.endsWith(QStringLiteral("run1_data.txt")));
    const SampleGrid saved = threeSamples();
    QCOMPARE(WriteRecordFile(path, saved, comma), QString());

    const QByteArray bytes = readBytes(path);
    QCOMPARE(bytes.count("\r\n"), 3); // exactly three lines, CR LF
    QVERIFY(bytes.startsWith("0#Step#330#SP#1234#STR#275#AI#0#RT#310#RTT#0#II#2020#T#0#DP#2780#TP#"
                             "0#SD#\r\n"));

    const RecordFileContent loaded = ReadRecordFile(path, comma);
    QVERIFY2(loaded.ok(), qPrintable(EnglishText(loaded.error)));
    QCOMPARE(loaded.grid.rowCount(), 3);
    QVERIFY(loaded.grid == saved);
    // The chart's points: X = 0, 1, 2 and Y = cell / 100; 2780 in "#TP#" is 27.8 rpm.
    QList<double> keys, values;
    loaded.grid.seriesPoints(8, 0, 3, keys, values);
    QCOMPARE(keys, QList<double>({0, 1, 2}));
    QCOMPARE(values, QList<double>({27.8, 857.1, 1000}));

    // A file written with a point separator reads the same on a system with a comma.
    QCOMPARE(WriteRecordFile(path, saved, point), QString());
    QVERIFY(ReadRecordFile(path, comma).grid == saved);
}

void TestRecordFile::lineShape() {
    SampleRow row{25, 330, 123.5, 0, -1, 0, 0, 0, 0, 2780, 0};
    QCOMPARE(RecordLine(row, comma), QStringLiteral("25#Step#330#SP#123,5#STR#0#AI#-1#RT#0#RTT#0#"
                                                    "II#0#T#0#DP#2780#TP#0#SD#"));
    QCOMPARE(RecordLine(row, point).section(u'#', 4, 4), QStringLiteral("123.5"));
    QCOMPARE(RecordMarker(0), QStringLiteral("#Step#"));
    QCOMPARE(RecordMarker(10), QStringLiteral("#SD#"));
}

void TestRecordFile::elevenZeros() {
    const RecordFileContent c = ParseRecordLines({kZeroLine}, comma, QStringLiteral("f"));
    QVERIFY(c.ok());
    QCOMPARE(c.grid.rowCount(), 1);
    QCOMPARE(c.grid.row(0), SampleRow{});
    QCOMPARE(ParseRecordLines({}, comma, QStringLiteral("f")).grid.rowCount(), 0);
}

void TestRecordFile::trailingBlankLinesAreAllowed() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t_data.txt"));
    writeBytes(path, (kZeroLine + QStringLiteral("\r\n") + kZeroLine +
                      QStringLiteral("\r\n\r\n   \r\n\t\r\n"))
                         .toLatin1());
    const RecordFileContent c = ReadRecordFile(path, point);
    QVERIFY2(c.ok(), qPrintable(EnglishText(c.error)));
    QCOMPARE(c.grid.rowCount(), 2);
}

void TestRecordFile::decimalsWithEitherSeparator_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << "2780" << 2780.0;
    QTest::newRow("negative") << "-15" << -15.0;
    QTest::newRow("comma decimal") << "123,5" << 123.5;
    QTest::newRow("point decimal") << "123.5" << 123.5;
    QTest::newRow("blanks around") << " 42 " << 42.0;
    QTest::newRow("more digits than a double holds exactly")
        << "12345678901234567" << 12345678901234567.0;
}

void TestRecordFile::decimalsWithEitherSeparator() {
    QFETCH(QString, field);
    QFETCH(double, value);
    QString line = kZeroLine;
    line.replace(0, 1, field); // the "Step" field
    for (const DecimalFormat& format : {comma, point}) {
        const RecordFileContent c = ParseRecordLines({line}, format, QStringLiteral("f"));
        QVERIFY2(c.ok(), qPrintable(EnglishText(c.error)));
        QCOMPARE(c.grid.cell(0, kStepColumn), value);
    }
}

void TestRecordFile::malformedLineRefusesTheFile_data() {
    QTest::addColumn<QString>("badLine");
    QTest::addColumn<QString>("message");
    QString noMarker = kZeroLine;
    noMarker.remove(QStringLiteral("#RTT#"));
    QTest::newRow("a marker missing")
        << noMarker
        << "run_data.txt, line 2: '' is not a valid floating point value (no marker #RTT#)";
    QString letters = kZeroLine;
    letters.replace(QStringLiteral("0#TP#"), QStringLiteral("27x0#TP#"));
    QTest::newRow("a field that is not a number")
        << letters << "run_data.txt, line 2: '27x0' is not a valid floating point value";
    QString empty = kZeroLine;
    empty.replace(QStringLiteral("#SP#0#STR#"), QStringLiteral("#SP##STR#"));
    QTest::newRow("an empty field")
        << empty << "run_data.txt, line 2: '' is not a valid floating point value";
    QString swapped = QStringLiteral("0#SP#0#Step#0#STR#0#AI#0#RT#0#RTT#0#II#0#T#0#DP#0#TP#0#SD#");
    // Field 1 is all the text before the first "#Step#".
    QTest::newRow("markers out of order")
        << swapped << "run_data.txt, line 2: '0#SP#0' is not a valid floating point value";
    QTest::newRow("an empty line between samples")
        << QString()
        << "run_data.txt, line 2: '' is not a valid floating point value (no marker "
           "#Step#)";
    QTest::newRow("two separators") << QStringLiteral("1,2,3") + kZeroLine.mid(1)
                                    << "run_data.txt, line 2: '1,2,3' is not a valid floating "
                                       "point value";
}

void TestRecordFile::malformedLineRefusesTheFile() {
    QFETCH(QString, badLine);
    QFETCH(QString, message);
    const QStringList lines = {kZeroLine, badLine, kZeroLine};
    const RecordFileContent c = ParseRecordLines(lines, comma, QStringLiteral("run_data.txt"));
    QVERIFY(!c.ok());
    QCOMPARE(EnglishText(c.error), message);
    QCOMPARE(c.grid.rowCount(), 0); // nothing of the file is handed out

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run_data.txt"));
    writeBytes(path, EncodeWindows1251(lines.join(QStringLiteral("\r\n"))));
    const RecordFileContent fromFile = ReadRecordFile(path, comma);
    QVERIFY(!fromFile.ok());
    QVERIFY2(EnglishText(fromFile.error).contains(QStringLiteral("run_data.txt")),
             qPrintable(EnglishText(fromFile.error)));
    QVERIFY(EnglishText(fromFile.error).contains(QStringLiteral("line 2")));
    QCOMPARE(fromFile.grid.rowCount(), 0);
}

void TestRecordFile::missingFile() {
    QTemporaryDir dir;
    const RecordFileContent c =
        ReadRecordFile(dir.filePath(QStringLiteral("none_data.txt")), comma);
    QVERIFY(!c.ok());
    QVERIFY(EnglishText(c.error).contains(QStringLiteral("none_data.txt")));
    // Writing into a folder that does not exist fails with a message naming the file.
    const QString error =
        WriteRecordFile(dir.filePath(QStringLiteral("no/such/x_data.txt")), threeSamples(), comma);
    QVERIFY(error.contains(QStringLiteral("x_data.txt")));
}

void TestRecordFile::names_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("caption");
    QTest::newRow("plain name") << "/tmp/run1"
                                << "/tmp/run1_data.txt"
                                << "run1_data";
    QTest::newRow("name with the suffix already") << "/tmp/run1_data.txt"
                                                  << "/tmp/run1_data.txt"
                                                  << "run1_data";
    QTest::newRow("other extension") << "/tmp/road.txt"
                                     << "/tmp/road.txt_data.txt"
                                     << "road.txt_data";
}

void TestRecordFile::names() {
    QFETCH(QString, chosen);
    QFETCH(QString, file);
    QFETCH(QString, caption);
    QCOMPARE(RecordFileName(chosen), file);
    QCOMPARE(RecordFileCaption(file), caption);
}

void TestRecordFile::csv_data() {
    QTest::addColumn<QChar>("decimalSeparator");
    QTest::addColumn<QString>("firstRow");
    QTest::addColumn<QString>("header");
    QTest::newRow("comma decimals, semicolon fields")
        << QChar(u',') << "0;3,3;12,34;2,75;0;3,1;0;20,2;0;27,8;0"
        << "SampleTime (с);TVT (мс);RashTopl (л/ч);U_analog (В);RT (мс);RTT (мс);II (А);"
           "T (град. С);DP (бар);PVK (об/мин);Per4_imp (Гц)";
    QTest::newRow("point decimals, comma fields")
        << QChar(u'.') << "0,3.3,12.34,2.75,0,3.1,0,20.2,0,27.8,0"
        << "SampleTime (с),TVT (мс),RashTopl (л/ч),U_analog (В),RT (мс),RTT (мс),II (А),"
           "T (град. С),DP (бар),PVK (об/мин),Per4_imp (Гц)";
}

void TestRecordFile::csv() {
    QFETCH(QChar, decimalSeparator);
    QFETCH(QString, firstRow);
    QFETCH(QString, header);
    const DecimalFormat format(decimalSeparator);
    const QStringList lines = CsvLines(threeSamples(), format);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), header);
    QCOMPARE(lines.at(1), firstRow);
    QVERIFY(lines.at(2).startsWith(decimalSeparator == u',' ? QStringLiteral("0,25;")
                                                            : QStringLiteral("0.25,")));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    QCOMPARE(WriteCsvFile(path, threeSamples(), format), QString());
    const TextFileContent back = ReadTextFile(path);
    QVERIFY(back.ok());
    QCOMPARE(back.lines, lines);
    QVERIFY(readBytes(path).contains("\r\n"));
}

QTEST_GUILESS_MAIN(TestRecordFile)
#include "tst_record_file.moc"
