// sgrid_Table_3D's context menu and keys on the table page: range operations in the view's unit,
// paste, undo of a file load, compare marks and the history; offscreen.
#include "dump_file.h"
#include "languages.h"
#include "module_settings.h"
#include "pty_rig.h"
#include "russian_texts.h"
#include "settings_features.h"
#include "surface_view.h"
#include "table_codec.h"
#include "table_file.h"
#include "table_grid_tools.h"
#include "tables_page.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

struct Bench {
    Bench() {
        page = std::make_unique<TablesPage>(rig.engine, features);
        page->tables().setFormat(DecimalFormat(QLatin1Char(',')));
        page->setTexts(RussianTexts(), false);
        InfoSettings info;
        info.correctionBasis = CorrectionBasis::InjectionTime;
        page->applyInfo(info);
        page->resize(1100, 700);
        page->show();
        page->btn_WaterClick();
        tools()->settleUndo();
        tools()->undoStack().clear();
        tools()->rebase();
        grid()->setFocus();
    }
    QTableWidget* grid() { return page->sgrid_Table_3D; }
    TableGridTools* tools() { return page->gridTools(); }
    QString data(int c, int r) { return page->tables().data(TableKind::Water).cell(c, r); }
    void select(int left, int top, int right, int bottom) {
        grid()->setCurrentCell(top, left);
        grid()->clearSelection();
        grid()->setRangeSelected(QTableWidgetSelectionRange(top, left, bottom, right), true);
    }
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
        if (modifiers != Qt::NoModifier) {
            QTest::keyClick(grid(), Qt::Key(k), modifiers);
        } else {
            QKeyEvent press(QEvent::KeyPress, k, modifiers, text);
            QApplication::sendEvent(grid(), &press);
        }
        tools()->settleUndo();
    }
    // The surface's heights are the table's values (after every kind of change).
    bool surfaceIsTable() {
        const QStringList cells = page->tables().data(TableKind::Water).cells();
        bool same = true;
        for (int i = 0; i < kTableCells; ++i)
            same = same && page->Panel_Space3D->scene().values()[size_t(i)] ==
                               page->tables().format().parse(cells.at(i));
        return same;
    }
    void setCell(int c, int r, const QString& text) {
        page->tables().commit({c, r}, text);
        tools()->settleUndo();
    }

    PtyRig rig;
    ModuleSettingsModel model;
    SettingsFeatures features{rig.engine, model};
    std::unique_ptr<TablesPage> page;
};

} // namespace

class TestTableGridTools : public QObject {
    Q_OBJECT
private slots:
    void bilinearFromTheCornersAndUndo();
    void scaleInPercentIsOfTheShownValue();
    void pasteWithACommaAndARefusal();
    void undoAfterAFileLoad();
    void compareMarksAndTheColourReturns();
    void dumpCompareListsTheDifferences_data();
    void dumpCompareListsTheDifferences();
    void historyOfAReadTable();
    void liveCellWithATrail();
};

