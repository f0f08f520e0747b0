// The table page driven through its named controls against the simulated module on a
// pseudo-terminal.
#include "module_settings.h"
#include "pty_rig.h"
#include "russian_texts.h"
#include "settings_features.h"
#include "surface_view.h"
#include "table_grid_tools.h"
#include "tables_page.h"
#include "text_file.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

struct Bench {
    Bench() : rig(MakeImage([](int a) { return a >= 0x80 ? a % 200 + 1 : 0; })) {
        rig.engine.setIntervalScale(0.3);
        InterfaceTexts texts = RussianTexts();
        texts.setText(33, QStringLiteral("Таблица воды"));
        texts.setText(34, QStringLiteral("Таблица топлива"));
        page = std::make_unique<TablesPage>(rig.engine, features);
        page->setTexts(texts, false);
        InfoSettings info;
        info.correctionBasis = CorrectionBasis::InjectionTime;
        page->applyInfo(info);
        page->resize(1100, 700);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        page->btn_WaterClick();
    }
    QTableWidget* grid() { return page->sgrid_Table_3D; }
    QString cell(int c, int r) { return grid()->item(r, c)->text(); }
    QString sep() { return QString(page->tables().format().separator()); }
    // Types into the cell and presses the key, as the user does.
    void type(int c, int r, const QString& text, Qt::Key key = Qt::Key_Return) {
        grid()->setFocus();
        grid()->setCurrentCell(r, c);
        // The first character opens the cell's editor; the rest go into it.
        for (const QChar ch : text)
            QTest::keyClick(target(), ch.toLatin1());
        QTest::keyClick(target(), key);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The open editor of the focused cell, or the grid.
    QWidget* target() {
        for (auto* editor : grid()->viewport()->findChildren<QLineEdit*>()) {
            if (editor->isVisible())
                return editor;
        }
        return grid();
    }

    PtyRig rig;
    ModuleSettingsModel model;
    SettingsFeatures features{rig.engine, model};
    std::unique_ptr<TablesPage> page;
};

} // namespace

class TablesPageTest : public QObject {
    Q_OBJECT
private slots:
    void editing_data();
    void editing();
    void notANumberKeepsTheTable();
    void movingWithoutTypingChangesNothing_data();
    void movingWithoutTypingChangesNothing();
    void unitsAndTables();
    void readAndConfirmedWrite();
    void transferLocksEditing_data();
    void transferLocksEditing();
    void basisButtons();
    void fileButtons();
};

void TablesPageTest::editing_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("stored"); // with '.' for the system separator
    QTest::addColumn<int>("nextColumn");
    QTest::addColumn<int>("nextRow");
    QTest::newRow("1.234 Enter") << 1 << 2 << "1.234" << int(Qt::Key_Return) << "1.23" << 1 << 3;
    QTest::newRow("30 Enter, bottom right wraps")
        << 8 << 8 << "30" << int(Qt::Key_Return) << "25.5" << 1 << 1;
    QTest::newRow("0 Up") << 3 << 4 << "0" << int(Qt::Key_Up) << "0.01" << 3 << 3;
    QTest::newRow("7 Right") << 3 << 4 << "7" << int(Qt::Key_Right) << "7" << 4 << 4;
    QTest::newRow("40 Tab: committed all the same")
        << 3 << 4 << "40" << int(Qt::Key_Tab) << "25.5" << 4 << 4;
}

void TablesPageTest::editing() {
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QString, stored);
    Bench b;
    b.type(column, row, typed, Qt::Key(key));
    stored.replace(u'.', b.sep());
    QCOMPARE(b.page->tables().data(TableKind::Water).cell(column, row), stored);
    QCOMPARE(b.cell(column, row), stored);
    QTEST(b.grid()->currentColumn(), "nextColumn");
    QTEST(b.grid()->currentRow(), "nextRow");
}

void TablesPageTest::notANumberKeepsTheTable() {
    Bench b;
    QSignalSpy message(b.page.get(), &TablesPage::message);
    const TableGrid before = b.page->tables().data(TableKind::Water);
    b.type(2, 2, QStringLiteral("1.2.3"));
    QCOMPARE(message.size(), 1);
    QVERIFY(message.at(0).at(0).toString().contains(QLatin1String("2.3")));
    QVERIFY(b.page->tables().data(TableKind::Water) == before);
    QCOMPARE(b.grid()->currentRow(), 2); // the focus stays on the cell
}

void TablesPageTest::movingWithoutTypingChangesNothing_data() {
    QTest::addColumn<QString>("unit");
    for (const char* unit : {"srb_VV_Abs", "srb_VV_Perc", "srb_VV_mLH"})
        QTest::newRow(unit) << QString::fromLatin1(unit);
}

