#include "date_time_text.h"
#include "file_names.h"
#include "journal.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestJournal : public QObject {
    Q_OBJECT
private slots:
    void appendOnly();
    void usableAsJournalSink();
    void appendsAreAnnouncedInBatches();
    void announcePendingNow();
    void manyLines();
    void saveShape_data();
    void saveShape();
    void saveIsWindows1251();
    void saveFailureNamesFile();
    void saveFileNameSuffixNotDoubled();
    void startLines();
    void userActionLine_data();
    void userActionLine();
    void eventLine_data();
    void eventLine();

private:
    QTemporaryDir m_dir;
};

static QByteArray FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<cannot open>";
    return file.readAll();
}

void TestJournal::appendOnly() {
    Journal journal;
    QCOMPARE(journal.lineCount(), 0);
    journal.Append("first");
    journal.Append("");
    journal.Append(QStringLiteral("третья"));
    QCOMPARE(journal.lineCount(), 3);
    QCOMPARE(journal.line(0), QString("first"));
    QCOMPARE(journal.line(1), QString(""));
    QCOMPARE(journal.line(2), QStringLiteral("третья"));
    QCOMPARE(journal.lines(), (QStringList{"first", "", QStringLiteral("третья")}));
}

void TestJournal::usableAsJournalSink() {
    Journal journal;
    JournalSink& sink = journal;
    sink.Append("47%   A3");
    QCOMPARE(journal.lines(), QStringList{"47%   A3"});
}

void TestJournal::appendsAreAnnouncedInBatches() {
    Journal journal;
    QSignalSpy spy(&journal, &Journal::linesAppended);
    for (int i = 0; i < 5; ++i)
        journal.Append(QString::number(i));
    QCOMPARE(spy.count(), 0); // not one signal per line
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<qsizetype>(), 0);
    QCOMPARE(spy.at(0).at(1).value<qsizetype>(), 5);

    journal.Append("5");
    journal.Append("6");
    QTRY_COMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).value<qsizetype>(), 5);
    QCOMPARE(spy.at(1).at(1).value<qsizetype>(), 2);

    QTest::qWait(10);
    QCOMPARE(spy.count(), 2); // nothing new, nothing announced
}

void TestJournal::announcePendingNow() {
    Journal journal;
    QSignalSpy spy(&journal, &Journal::linesAppended);
    journal.Append("a");
    journal.announcePending();
    QCOMPARE(spy.count(), 1);
    journal.announcePending();
    QCOMPARE(spy.count(), 1);
    QTest::qWait(10); // the queued announcement finds nothing left
    QCOMPARE(spy.count(), 1);
}

void TestJournal::manyLines() {
    // A long session: 300,000 traffic lines are appended and saved without trouble.
    constexpr int kLines = 300000;
    Journal journal;
    QSignalSpy spy(&journal, &Journal::linesAppended);
    const QString traffic = QStringLiteral("Отправлено: 47%   Получено: A3");
    for (int i = 0; i < kLines; ++i)
        journal.Append(traffic);
    QCOMPARE(journal.lineCount(), kLines);
    QCOMPARE(journal.line(kLines - 1), traffic);
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(1).value<qsizetype>(), kLines);

    const QString path = m_dir.filePath("long.txt");
    QCOMPARE(SaveJournal(path, journal.lines()), QString());
    QCOMPARE(QFileInfo(path).size(), qint64(kLines) * (traffic.size() + 2) + 2);
}

void TestJournal::saveShape_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty journal") << QStringList{} << QByteArray("\r\n");
    QTest::newRow("one line is saved") << QStringList{"only"} << QByteArray("only\r\n\r\n");
    QTest::newRow("three lines once")
        << QStringList{"a", "b", "c"} << QByteArray("a\r\nb\r\nc\r\n\r\n");
    QTest::newRow("empty lines kept")
        << QStringList{"start", "", "x"} << QByteArray("start\r\n\r\nx\r\n\r\n");
}

void TestJournal::saveShape() {
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, bytes);
    const QString path =
        m_dir.filePath(QStringLiteral("shape %1.txt").arg(QTest::currentDataTag()));
    QCOMPARE(SaveJournal(path, lines), QString());
    QCOMPARE(FileBytes(path), bytes);
}

void TestJournal::saveIsWindows1251() {
    const QString path = m_dir.filePath("russian.txt");
    QCOMPARE(SaveJournal(path, {QStringLiteral("Запуск программы: 1")}), QString());
    // З а п у с к   п р о г р а м м ы
    QCOMPARE(FileBytes(path), QByteArray("\xC7\xE0\xEF\xF3\xF1\xEA \xEF\xF0\xEE\xE3\xF0\xE0\xEC"
                                         "\xEC\xFB: 1\r\n\r\n"));
}

void TestJournal::saveFailureNamesFile() {
    const QString error = SaveJournal(m_dir.filePath("no folder/journal.txt"), {"a"});
    QVERIFY2(error.contains("journal.txt"), qPrintable(error));
}

void TestJournal::saveFileNameSuffixNotDoubled() {
    const QString chosen = m_dir.filePath("session.txt");
    const QString path = FileNameWithSuffix(chosen, kJournalFileSuffix);
    QCOMPARE(path, chosen);
    QCOMPARE(SaveJournal(path, {"x"}), QString());
    QVERIFY(QFile::exists(chosen));
    QVERIFY(!QFile::exists(chosen + ".txt"));
    QCOMPARE(FileNameWithSuffix(m_dir.filePath("session"), kJournalFileSuffix), chosen);
}

void TestJournal::startLines() {
    const QString dateTime =
        JournalDateTimeText(QDateTime(QDate(2011, 12, 8), QTime(14, 5, 31)), QLocale("ru_RU"));
    QCOMPARE(JournalStartLines(dateTime),
             (QStringList{QStringLiteral("Запуск программы: 08.12.2011 14:05:31"), ""}));
}

void TestJournal::userActionLine_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("line");
    QTest::newRow("system off") << QStringLiteral(" Выключить систему")
                                << QStringLiteral("08.12.2011 14:05:31 Выключить систему");
    QTest::newRow("injectors") << QStringLiteral(" Установить число форсунок = 4")
                               << QStringLiteral(
                                      "08.12.2011 14:05:31 Установить число форсунок = 4");
    QTest::newRow("blank put in") << QStringLiteral("Установлен русский язык")
                                  << QStringLiteral("08.12.2011 14:05:31 Установлен русский язык");
}

void TestJournal::userActionLine() {
    QFETCH(QString, action);
    QFETCH(QString, line);
    QCOMPARE(UserActionLine("08.12.2011 14:05:31", action), line);
}

void TestJournal::eventLine_data() {
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("line");
    QTest::newRow("bits") << QStringLiteral("ПОЛУЧЕНЫ БИТЫ EEPROM-00 ")
                          << QStringLiteral("ПОЛУЧЕНЫ БИТЫ EEPROM-00 08.12.2011 14:05:31");
    QTest::newRow("blank put in") << QStringLiteral("ПОЛУЧИТЬ ТАБЛИЦУ 2D-ЛЯМБДА")
                                  << QStringLiteral(
                                         "ПОЛУЧИТЬ ТАБЛИЦУ 2D-ЛЯМБДА 08.12.2011 14:05:31");
}

void TestJournal::eventLine() {
    QFETCH(QString, event);
    QFETCH(QString, line);
    QCOMPARE(EventLine(event, "08.12.2011 14:05:31"), line);
}

QTEST_MAIN(TestJournal)
#include "tst_journal.moc"