void TestTableGridTools::bilinearFromTheCornersAndUndo() {
    Bench b;
    b.setCell(2, 2, "1");
    b.setCell(4, 2, "2");
    b.setCell(2, 4, "3");
    b.setCell(4, 4, "4");
    const int steps = b.tools()->undoStack().count();
    b.select(2, 2, 4, 4);
    b.key(Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(b.data(3, 3), QStringLiteral("2,5"));
    QCOMPARE(b.grid()->item(3, 3)->text(), QStringLiteral("2,5"));
    QCOMPARE(b.data(3, 4), QStringLiteral("3,5"));
    QVERIFY(b.surfaceIsTable());
    QCOMPARE(b.tools()->undoStack().count(), steps + 1);
    b.key(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(b.surfaceIsTable());
    QCOMPARE(b.data(3, 3), QStringLiteral("0,01"));
    QCOMPARE(b.grid()->item(3, 3)->text(), QStringLiteral("0,01"));
}

void TestTableGridTools::scaleInPercentIsOfTheShownValue() {
    Bench b;
    b.page->btn_FuelClick();
    b.page->tables().commit({1, 2}, QStringLiteral("1,6")); // 50 % of row 2's 3,2 ms
    b.page->srb_VV_Perc->click();
    QCOMPARE(b.grid()->item(2, 1)->text(), QStringLiteral("50"));
    b.tools()->askValue = [](auto&, auto&) { return std::optional<QString>("150"); };
    b.select(1, 2, 1, 2);
    b.key(Qt::Key_Asterisk, Qt::NoModifier, QStringLiteral("*"));
    QCOMPARE(b.grid()->item(2, 1)->text(), QStringLiteral("75"));
    QCOMPARE(b.page->tables().data(TableKind::Fuel).cell(1, 2), QStringLiteral("2,4"));
    b.tools()->askValue = [](auto&, auto&) { return std::optional<QString>("100"); };
    b.key(Qt::Key_Asterisk, Qt::NoModifier, QStringLiteral("*")); // x 100 % changes nothing
    QCOMPARE(b.page->tables().data(TableKind::Fuel).cell(1, 2), QStringLiteral("2,4"));
}

void TestTableGridTools::pasteWithACommaAndARefusal() {
    Bench b;
    QApplication::clipboard()->setText(QStringLiteral("1,5\t2,25\r\n3\t4\r\n"));
    b.select(7, 7, 7, 7);
    b.key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(b.data(7, 7), QStringLiteral("1,5"));
    QCOMPARE(b.data(8, 7), QStringLiteral("2,25"));
    QCOMPARE(b.data(8, 8), QStringLiteral("4"));
    QVERIFY(b.surfaceIsTable());
    const int steps = b.tools()->undoStack().count();

    QSignalSpy messages(b.tools(), &TableGridTools::message);
    const TableGrid before = b.page->tables().data(TableKind::Water);
    b.select(8, 8, 8, 8);
    b.key(Qt::Key_V, Qt::ControlModifier); // 2 x 2 from the last cell does not fit
    QCOMPARE(messages.count(), 1);
    QCOMPARE(b.page->tables().data(TableKind::Water), before);
    QCOMPARE(b.tools()->undoStack().count(), steps);
}

void TestTableGridTools::undoAfterAFileLoad() {
    Bench b;
    QTemporaryDir dir;
    b.setCell(5, 5, "7,5");
    const QStringList before = b.page->tables().data(TableKind::Water).cells();
    const QString path = dir.filePath(QStringLiteral("loadMAF.txt"));
    QVERIFY(!WriteTableFile(path, QStringList(kTableCells, QStringLiteral("9"))));
    b.page->askFileName = [&](TableKind, bool, const QString&) { return path; };
    b.page->atb_Water_Open->click();
    QCOMPARE(b.data(5, 5), QStringLiteral("9"));
    b.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(b.page->tables().data(TableKind::Water).cells(), before);
    QCOMPARE(b.grid()->item(5, 5)->text(), QStringLiteral("7,5"));
    b.key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(b.grid()->item(5, 5)->text(), QStringLiteral("9"));
    QVERIFY(b.surfaceIsTable()); // after a redo
}

void TestTableGridTools::compareMarksAndTheColourReturns() {
    Bench b;
    QTemporaryDir dir;
    QStringList reference = b.page->tables().data(TableKind::Water).cells();
    reference[(3 - 1) * 8 + (6 - 1)] = QStringLiteral("2"); // column 6, row 3
    const QString path = dir.filePath(QStringLiteral("refMAF.txt"));
    QVERIFY(!WriteTableFile(path, reference));
    const QBrush plain = b.grid()->item(3, 6)->background();
    b.tools()->askReferenceFile = [&] { return path; };
    b.tools()->run(GridTools::Command::CompareFile);
    QCOMPARE(b.tools()->markedCells(), (QList<CellPosition>{{6, 3}}));
    QVERIFY(b.grid()->item(3, 6)->background() != plain);
    QCOMPARE(b.grid()->item(3, 6)->toolTip(), QStringLiteral("Сейчас: 0,01; образец: 2"));
    b.setCell(6, 3, "2");
    QVERIFY(b.tools()->markedCells().isEmpty());
    QCOMPARE(b.grid()->item(3, 6)->background(), plain);
    QVERIFY(b.grid()->item(3, 6)->toolTip().isEmpty());
}

void TestTableGridTools::dumpCompareListsTheDifferences_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("Russian") << QStringLiteral("Russian.lng")
                             << QStringList{"Адрес 0xDD, Вода, столбец 3, строка 6: сейчас 0,01, "
                                            "в дампе 1,5",
                                            "Адрес 0xE5, Топливо, столбец 3, строка 7: сейчас "
                                            "0,01, в дампе 0,5"};
    QTest::newRow("English") << QStringLiteral("English.lng")
                             << QStringList{"Address 0xDD, water table column 3, row 6: here "
                                            "0,01, in the dump 1,5",
                                            "Address 0xE5, fuel table column 3, row 7: here "
                                            "0,01, in the dump 0,5"};
}

// A compare with a dump lists every differing address of both tables with its cell, in the
// interface language; the rest of the dump (settings, curve) is no concern of the tables.
void TestTableGridTools::dumpCompareListsTheDifferences() {
    QFETCH(QString, language);
    QFETCH(QStringList, lines);
    Bench b;
    if (!language.isEmpty()) {
        const LanguageFileContent file =
            ReadLanguageFile(QStringLiteral(MARVEK2_LANGUAGE_DIR "/") + language);
        QVERIFY(!file.entries.isEmpty());
        InterfaceTexts texts;
        texts.apply(file.entries);
        b.tools()->setTexts(texts);
    }
    b.setCell(1, 1, "0,14"); // byte 0x01 like the dump's 0,1: not a difference
    // The dump holds both tables as they are (an empty cell is written as the lowest value).
    EepromImage image{};
    for (TableKind kind : {TableKind::Water, TableKind::Fuel})
        for (int r = 1; r <= 8; ++r)
            for (int c = 1; c <= 8; ++c) {
                const QString cell = b.page->tables().data(kind).cell(c, r);
                const double v =
                    cell.isEmpty() ? kCellMinimum : *b.page->tables().format().parse(cell);
                image[size_t(CellEepromAddress(kind, c, r))] = std::uint8_t(EncodeCell(v));
            }
    image[size_t(CellEepromAddress(TableKind::Water, 3, 6))] = std::uint8_t(EncodeCell(1.5));
    image[size_t(CellEepromAddress(TableKind::Fuel, 3, 7))] = std::uint8_t(EncodeCell(0.5));
    image[0x05] = 0x42; // a setting: not listed by the tables
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("A") + QLatin1String(kDumpFileSuffix));
    QVERIFY(WriteDumpFile(path, image).isEmpty());
    b.tools()->askReferenceFile = [&] { return path; };
    b.tools()->run(GridTools::Command::CompareFile);
    QDialog* window = b.tools()->dumpWindow();
    QVERIFY(window && window->isVisible());
    auto* list = window->findChild<QListWidget*>(QStringLiteral("lst_DumpDifferences"));
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    QCOMPARE(shown.join(u'\n'), lines.join(u'\n'));
    QCOMPARE(b.tools()->markedCells(), (QList<CellPosition>{{3, 6}})); // the same cells
    window->findChild<QPushButton*>(QStringLiteral("btn_DumpDifferences_Close"))->click();
    QVERIFY(!window->isVisible());
}