void TablesPageTest::movingWithoutTypingChangesNothing() {
    QFETCH(QString, unit);
    Bench b;
    // Values the percent view shows rounded (4,3 ms of row 5, 12,8 ms, is 33,59375 %).
    QStringList cells;
    for (int i = 0; i < kTableCells; ++i)
        cells << b.page->tables().format().format(0.37 * i + 1.13 + (i % 3) * 0.001);
    b.page->tables().loadCells(TableKind::Water, cells);
    b.page->btn_WaterClick();
    b.page->findChild<QRadioButton*>(unit)->click();
    const TableGrid before = b.page->tables().data(TableKind::Water);
    b.grid()->setFocus();
    b.grid()->setCurrentCell(1, 1);
    for (int i = 0; i < kTableCells; ++i)
        QTest::keyClick(b.grid(), Qt::Key_Return); // the Enter walk over every cell
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_Up, Qt::Key_Left, Qt::Key_F2,
                              Qt::Key_Down, Qt::Key_Tab}) // an editor left unchanged too
        QTest::keyClick(b.target(), key);
    QVERIFY(b.page->tables().data(TableKind::Water) == before);
}

void TablesPageTest::unitsAndTables() {
    Bench b;
    QVERIFY(b.page->srg_VV->isVisible());
    b.page->btn_FuelClick();
    QCOMPARE(b.page->spnl_Name_Table_3D->text(), QStringLiteral("Таблица топлива"));
    QCOMPARE(b.grid()->item(1, 1)->background().color(), QColor(0xF0, 0xE7, 0xD2));
    QCOMPARE(b.page->spnl_3D_Buttons->currentWidget(), b.page->atb_Fuel_Out->parentWidget());
    b.type(4, 1, QStringLiteral("2.5"));
    b.type(1, 2, QStringLiteral("1.6"));
    b.page->srb_VV_Perc->click();
    QCOMPARE(b.cell(1, 2), QStringLiteral("50"));
    b.type(1, 2, QStringLiteral("20")); // raised to 50 %
    QCOMPARE(b.page->tables().data(TableKind::Fuel).cell(1, 2),
             QString(QStringLiteral("1.6")).replace(u'.', b.sep()));
    b.page->srb_VV_mLH->click();
    QVERIFY(b.page->sEd_fors_fuel->isVisible());
    QVERIFY(!b.page->sEd_fors_water->isVisible());
    QCOMPARE(b.cell(4, 1), QStringLiteral("2500")); // no flow yet: the percent stays shown
    b.page->sEd_fors_fuel->setText(QStringLiteral("200"));
    b.page->srb_VV_mLH->click();
    QCOMPARE(b.cell(4, 1), QStringLiteral("1200"));
    b.page->srb_VV_Abs->click();
    QVERIFY(!b.page->sEd_fors_fuel->isVisible());
    b.page->btn_WaterClick();
    QCOMPARE(b.page->spnl_Name_Table_3D->text(), QStringLiteral("Таблица воды"));
    QCOMPARE(b.grid()->item(0, 1)->background().color(), QColor(0x79, 0xBD, 0xD7));
}

void TablesPageTest::readAndConfirmedWrite() {
    Bench b;
    QVERIFY(b.rig.started && b.rig.open());
    QSignalSpy unlock(b.page.get(), &TablesPage::unlockRequested);
    b.page->atb_Water_Out->click();
    QTRY_COMPARE_WITH_TIMEOUT(unlock.size(), 1, 20000);
    // Water (1, 1) is EEPROM-8F: 0x8F % 200 + 1 = 144 -> 14,4 ms.
    QCOMPARE(b.cell(1, 1), QString(QStringLiteral("14.4")).replace(u'.', b.sep()));

    b.type(1, 1, QStringLiteral("2.6"));
    b.page->atb_Water_In->click();
    QCOMPARE(b.page->spnl_KorrTab_Place->currentWidget(), b.page->spnl_Water_In);
    b.page->sbtn_Cancel_Water_In->click();
    QCOMPARE(b.page->spnl_KorrTab_Place->currentWidget(), b.page->sgb_KorrTab);
    QTest::qWait(100);
    const qsizetype sentBefore = b.rig.received().size();
    QCOMPARE(b.rig.received().size(), sentBefore); // cancel sent nothing

    b.page->atb_Water_In->click();
    b.page->sbtn_OK_Water_In->click();
    QCOMPARE(b.page->spnl_KorrTab_Place->currentWidget(), b.page->sgb_KorrTab);
    QTRY_COMPARE_WITH_TIMEOUT(unlock.size(), 2, 30000);
    QCOMPARE(b.rig.received().at(sentBefore), QStringLiteral("A1F8)"));
    QCOMPARE(quint8(b.rig.eeprom().at(0x8F)), quint8(0x1A));
}

