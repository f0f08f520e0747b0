#include "curve_codec.h"
#include "curve_file.h"
#include "languages.h"
#include "text_file.h"

#include <QTemporaryDir>
#include <QTest>

using namespace curve;

namespace {

QStringList numberLines(int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QString::number(i * 0.05, 'g', 6);
    return lines;
}

} // namespace

class TestCurveFile : public QObject {
    Q_OBJECT
private slots:
    void fileName_data();
    void fileName();
    void roundTrip_data();
    void roundTrip();
    void refused_data();
    void refused();
    void valuesAreLimitedWithANotice();
    void missingFile();
};

void TestCurveFile::fileName_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("saved");
    QTest::newRow("plain") << "curve"
                           << "curveEmu.txt";
    QTest::newRow("already there") << "curveEmu.txt"
                                   << "curveEmu.txt";
    QTest::newRow("other suffix") << "curve.txt"
                                  << "curve.txtEmu.txt";
}

void TestCurveFile::fileName() {
    QFETCH(QString, chosen);
    QFETCH(QString, saved);
    QCOMPARE(CurveFileName(chosen), saved);
}

void TestCurveFile::roundTrip_data() {
    QTest::addColumn<QChar>("savedWith");
    QTest::addColumn<QChar>("openedWith");
    QTest::newRow("comma to point") << QChar(u',') << QChar(u'.');
    QTest::newRow("point to comma") << QChar(u'.') << QChar(u',');
    QTest::newRow("comma to comma") << QChar(u',') << QChar(u',');
}

void TestCurveFile::roundTrip() {
    QFETCH(QChar, savedWith);
    QFETCH(QChar, openedWith);
    QTemporaryDir dir;
    const QString path = dir.filePath(CurveFileName(QStringLiteral("curve")));
    QStringList texts;
    for (int i = 0; i < kPointCount; ++i)
        texts << DecimalFormat(savedWith).format(i * 0.07);
    QVERIFY(WriteCurveFile(path, texts).isEmpty());

    QFile raw(path);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    QCOMPARE(bytes.count("\r\n"), kPointCount);
    QVERIFY(bytes.startsWith("0\r\n0" + QByteArray(1, char(savedWith.unicode())) + "07\r\n"));

    const CurveFileContent content = ReadCurveFile(path, DecimalFormat(openedWith));
    QVERIFY2(content.ok(), qPrintable(EnglishText(content.error)));
    QCOMPARE(content.texts.size(), kPointCount);
    QCOMPARE(content.texts.at(1), QStringLiteral("0") + openedWith + QStringLiteral("07"));
    for (int i = 0; i < kPointCount; ++i)
        QCOMPARE(content.values.at(i), DecimalFormat(openedWith).parse(content.texts.at(i)));
}

void TestCurveFile::refused_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("line");
    QStringList notNumber = numberLines(64);
    notNumber[9] = QStringLiteral("1,2,3");
    QStringList empty = numberLines(64);
    empty[0] = QString();
    QTest::newRow("63 lines") << numberLines(63) << kMsgFileMissingLine << "64";
    QTest::newRow("no lines") << QStringList() << kMsgFileMissingLine << "1";
    QTest::newRow("not a number") << notNumber << kMsgFileNotNumber << "10";
    QTest::newRow("empty line") << empty << kMsgFileNotNumber << "1";
}

void TestCurveFile::refused() {
    QFETCH(QStringList, lines);
    QFETCH(QString, key);
    QFETCH(QString, line);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("badEmu.txt"));
    QVERIFY(WriteTextFile(path, lines).isEmpty());
    const CurveFileContent content = ReadCurveFile(path, DecimalFormat(QChar(u'.')));
    QVERIFY(!content.ok());
    QCOMPARE(content.error.key, key);
    QVERIFY(content.error.args.at(0).endsWith(QStringLiteral("badEmu.txt")));
    QCOMPARE(content.error.args.at(1), line);
    QVERIFY(content.texts.isEmpty());
    QVERIFY(content.values.isEmpty());
}

void TestCurveFile::valuesAreLimitedWithANotice() {
    QStringList lines = numberLines(66); // text past the 64th line is ignored, and said so
    lines[0] = QStringLiteral("6");
    lines[7] = QStringLiteral("-1");
    const CurveFileContent content = ParseCurveLines(lines, QStringLiteral("f"), DecimalFormat());
    QVERIFY(content.ok());
    QCOMPARE(content.values.at(0), 5.0);
    QCOMPARE(content.texts.mid(0, 8).join(u' '), QStringLiteral("5 0.05 0.1 0.15 0.2 0.25 0.3 0"));
    QCOMPARE(content.notices, (QList<Message>{MakeMessage(kMsgFileLimited, {"f", "1", "2"}),
                                              MakeMessage(kMsgFileExtraLine, {"f", "65"})}));
}

void TestCurveFile::missingFile() {
    QTemporaryDir dir;
    const CurveFileContent content =
        ReadCurveFile(dir.filePath(QStringLiteral("noneEmu.txt")), DecimalFormat());
    QCOMPARE(content.error.key, QStringLiteral("Msg_FileMissing"));
    QVERIFY(content.error.args.at(0).contains(QStringLiteral("noneEmu.txt")));
}

QTEST_GUILESS_MAIN(TestCurveFile)
#include "tst_curve_file.moc"
