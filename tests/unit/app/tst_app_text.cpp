#include "config_file.h"
#include "date_time_text.h"
#include "decimal_format.h"
#include "file_names.h"
#include "info_file.h"
#include "languages.h"
#include "text_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestAppText : public QObject {
    Q_OBJECT
private slots:
    void splitLines_data();
    void splitLines();
    void readFile();
    void readMissingFileNamesIt();
    void writeFile();
    void writeReplacesWholeFile();
    void writeIntoMissingFolderNamesFile();
    void unencodableCharacters_data();
    void unencodableCharacters();
    void windows1251RoundTrip();
    void formatDecimal_data();
    void formatDecimal();
    void parseDecimal_data();
    void parseDecimal();
    void decimalRoundTrip_data();
    void decimalRoundTrip();
    void fileNameSuffix_data();
    void fileNameSuffix();
    void journalDateTime_data();
    void journalDateTime();
    void boundedFiles_data();
    void boundedFiles();
    void quotedExcerpt_data();
    void quotedExcerpt();
    void summarizedProblems_data();
    void summarizedProblems();

private:
    QTemporaryDir m_dir;
};

static QByteArray FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<cannot open>";
    return file.readAll();
}

static void PutBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestAppText::splitLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("one line, no end") << "a" << QStringList{"a"};
    QTest::newRow("one line, CR LF") << "a\r\n" << QStringList{"a"};
    QTest::newRow("CR LF") << "a\r\nb\r\n" << QStringList{"a", "b"};
    QTest::newRow("LF alone") << "a\nb\n" << QStringList{"a", "b"};
    QTest::newRow("mixed, last unterminated") << "a\nb\r\nc" << QStringList{"a", "b", "c"};
    QTest::newRow("empty lines kept") << "a\r\n\r\n\r\nb" << QStringList{"a", "", "", "b"};
    QTest::newRow("only a line end") << "\r\n" << QStringList{""};
    QTest::newRow("lone CR is text") << "a\rb\r\n" << QStringList{"a\rb"};
}

void TestAppText::splitLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(SplitTextLines(text), lines);
}

void TestAppText::readFile() {
    const QString path = m_dir.filePath("read.txt");
    // "Привет" in Windows-1251, then an LF-only line.
    PutBytes(path, QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2\r\nsecond\nthird"));
    const TextFileContent content = ReadTextFile(path);
    QVERIFY(content.ok());
    QVERIFY(!content.missing);
    QCOMPARE(content.lines, (QStringList{QStringLiteral("Привет"), "second", "third"}));
}

void TestAppText::readMissingFileNamesIt() {
    const QString path = m_dir.filePath("absent.ini");
    const TextFileContent content = ReadTextFile(path);
    QVERIFY(!content.ok());
    QVERIFY(content.missing);
    QVERIFY(EnglishText(content.error).contains("absent.ini"));
}

void TestAppText::writeFile() {
    const QString path = m_dir.filePath("write.txt");
    QCOMPARE(WriteTextFile(path, {QStringLiteral("Вода"), "", "x=1"}), QString());
    QCOMPARE(FileBytes(path), QByteArray("\xC2\xEE\xE4\xE0\r\n\r\nx=1\r\n"));
    QCOMPARE(ReadTextFile(path).lines, (QStringList{QStringLiteral("Вода"), "", "x=1"}));
}

void TestAppText::writeReplacesWholeFile() {
    const QString path = m_dir.filePath("replace.txt");
    PutBytes(path, QByteArray(1000, 'x'));
    QCOMPARE(WriteTextFile(path, {"short"}), QString());
    QCOMPARE(FileBytes(path), QByteArray("short\r\n"));
}

void TestAppText::writeIntoMissingFolderNamesFile() {
    const QString path = m_dir.filePath("no such folder/out.txt");
    const QString error = WriteTextFile(path, {"a"});
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains("out.txt"), qPrintable(error));
    QVERIFY(!QFile::exists(path));
}

void TestAppText::unencodableCharacters_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ASCII") << "A=1" << QByteArray("A=1");
    QTest::newRow("Cyrillic") << QStringLiteral("Ёё") << QByteArray("\xA8\xB8");
    QTest::newRow("euro sign exists") << QStringLiteral("€") << QByteArray("\x88");
    QTest::newRow("no-break space exists") << QStringLiteral("\u00A0") << QByteArray("\xA0");
    QTest::newRow("CJK") << QStringLiteral("a漢b") << QByteArray("a?b");
    QTest::newRow("Latin with accent") << QStringLiteral("é") << QByteArray("?");
    QTest::newRow("outside the BMP is one ?") << QStringLiteral("x😀y") << QByteArray("x?y");
    QTest::newRow("replacement character") << QStringLiteral("\uFFFD") << QByteArray("?");
}

