#include "options_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestOptionsFile : public QObject {
    Q_OBJECT
private slots:
    void fastTransfers_data();
    void fastTransfers();
};

void TestOptionsFile::fastTransfers_data() {
    QTest::addColumn<QByteArray>("content"); // empty: no file
    QTest::addColumn<bool>("expected");
    QTest::newRow("no file: off") << QByteArray() << false;
    QTest::newRow("on") << QByteArray("[Transfers]\r\nFastTransfers=true\r\n") << true;
    QTest::newRow("off") << QByteArray("[Transfers]\r\nFastTransfers=false\r\n") << false;
    QTest::newRow("nonsense: off") << QByteArray("[Transfers]\r\nFastTransfers=fast\r\n") << false;
    QTest::newRow("other keys only: off") << QByteArray("[Other]\r\nX=1\r\n") << false;
}

void TestOptionsFile::fastTransfers() {
    QFETCH(QByteArray, content);
    QFETCH(bool, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kOptionsFileName));
    if (!content.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const OptionsFileContent read = ReadOptionsFile(path);
    QVERIFY(read.error.isEmpty());
    QCOMPARE(read.options.fastTransfers, expected);

    // Written back with the other value and read again.
    QVERIFY(WriteOptionsFile(path, ProgramOptions{!expected}).isEmpty());
    QCOMPARE(ReadOptionsFile(path).options.fastTransfers, !expected);
}

QTEST_GUILESS_MAIN(TestOptionsFile)
#include "tst_options_file.moc"
