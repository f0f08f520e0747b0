#include "config_file.h"
#include "curve_file.h"
#include "curve_model.h"
#include "curve_transfer.h"
#include "dump_file.h"
#include "info_file.h"
#include "injection_tables.h"
#include "journal_sink.h"
#include "languages.h"
#include "memory_port.h"
#include "record_file.h"
#include "russian_texts.h"
#include "table_file.h"
#include "table_transfer.h"
#include "text_file.h"
#include "transaction_engine.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Every failure of a reader or a transfer reaches a person as text, in the program (Russian and
// English) and in marvek2-cli (English): never a language key, never an unfilled "%1".

namespace {

const DecimalFormat comma(u',');

enum class Fault { TooLarge, Malformed, Missing, PortClosed };

// What a reader refused the file with, or what a transfer refused to start with.
using Producer = QList<Message> (*)(const QString& path);

QList<Message> One(const Message& m) {
    return m.isEmpty() ? QList<Message>() : QList<Message>{m};
}
QList<Message> ReadTable(const QString& path) {
    return One(ReadTableFile(path, comma).error.value_or(Message{}));
}
QList<Message> ReadCurve(const QString& path) {
    return One(curve::ReadCurveFile(path, comma).error);
}
QList<Message> ReadDump(const QString& path) {
    return One(ReadDumpFile(path).error);
}
QList<Message> ReadRecord(const QString& path) {
    return One(telemetry::ReadRecordFile(path, comma).error);
}
QList<Message> ReadLanguage(const QString& path) {
    return One(ReadLanguageFile(path).error);
}
QList<Message> ReadInfo(const QString& path) {
    return ReadInfoFile(path, comma).problems;
}
QList<Message> ReadConfig(const QString& path) {
    return ReadConfigFile(path).problems;
}
QList<Message> StartTableWrite(const QString&) {
    MemoryPort port; // never opened
    StringListJournal journal;
    TransactionEngine engine(port, journal);
    InjectionTables tables;
    TableTransfer transfer(engine, tables);
    return One(transfer.startWrite(TableKind::Water).value_or(Message{}));
}
QList<Message> StartCurveWrite(const QString&) {
    MemoryPort port;
    StringListJournal journal;
    TransactionEngine engine(port, journal);
    curve::CurveModel model;
    curve::CurveTransfer transfer(engine, model);
    QSignalSpy refused(&transfer, &curve::CurveTransfer::refused);
    static_cast<void>(transfer.startWrite());
    return refused.isEmpty() ? QList<Message>()
                             : One(refused.first().first().value<curve::Message>());
}

// A file of the size without writing it: the file system keeps it sparse, all zero bytes.
QString HugeFile(const QString& path, qint64 size, const QByteArray& start = {}) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(start) != start.size() || !file.resize(size))
        return {};
    return path;
}

// What a person must never see: a key, or a number that was not filled in.
void VerifyWorded(const QString& text, const QString& fileName) {
    static const QRegularExpression unfilled(QStringLiteral("%\\d"));
    QVERIFY2(!text.trimmed().isEmpty(), "an empty message");
    QVERIFY2(!text.contains(QLatin1String("Msg")) && !text.contains(unfilled), qPrintable(text));
    if (!fileName.isEmpty())
        QVERIFY2(text.contains(fileName), qPrintable(text));
}

} // namespace

class TestFileBounds : public QObject {
    Q_OBJECT
private slots:
    void failuresAreWorded_data();
    void failuresAreWorded();
    void recordLinesAreBounded_data();
    void recordLinesAreBounded();
};