void TestAppText::unencodableCharacters() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(EncodeWindows1251(text), bytes);
}

void TestAppText::windows1251RoundTrip() {
    QByteArray all;
    for (int i = 0; i < 256; ++i) {
        if (i != 0x98) // the one byte Windows-1251 leaves unassigned
            all.append(char(i));
    }
    QCOMPARE(EncodeWindows1251(DecodeWindows1251(all)), all);
}

void TestAppText::formatDecimal_data() {
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    for (QChar separator : {QChar(u','), QChar(u'.')}) {
        auto row = [&](const char* name, double value, QString text) {
            text.replace(u',', separator);
            QTest::addRow("%s %c", name, char(separator.unicode())) << separator << value << text;
        };
        row("zero", 0.0, "0");
        row("negative zero", -0.0, "0");
        row("integer", -100.0, "-100");
        row("large integer", 5000.0, "5000");
        row("fraction", 0.25, "0,25");
        row("no trailing zeros", 12.5, "12,5");
        row("binary noise hidden", 0.1 + 0.2, "0,3");
        row("15 digits", 1.0 / 3.0, "0,333333333333333");
        row("rounded at 15 digits", 2.0 / 3.0, "0,666666666666667");
        row("small", 0.00001, "0,00001");
        row("smaller uses exponent", 0.0000001, "1E-7");
        row("big", 123456789012345.0, "123456789012345");
        row("too big for fixed", 1.5e20, "1,5E20");
        row("negative fraction", -0.5, "-0,5");
    }
}

void TestAppText::formatDecimal() {
    QFETCH(QChar, separator);
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(DecimalFormat(separator).format(value), text);
}

void TestAppText::parseDecimal_data() {
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");
    for (QChar separator : {QChar(u','), QChar(u'.')}) {
        auto row = [&](const char* name, const QString& text, bool valid, double value) {
            QTest::addRow("%s %c", name, char(separator.unicode()))
                << separator << text << valid << value;
        };
        row("integer", "-100", true, -100);
        row("comma", "12,5", true, 12.5);
        row("point", "12.5", true, 12.5);
        row("blanks around", " 7,25 ", true, 7.25);
        row("exponent", "1,5E2", true, 150);
        row("empty", "", false, 0);
        row("letters", "abc", false, 0);
        row("two separators", "1,2,3", false, 0);
        row("point and comma", "1.234,5", false, 0);
        row("infinity", "inf", false, 0);
        row("hex", "0x10", false, 0);
    }
}

void TestAppText::parseDecimal() {
    QFETCH(QChar, separator);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(double, value);
    const std::optional<double> parsed = DecimalFormat(separator).parse(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, value);
}

void TestAppText::decimalRoundTrip_data() {
    QTest::addColumn<double>("value");
    QTest::newRow("-1.5") << -1.5;
    QTest::newRow("35") << 35.0;
    QTest::newRow("0.123456789") << 0.123456789;
    QTest::newRow("-2.5e-9") << -2.5e-9;
    QTest::newRow("7e22") << 7e22;
}

void TestAppText::decimalRoundTrip() {
    QFETCH(double, value);
    const DecimalFormat comma(u',');
    const DecimalFormat point(u'.');
    // Written on one system, read on either.
    for (const DecimalFormat* writer : {&comma, &point}) {
        for (const DecimalFormat* reader : {&comma, &point})
            QCOMPARE(reader->parse(writer->format(value)).value_or(-12345), value);
    }
}

void TestAppText::fileNameSuffix_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("name");
    QTest::newRow("added") << "/tmp/journal"
                           << ".txt"
                           << "/tmp/journal.txt";
    QTest::newRow("not doubled") << "/tmp/journal.txt"
                                 << ".txt"
                                 << "/tmp/journal.txt";
    QTest::newRow("any case") << "/tmp/JOURNAL.TXT"
                              << ".txt"
                              << "/tmp/JOURNAL.TXT";
    QTest::newRow("other extension kept") << "/tmp/a.log"
                                          << ".txt"
                                          << "/tmp/a.log.txt";
    QTest::newRow("record file") << "run1"
                                 << "_data.txt"
                                 << "run1_data.txt";
    QTest::newRow("record file, plain .txt") << "run1.txt"
                                             << "_data.txt"
                                             << "run1.txt_data.txt";
    QTest::newRow("water table") << "car"
                                 << "MAF.txt"
                                 << "carMAF.txt";
    QTest::newRow("dump") << "car.MMR2"
                          << ".mmr2"
                          << "car.MMR2";
}

