#include "languages.h"
#include "text_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(LanguageFileEntry)

class TestLanguages : public QObject {
    Q_OBJECT
private slots:
    void folderAndFilePath();
    void listLanguages();
    void listMissingFolder();
    void parseLine_data();
    void parseLine();
    void readFileInWindows1251();
    void emptyFile();
    void missingFileNamesIt();
    void textKeys_data();
    void textKeys();
    void textsEmptyUntilApplied();
    void applyTexts();
    void laterEntryWins();
    void switchingKeepsTextsTheNewLanguageLacks();
    void keyedMessage_data();
    void keyedMessage();

private:
    QTemporaryDir m_dir;
};

static void PutBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestLanguages::folderAndFilePath() {
    QCOMPARE(LanguageFolder("/opt/marvek"), QString("/opt/marvek/Language"));
    QCOMPARE(LanguageFilePath("/opt/marvek/Language", "English"),
             QString("/opt/marvek/Language/English.lng"));
}

void TestLanguages::listLanguages() {
    const QString folder = LanguageFolder(m_dir.filePath("work"));
    QVERIFY(QDir().mkpath(folder));
    PutBytes(folder + "/Russian.lng", "");
    PutBytes(folder + "/Russian.bmp", "BM");
    PutBytes(folder + "/English.lng", "");
    PutBytes(folder + "/Deutsch.LNG", "");
    PutBytes(folder + "/Deutsch.BMP", "BM");
    PutBytes(folder + "/Orphan.bmp", "BM");
    PutBytes(folder + "/readme.txt", "");
    QVERIFY(QDir().mkpath(folder + "/Folder.lng"));

    const QList<LanguageListEntry> languages = ListLanguages(folder);
    // The file system's order, whatever it is: compare as a set, then check each entry.
    QStringList names;
    for (const LanguageListEntry& entry : languages)
        names.append(entry.name);
    QStringList expectedOrder = QDir(folder).entryList(QDir::Files, QDir::Unsorted);
    expectedOrder = expectedOrder.filter(
        QRegularExpression("\\.lng$", QRegularExpression::CaseInsensitiveOption));
    for (QString& name : expectedOrder)
        name.chop(4);
    QCOMPARE(names, expectedOrder);
    names.sort();
    QCOMPARE(names, (QStringList{"Deutsch", "English", "Russian"}));

    for (const LanguageListEntry& entry : languages) {
        if (entry.name == "Russian")
            QCOMPARE(entry.flagPicturePath, folder + "/Russian.bmp");
        else if (entry.name == "Deutsch")
            QCOMPARE(entry.flagPicturePath, folder + "/Deutsch.BMP");
        else
            QCOMPARE(entry.flagPicturePath, QString()); // a language without a flag
    }
}

void TestLanguages::listMissingFolder() {
    QVERIFY(ListLanguages(m_dir.filePath("no such folder")).isEmpty());
}