void TablesPageTest::transferLocksEditing_data() {
    QTest::addColumn<QString>("control");
    for (const char* name :
         {"sgrid_Table_3D", "srb_VV_Abs", "srb_VV_Perc", "srb_VV_mLH", "atb_KorrTab_MAF",
          "atb_KorrTab_VV", "atb_Water_Save", "atb_Water_Open", "atb_Fuel_Save", "atb_Fuel_Open",
          "act_Tune_Set", "act_Tune_Add", "act_Tune_Scale", "act_Tune_Interpolate",
          "act_Tune_Smooth", "act_Tune_Paste", "act_Tune_Undo", "act_Tune_Redo",
          "btn_History_Open"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TablesPageTest::transferLocksEditing() {
    QFETCH(QString, control);
    Bench b;
    QVERIFY(b.rig.started && b.rig.open());
    b.type(1, 1, QStringLiteral("3.3"));                   // something to undo
    b.page->gridTools()->run(GridTools::Command::History); // the window with its open button
    const auto enabled = [&] {
        auto* w = b.page->findChild<QWidget*>(control);
        return w ? w->isEnabled() : b.page->findChild<QAction*>(control)->isEnabled();
    };
    QSignalSpy unlock(b.page.get(), &TablesPage::unlockRequested);
    b.page->atb_Water_Out->click();
    QVERIFY(!enabled());
    // What reaches the model anyway is refused: the read fills the table undisturbed.
    QVERIFY(!b.page->tables().commit({1, 1}, QStringLiteral("7")));
    b.page->gridTools()->run(GridTools::Command::Undo);
    QTRY_COMPARE_WITH_TIMEOUT(unlock.size(), 1, 20000);
    QCOMPARE(b.cell(1, 1), QString(QStringLiteral("14.4")).replace(u'.', b.sep())); // as read
    QCOMPARE(enabled(), control != QLatin1String("act_Tune_Redo")); // nothing was undone
}

void TablesPageTest::basisButtons() {
    Bench b;
    QVERIFY(b.rig.started && b.rig.open());
    QVERIFY(b.page->atb_KorrTab_VV->isChecked());
    QCOMPARE(b.page->Panel_3D_Left->text(), QStringLiteral("t, мс"));
    b.page->srb_VV_Perc->click();
    b.page->atb_KorrTab_MAF->click();
    QVERIFY(b.page->atb_KorrTab_MAF->isChecked());
    QVERIFY(!b.page->srg_VV->isVisible());
    b.type(1, 2, QStringLiteral("2.5")); // the hidden units are back at absolute values
    QCOMPARE(b.page->tables().data(TableKind::Water).cell(1, 2), "2" + b.sep() + "5");
    // Shown with the separator of the cells' numbers.
    QCOMPARE(b.cell(0, 8), b.page->tables().format().normalised(QStringLiteral("4,4")));
    QCOMPARE(b.page->tables().data(TableKind::Water).cell(0, 8), QStringLiteral("22,4"));
    QCOMPARE(b.page->Panel_3D_Left->text(), QStringLiteral("V"));
    QVERIFY(b.rig.journal.lines().last().endsWith(
                QStringLiteral(" Производить коррекцию таблиц по напряжению от MAF")) ||
            !b.rig.journal.lines().filter(QStringLiteral("напряжению от MAF")).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(b.rig.received().contains(QStringLiteral("00*")), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!b.rig.engine.anyEnabled(), 10000);
    QCOMPARE(b.rig.eeprom().at(0) & 0x02, 0x02);
    InfoSettings stored;
    b.page->storeInfo(stored);
    QCOMPARE(stored.correctionBasis, CorrectionBasis::Maf);
}

void TablesPageTest::fileButtons() {
    Bench b;
    QTemporaryDir dir;
    QString chosen;
    b.page->askFileName = [&](TableKind, bool, const QString&) { return chosen; };
    b.type(1, 1, QStringLiteral("3.3"));
    chosen = dir.filePath(QStringLiteral("one"));
    b.page->atb_Water_Save->click();
    const TextFileContent saved = ReadTextFile(dir.filePath(QStringLiteral("oneMAF.txt")));
    QVERIFY(saved.ok());
    QCOMPARE(saved.lines.size(), 64);

    // A file of 63 lines is refused with its name; the table stays.
    QVERIFY(
        WriteTextFile(dir.filePath(QStringLiteral("shortMAF.txt")), saved.lines.mid(1)).isEmpty());
    QSignalSpy message(b.page.get(), &TablesPage::message);
    chosen = dir.filePath(QStringLiteral("shortMAF.txt"));
    b.page->atb_Water_Open->click();
    QCOMPARE(message.size(), 1);
    QVERIFY(message.at(0).at(0).toString().contains(QLatin1String("shortMAF.txt")));
    QCOMPARE(b.cell(1, 1), QString(QStringLiteral("3.3")).replace(u'.', b.sep()));

    // Out of range: limited at once and said so; an empty line at the end is no content.
    QStringList lines = saved.lines;
    lines[0] = QStringLiteral("30");
    QVERIFY(WriteTextFile(dir.filePath(QStringLiteral("bigMAF.txt")), lines << "").isEmpty());
    chosen = dir.filePath(QStringLiteral("bigMAF.txt"));
    b.page->atb_Water_Open->click();
    QVERIFY(message.at(1).at(0).toString().contains(QStringLiteral("bigMAF.txt: значений")));
    QCOMPARE(b.cell(1, 1), QString(QStringLiteral("25.5")).replace(u'.', b.sep()));
    QCOMPARE(b.page->Panel_Space3D->scene().values().at(0), 25.5); // the surface follows
}

QTEST_MAIN(TablesPageTest)
#include "tst_tables_page.moc"