void TestAppText::fileNameSuffix() {
    QFETCH(QString, chosen);
    QFETCH(QString, suffix);
    QFETCH(QString, name);
    QCOMPARE(FileNameWithSuffix(chosen, suffix), name);
}

void TestAppText::journalDateTime_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::newRow("Russian") << "ru_RU"
                             << "08.12.2011 14:05:31";
    QTest::newRow("German") << "de_DE"
                            << "08.12.11 14:05:31";
    QTest::newRow("English (US)") << "en_US"
                                  << "12/8/11 2:05:31\u202FPM";
}

void TestAppText::journalDateTime() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    const QDateTime moment(QDate(2011, 12, 8), QTime(14, 5, 31));
    QString actual = JournalDateTimeText(moment, QLocale(locale));
    // Locale data differ in the blank before AM/PM between CLDR versions.
    actual.replace(u'\u202F', u' ');
    text.replace(u'\u202F', u' ');
    QCOMPARE(actual, text);
    QVERIFY(!LongTimeFormatWithoutZone(QLocale(locale)).contains(u't'));
}

// A file far beyond what its format holds is read only up to the bound, quickly, and the
// readers say so: a 1 MB line in Info_A.ini, binary junk in Config_A.ini or a language file.
void TestAppText::boundedFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("maxProblemLength");
    const QByteArray megabyteLine = QByteArray(1024 * 1024, 'x') + "=Enum_Com_Ports_prev\r\n";
    QByteArray junk(300 * 1024, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((unsigned(i) * 7919u) % 256);
    QTest::newRow("Info_A.ini, 1 MB line") << "info" << megabyteLine << 400;
    QTest::newRow("Info_A.ini, binary junk") << "info" << junk << 400;
    QTest::newRow("Config_A.ini, binary junk") << "config" << junk << 400;
    QTest::newRow("language file, 1 MB") << "language" << megabyteLine.repeated(1) << 400;
}

void TestAppText::boundedFiles() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(int, maxProblemLength);
    const QString path = m_dir.filePath(kind + ".txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();

    QList<Message> messages;
    if (kind == QLatin1String("info")) {
        const InfoFileContent content = ReadInfoFile(path, DecimalFormat(QLatin1Char(',')));
        messages = content.problems;
    } else if (kind == QLatin1String("config")) {
        messages = ReadConfigFile(path).problems;
    } else {
        const LanguageFileContent content = ReadLanguageFile(path);
        QVERIFY(!content.ok());
        messages << content.error;
    }
    QStringList problems;
    for (const Message& m : std::as_const(messages))
        problems << EnglishText(m);
    QVERIFY(!problems.isEmpty());
    QVERIFY2(problems.first().contains(
                 QLatin1String(kind == QLatin1String("language") ? "KB" : "bytes")),
             qPrintable(problems.first()));
    for (const QString& problem : std::as_const(problems))
        QVERIFY2(problem.size() <= maxProblemLength, qPrintable(problem.left(200)));
    const QString shown = SummarizedProblems(problems, QStringLiteral("and %1 more"));
    QVERIFY(shown.count(QLatin1Char('\n')) <= 5);
}

void TestAppText::quotedExcerpt_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("max");
    QTest::addColumn<QString>("excerpt");
    QTest::newRow("short") << "clRed" << 40 << "clRed";
    QTest::newRow("cut") << "abcdefgh" << 5 << "abcde...";
    QTest::newRow("control characters") << QString::fromUtf8("a\tb\x01"
                                                             "c")
                                        << 40 << "a?b?c";
}

void TestAppText::quotedExcerpt() {
    QFETCH(QString, value);
    QFETCH(int, max);
    QFETCH(QString, excerpt);
    QCOMPARE(QuotedExcerpt(value, max), excerpt);
}

void TestAppText::summarizedProblems_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("shown");
    QTest::newRow("none") << 0 << "";
    QTest::newRow("two") << 2 << "p1\np2";
    QTest::newRow("five") << 5 << "p1\np2\np3\np4\np5";
    QTest::newRow("eight") << 8 << "p1\np2\np3\np4\np5\nand 3 more";
}

void TestAppText::summarizedProblems() {
    QFETCH(int, count);
    QFETCH(QString, shown);
    QStringList problems;
    for (int i = 1; i <= count; ++i)
        problems << QStringLiteral("p%1").arg(i);
    QCOMPARE(SummarizedProblems(problems, QStringLiteral("and %1 more")), shown);
}

QTEST_APPLESS_MAIN(TestAppText)
#include "tst_app_text.moc"