void TestFileBounds::failuresAreWorded_data() {
    QTest::addColumn<void*>("producer");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("fault");
    // The command line that reads the file before it opens any port ("FILE" stands for it).
    QTest::addColumn<QStringList>("cli");
    const QStringList table{"table", "write", "water", "FILE", "--port", "/dev/null"};
    const QStringList curve{"curve", "write", "FILE", "--port", "/dev/null"};
    const QStringList dump{"restore", "--port", "/dev/null", "FILE"};
    const QStringList record{"analyze", "FILE", "--table", "water", "--basis", "time"};
    const struct {
        const char* what;
        Producer producer;
        const char* name;
        QStringList cli;
    } readers[] = {
        {"table", &ReadTable, "aMAF.txt", table},
        {"curve", &ReadCurve, "aEmu.txt", curve},
        {"dump", &ReadDump, "a.mmr2", dump},
        {"record", &ReadRecord, "a_data.txt", record},
        {"language", &ReadLanguage, "A.lng", {}},
        {"Info_A.ini", &ReadInfo, "Info_A.ini", {}},
        {"Config_A.ini", &ReadConfig, "Config_A.ini", {}},
    };
    const std::pair<Fault, const char*> faults[] = {{Fault::TooLarge, "too large"},
                                                    {Fault::Malformed, "malformed"},
                                                    {Fault::Missing, "missing"}};
    for (const auto& r : readers) {
        for (const auto& [fault, how] : faults) {
            // A language file of any lines is read: its bad lines are not entries. A missing
            // Info_A.ini or Config_A.ini is no problem: the defaults are used.
            if ((fault == Fault::Malformed && QLatin1String(r.what) == QLatin1String("language")) ||
                (fault == Fault::Missing && QByteArray(r.what).endsWith(".ini")))
                continue;
            QTest::addRow("%s %s", r.what, how)
                << (void*)r.producer << QString::fromLatin1(r.name) << int(fault) << r.cli;
        }
    }
    QTest::newRow("table write, port closed")
        << (void*)&StartTableWrite << QString() << int(Fault::PortClosed) << QStringList();
    QTest::newRow("curve write, port closed")
        << (void*)&StartCurveWrite << QString() << int(Fault::PortClosed) << QStringList();
}

void TestFileBounds::failuresAreWorded() {
    QFETCH(void*, producer);
    QFETCH(QString, name);
    QFETCH(int, fault);
    QFETCH(QStringList, cli);
    QTemporaryDir dir;
    const QString path = name.isEmpty() ? QString() : dir.filePath(name);
    if (Fault(fault) == Fault::TooLarge)
        QVERIFY(!HugeFile(path, 100 * 1024 * 1024).isEmpty());
    if (Fault(fault) == Fault::Malformed)
        QVERIFY(!HugeFile(path, 10, "x;y\r\nabc\r\n").isEmpty());

    const QList<Message> messages = reinterpret_cast<Producer>(producer)(path);
    QVERIFY(!messages.isEmpty());
    static const InterfaceTexts russian = RussianTexts();
    for (const Message& m : messages) {
        VerifyWorded(EnglishText(m), messages.size() == 1 ? name : QString());
        VerifyWorded(russian.message(m), messages.size() == 1 ? name : QString());
        QVERIFY2(russian.message(m) != EnglishText(m), qPrintable(m.key));
    }

    if (cli.isEmpty())
        return;
    cli.replace(cli.indexOf(QStringLiteral("FILE")), path);
    QProcess process;
    process.start(QStringLiteral(MARVEK2_CLI), cli);
    QVERIFY(process.waitForFinished(30000));
    QVERIFY(process.exitCode() != 0);
    const QString printed = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(printed.startsWith(QLatin1String("marvek2-cli: ")), qPrintable(printed));
    VerifyWorded(printed, name);
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
    QTest::newRow("larger than any recording") << line << telemetry::kRecordFileMaxBytes + 1
                                               << QStringList{"Msg_FileTooLarge", "", "262144"};
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
    const QString path = HugeFile(dir.filePath(QStringLiteral("run_data.txt")), size, start);
    QVERIFY(!path.isEmpty());
    const telemetry::RecordFileContent c = telemetry::ReadRecordFile(path, comma);
    if (key.isEmpty()) {
        QVERIFY2(c.ok(), qPrintable(EnglishText(c.error)));
        QCOMPARE(c.grid.rowCount(), 1);
        return;
    }
    QVERIFY(!c.ok());
    QCOMPARE(c.grid.rowCount(), 0);
    key[1] = path;
    QCOMPARE(QStringList{c.error.key} + c.error.args, key);
}

QTEST_GUILESS_MAIN(TestFileBounds)
#include "tst_file_bounds.moc"