void TestLanguages::parseLine_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("isEntry");
    QTest::addColumn<LanguageFileEntry>("entry");
    QTest::newRow("caption") << "fmMain.Panel47#Caption=Графики" << true
                             << LanguageFileEntry{"fmMain", "Panel47", "Caption", "Графики"};
    QTest::newRow("hint") << "fmMain.atb_Seans#Hint=Send" << true
                          << LanguageFileEntry{"fmMain", "atb_Seans", "Hint", "Send"};
    QTest::newRow("value keeps further =")
        << "fmMain.Text04#Caption=a=b==c" << true
        << LanguageFileEntry{"fmMain", "Text04", "Caption", "a=b==c"};
    QTest::newRow("value keeps . and #")
        << "fmMain.Text19#Caption=v1.2 #3" << true
        << LanguageFileEntry{"fmMain", "Text19", "Caption", "v1.2 #3"};
    QTest::newRow("empty value") << "fmMain.Text01#Caption=" << true
                                 << LanguageFileEntry{"fmMain", "Text01", "Caption", ""};
    QTest::newRow("empty form and property")
        << ".Text26#=x" << true << LanguageFileEntry{"", "Text26", "", "x"};
    QTest::newRow("blanks are kept") << "fmMain.Label1#Caption= Да " << true
                                     << LanguageFileEntry{"fmMain", "Label1", "Caption", " Да "};
    QTest::newRow("no dot") << "fmMain Text01#Caption=x" << false << LanguageFileEntry{};
    QTest::newRow("no hash") << "fmMain.Text01 Caption=x" << false << LanguageFileEntry{};
    QTest::newRow("no equals") << "fmMain.Text01#Caption x" << false << LanguageFileEntry{};
    QTest::newRow("first dot in the value")
        << "Text26#Caption=No port." << false << LanguageFileEntry{};
    QTest::newRow("hash before dot") << "fm#Main.Text01=x" << false << LanguageFileEntry{};
    QTest::newRow("empty control") << "fmMain.#Caption=x" << false << LanguageFileEntry{};
    QTest::newRow("comment-looking line") << "// English texts" << false << LanguageFileEntry{};
    QTest::newRow("empty line") << "" << false << LanguageFileEntry{};
}

void TestLanguages::parseLine() {
    QFETCH(QString, line);
    QFETCH(bool, isEntry);
    QFETCH(LanguageFileEntry, entry);
    const std::optional<LanguageFileEntry> parsed = ParseLanguageLine(line);
    QCOMPARE(parsed.has_value(), isEntry);
    if (isEntry) {
        QCOMPARE(parsed->form, entry.form);
        QCOMPARE(parsed->control, entry.control);
        QCOMPARE(parsed->property, entry.property);
        QCOMPARE(parsed->value, entry.value);
    }
}

void TestLanguages::readFileInWindows1251() {
    const QString path = m_dir.filePath("Russian.lng");
    // "fmMain.Text15#Caption=Связь" in Windows-1251, a malformed line, LF-only end.
    PutBytes(path, QByteArray("fmMain.Text15#Caption=\xD1\xE2\xFF\xE7\xFC\r\n"
                              "garbage\r\n"
                              "fmMain.Panel47#Caption=x=y\n"));
    const LanguageFileContent content = ReadLanguageFile(path);
    QVERIFY(content.ok());
    QCOMPARE(content.entries.size(), 2);
    QCOMPARE(content.entries[0].control, QString("Text15"));
    QCOMPARE(content.entries[0].value, QStringLiteral("Связь"));
    QCOMPARE(content.entries[1].control, QString("Panel47"));
    QCOMPARE(content.entries[1].property, QString("Caption"));
    QCOMPARE(content.entries[1].value, QString("x=y"));
}

void TestLanguages::emptyFile() {
    const QString path = m_dir.filePath("Empty.lng");
    PutBytes(path, "");
    const LanguageFileContent content = ReadLanguageFile(path);
    QVERIFY(content.ok());
    QVERIFY(content.entries.isEmpty());
    QVERIFY(ParseLanguageLines({""}).isEmpty());
}

void TestLanguages::missingFileNamesIt() {
    const LanguageFileContent content = ReadLanguageFile(m_dir.filePath("Klingon.lng"));
    QVERIFY(!content.ok());
    QVERIFY2(EnglishText(content.error).contains("Klingon.lng"),
             qPrintable(EnglishText(content.error)));
}

void TestLanguages::textKeys_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("number");
    QTest::newRow("Text01") << "Text01" << 1;
    QTest::newRow("Text26") << "Text26" << 26;
    QTest::newRow("Text51") << "Text51" << 51;
    QTest::newRow("Text00") << "Text00" << 0;
    QTest::newRow("Text52") << "Text52" << 0;
    QTest::newRow("Text1") << "Text1" << 0;
    QTest::newRow("Text001") << "Text001" << 0;
    QTest::newRow("text01") << "text01" << 0;
    QTest::newRow("Panel47") << "Panel47" << 0;
}

