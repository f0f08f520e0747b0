#include "data_folders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Where the program finds its language files and keeps its own files.
class TestDataFolders : public QObject {
    Q_OBJECT
private slots:
    void languagesComeFromTheFirstFolderThatHasThem_data();
    void languagesComeFromTheFirstFolderThatHasThem();
    void userDataChoosesTheCreatedPerUserFolder();
};

void TestDataFolders::languagesComeFromTheFirstFolderThatHasThem_data() {
    QTest::addColumn<QStringList>("withLanguages"); // of "work", "exe", "share"
    QTest::addColumn<QString>("expected");
    QTest::newRow("all three") << QStringList{"work", "exe", "share"} << "work";
    QTest::newRow("beside the program") << QStringList{"exe", "share"} << "exe";
    QTest::newRow("installed only") << QStringList{"share"} << "share";
    QTest::newRow("capital suffix") << QStringList{"EXE"} << "exe";
    QTest::newRow("none: the working folder's") << QStringList{} << "work";
}

void TestDataFolders::languagesComeFromTheFirstFolderThatHasThem() {
    QFETCH(QStringList, withLanguages);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    for (const char* base : {"work", "exe", "share"})
        QVERIFY(QDir(root.path()).mkpath(QString::fromLatin1(base) + "/Language"));
    for (const QString& base : withLanguages) {
        const bool capitals = base == base.toUpper();
        QFile file(
            root.filePath(base.toLower() + "/Language/Russian" + (capitals ? ".LNG" : ".lng")));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // The same folder given twice is tried once.
    const QStringList candidates = LanguageFolderCandidates(
        root.filePath("work"), root.filePath("exe"), root.filePath("share") + "/../share");
    QCOMPARE(candidates.size(), 3);
    QCOMPARE(FindLanguageFolder(candidates), root.filePath(expected + "/Language"));
    QCOMPARE(LanguageFolderCandidates(root.filePath("work"), root.filePath("work"), "").size(), 1);
}

void TestDataFolders::userDataChoosesTheCreatedPerUserFolder() {
    QTemporaryDir root;
    const QString current = root.filePath("current");
    const QString perUser = root.filePath("home/.local/share/Marvek 2");
    QCOMPARE(ChooseWorkingFolder(false, current, perUser), current);
    QVERIFY(!QFileInfo::exists(perUser));
    QCOMPARE(ChooseWorkingFolder(true, current, perUser), perUser);
    QVERIFY(QFileInfo(perUser).isDir());

    // A file where the folder should be: no folder, and the caller is told which one.
    QFile blocker(root.filePath("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    QString error;
    QCOMPARE(ChooseWorkingFolder(true, current, root.filePath("file/sub"), &error), QString());
    QCOMPARE(error, root.filePath("file/sub"));
}

QTEST_GUILESS_MAIN(TestDataFolders)
#include "tst_data_folders.moc"