void TestTableGridTools::historyOfAReadTable() {
    Bench b;
    QTemporaryDir dir;
    b.tools()->setHistory(HistoryFolder(dir.filePath(QStringLiteral("History"))));
    b.setCell(1, 1, "3,3");
    b.tools()->keepInHistory(TableKind::Water, QStringLiteral("read"),
                             b.page->tables().data(TableKind::Water).cells());
    b.setCell(1, 1, "4");
    b.tools()->run(GridTools::Command::History);
    auto* list = b.tools()->historyWindow()->findChild<QListWidget*>(QStringLiteral("lst_History"));
    QCOMPARE(list->count(), 1);
    b.tools()
        ->historyWindow()
        ->findChild<QPushButton*>(QStringLiteral("btn_History_Open"))
        ->click();
    QCOMPARE(b.data(1, 1), QStringLiteral("3,3"));
    QVERIFY(b.surfaceIsTable());
    b.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(b.data(1, 1), QStringLiteral("4"));
}

void TestTableGridTools::liveCellWithATrail() {
    Bench b;
    // Injection-time basis: 3000 rpm is column 6,25, 8 ms row 3,5 -> cell (6, 4).
    b.tools()->showLive(3000, 8, 4.0);
    QCOMPARE(b.tools()->liveTrail().size(), 1);
    QVERIFY(b.grid()->item(4, 6)->font().bold());
    b.tools()->showLive(1200, 0.1, 4.0); // cell (4, 1); (6, 4) stays as the trail
    QVERIFY(b.grid()->item(1, 4)->font().bold());
    QVERIFY(!b.grid()->item(4, 6)->font().bold());
    QVERIFY(b.grid()->item(4, 6)->data(Qt::ForegroundRole).isValid());
    // The surface shows the same cell and trail, its marker drawn in the picture.
    auto* surface = b.page->findChild<SurfaceView*>();
    QVERIFY(surface);
    QCOMPARE(surface->scene().liveTrail(), b.tools()->liveTrail());
    surface->resize(400, 320);
    const auto markerPixels = [surface] {
        const QImage picture = surface->grabPicture().convertToFormat(QImage::Format_RGB32);
        int count = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                count += picture.pixel(x, y) == qRgb(230, 0, 0);
        return count;
    };
    QVERIFY(markerPixels() > 10);
    b.tools()->clearLive();
    QVERIFY(!b.grid()->item(1, 4)->data(Qt::ForegroundRole).isValid());
    QVERIFY(!b.grid()->item(4, 6)->data(Qt::ForegroundRole).isValid());
    QVERIFY(surface->scene().liveTrail().isEmpty());
    QCOMPARE(markerPixels(), 0);
}

QTEST_MAIN(TestTableGridTools)
#include "tst_table_grid_tools.moc"