void TestLanguages::textKeys() {
    QFETCH(QString, key);
    QFETCH(int, number);
    QCOMPARE(InterfaceTexts::NumberOfKey(key).value_or(0), number);
}

void TestLanguages::textsEmptyUntilApplied() {
    const InterfaceTexts texts;
    for (int i = 1; i <= InterfaceTexts::kCount; ++i)
        QCOMPARE(texts.text(i), QString());
    QCOMPARE(texts.text(u"Text15"), QString());
}

void TestLanguages::applyTexts() {
    InterfaceTexts texts;
    const QList<LanguageFileEntry> entries = ParseLanguageLines({
        "fmMain.Text26#Hint=No port selected", // any property sets a text
        "fmMain.Text04#Hint=Sent:",            // any property sets a text
        "fmMain.Text13#Whatever=Received:",
        "fmMain.Panel47#Caption=Charts", // a control, not a text
        "fmMain.Text99#Caption=ignored",
        "broken line",
    });
    QCOMPARE(entries.size(), 5);
    QVERIFY(texts.apply(entries[0]));
    QVERIFY(!texts.apply(entries[3]));
    QVERIFY(!texts.apply(entries[4]));
    texts.apply(entries);
    QCOMPARE(texts.text(26), QString("No port selected"));
    QCOMPARE(texts.text(u"Text04"), QString("Sent:"));
    QCOMPARE(texts.text(13), QString("Received:"));
    QCOMPARE(texts.text(0), QString());
    QCOMPARE(texts.text(52), QString());
    QCOMPARE(texts.text(u"Panel47"), QString());
}

void TestLanguages::laterEntryWins() {
    InterfaceTexts texts;
    texts.apply(ParseLanguageLines({"fmMain.Text19#Caption=first", "fmMain.Text19#Hint=second"}));
    QCOMPARE(texts.text(19), QString("second"));
}

void TestLanguages::switchingKeepsTextsTheNewLanguageLacks() {
    InterfaceTexts texts;
    texts.apply(
        ParseLanguageLines({"fmMain.Text14#Caption=Нет ответа", "fmMain.Text15#Caption=Связь"}));
    texts.apply(ParseLanguageLines({"fmMain.Text15#Caption=Connecting"}));
    QCOMPARE(texts.text(14), QStringLiteral("Нет ответа"));
    QCOMPARE(texts.text(15), QString("Connecting"));
}

void TestLanguages::keyedMessage_data() {
    QTest::addColumn<QStringList>("keyAndArguments");
    QTest::addColumn<QString>("expected");
    QTest::newRow("worded by the language")
        << QStringList{"Msg_IniBadValue", "Info_A.ini", "7", "abc"}
        << QString("\"Info_A.ini\", строка 7: \"abc\" - недопустимо");
    QTest::newRow("key the language lacks: the built-in English")
        << QStringList{"Msg_FileMissing", "a.mmr2"} << QString("File \"a.mmr2\" does not exist.");
    QTest::newRow("an argument holding %2 stays as it is")
        << QStringList{"Msg_IniBadValue", "%2", "7", "%1"}
        << QString("\"%2\", строка 7: \"%1\" - недопустимо");
}

// Messages of the logic folders come as a key and arguments; the language words them.
void TestLanguages::keyedMessage() {
    QFETCH(QStringList, keyAndArguments);
    QFETCH(QString, expected);
    InterfaceTexts texts;
    texts.apply(ParseLanguageLines({QString::fromUtf8(
        "fmMain.Msg_IniBadValue#Caption=\"%1\", строка %2: \"%3\" - недопустимо")}));
    QCOMPARE(texts.message(Message{keyAndArguments.first(), keyAndArguments.mid(1)}), expected);
}

QTEST_APPLESS_MAIN(TestLanguages)
#include "tst_languages.moc"
