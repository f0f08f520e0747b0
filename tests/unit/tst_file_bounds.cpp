#include "config_file.h"
#include "curve_file.h"
#include "dump_file.h"
#include "info_file.h"
#include "languages.h"
#include "record_file.h"
#include "table_file.h"
#include "text_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// What a reader made of a file: whether it refused the file, and its message with the key.
struct Outcome {
    bool refused = false;
    QString message;
    QStringList key;
};

using Reader = Outcome (*)(const QString& path);

const DecimalFormat comma(u',');

Outcome ReadTable(const QString& path) {
    const TableFileContent c = ReadTableFile(path, comma);
    return {!c.ok(), QString(),
            c.error ? QStringList{c.error->key} + c.error->args : QStringList()};
}
Outcome ReadCurve(const QString& path) {
    const curve::CurveFileContent c = curve::ReadCurveFile(path, comma);
    return {!c.ok(), QString(), QStringList{c.error.key} + c.error.args};
}
Outcome ReadDump(const QString& path) {
    const DumpFileContent c = ReadDumpFile(path);
    return {!c.ok(), c.error, QStringList{c.errorKey} + c.errorArguments};
}
Outcome ReadRecord(const QString& path) {
    const telemetry::RecordFileContent c = telemetry::ReadRecordFile(path, comma);
    return {!c.ok() && c.grid.rowCount() == 0, c.error, c.errorKey};
}
Outcome ReadLanguage(const QString& path) {
    const LanguageFileContent c = ReadLanguageFile(path);
    return {!c.ok() && c.entries.isEmpty(), c.error, c.errorKey};
}
// The program's own settings files keep what they can: the defaults, and a problem saying that
// only the start of the file was read.
Outcome ReadInfo(const QString& path) {
    const InfoFileContent c = ReadInfoFile(path, comma);
    return {c.settings == InfoSettings{}, c.problems.value(0), {}};
}
Outcome ReadConfig(const QString& path) {
    const ConfigFileContent c = ReadConfigFile(path);
    return {c.table == ParameterFlagsTable{}, c.problems.value(0), {}};
}

// A file of the size without writing it: the file system keeps it sparse, all zero bytes.
QString HugeFile(const QTemporaryDir& dir, const QString& name, qint64 size,
                 const QByteArray& start = {}) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(start) != start.size() || !file.resize(size))
        return {};
    return path;
}

} // namespace

class TestFileBounds : public QObject {
    Q_OBJECT
private slots:
    void hugeFilesAreRefused_data();
    void hugeFilesAreRefused();
    void recordLinesAreBounded_data();
    void recordLinesAreBounded();
};

void TestFileBounds::hugeFilesAreRefused_data() {
    QTest::addColumn<void*>("reader");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected"); // a key, or a text the message contains
    const QString tooLarge = QLatin1String(kMsgFileTooLarge);
    QTest::newRow("table") << (void*)&ReadTable << "bigMAF.txt" << tooLarge;
    QTest::newRow("curve") << (void*)&ReadCurve << "bigEmu.txt" << tooLarge;
    QTest::newRow("dump") << (void*)&ReadDump << "big.mmr2" << tooLarge;
    QTest::newRow("record") << (void*)&ReadRecord << "big_data.txt"
                            << "Msg_RecordLineTooLong";
    QTest::newRow("language") << (void*)&ReadLanguage << "Big.lng" << tooLarge;
    QTest::newRow("Info_A.ini") << (void*)&ReadInfo << "Info_A.ini"
                                << "16384 bytes";
    QTest::newRow("Config_A.ini") << (void*)&ReadConfig << "Config_A.ini"
                                  << "4096 bytes";
}

void TestFileBounds::hugeFilesAreRefused() {
    QFETCH(void*, reader);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = HugeFile(dir, name, 100 * 1024 * 1024);
    QVERIFY(!path.isEmpty());
    const Outcome outcome = reinterpret_cast<Reader>(reader)(path);
    QVERIFY(outcome.refused);
    if (expected.startsWith(QLatin1String("Msg"))) {
        QCOMPARE(outcome.key.value(0), expected);
        QVERIFY(outcome.key.value(1).endsWith(name));
    } else {
        QVERIFY2(outcome.message.contains(expected) && outcome.message.contains(name),
                 qPrintable(outcome.message));
    }
}

void TestFileBounds::recordLinesAreBounded_data() {
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QStringList>("key");
    const QByteArray line = "0#Step#0#SP#0#STR#0#AI#0#RT#0#RTT#0#II#0#T#0#DP#0#TP#0#SD#\r\n";
    // Two good lines, then one that never ends: refused at line 3 after its first kilobytes.
    QTest::newRow("a line without end after good lines")
        << line + line << qint64(100) * 1024 * 1024
        << QStringList{"Msg_RecordLineTooLong", "", "3", "1024"};
    // Larger than a day of recording: refused before reading.
    QTest::newRow("larger than any recording")
        << line << telemetry::kRecordFileMaxBytes + 1
        << QStringList{QLatin1String(kMsgFileTooLarge), "", "262144"};
    // Exactly the longest line that is read.
    QByteArray longest = line;
    longest.insert(0, QByteArray(telemetry::kRecordLineMaxLength - line.size() + 2, ' '));
    QTest::newRow("the longest line allowed") << longest << qint64(longest.size()) << QStringList();
}

void TestFileBounds::recordLinesAreBounded() {
    QFETCH(QByteArray, start);
    QFETCH(qint64, size);
    QFETCH(QStringList, key);
    QTemporaryDir dir;
    const QString path = HugeFile(dir, QStringLiteral("run_data.txt"), size, start);
    QVERIFY(!path.isEmpty());
    const telemetry::RecordFileContent c = telemetry::ReadRecordFile(path, comma);
    if (key.isEmpty()) {
        QVERIFY2(c.ok(), qPrintable(c.error));
        QCOMPARE(c.grid.rowCount(), 1);
        return;
    }
    QVERIFY(!c.ok());
    QCOMPARE(c.grid.rowCount(), 0);
    key[1] = path;
    QCOMPARE(c.errorKey, key);
}

QTEST_GUILESS_MAIN(TestFileBounds)
#include "tst_file_bounds.moc"
