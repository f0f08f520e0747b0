// The grids' context menu and keys: range operations, copy and paste, undo and redo, compare;
// driven through sgrid_Emu and its named actions, offscreen.
#include "curve_features.h"
#include "curve_file.h"
#include "curve_grid_tools.h"
#include "emulator_page.h"
#include "pty_rig.h"
#include "russian_texts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <qcustomplot.h>

#include <memory>

using namespace curve;

namespace {

struct CurveBench {
    CurveBench() {
        features.model().setFormat(DecimalFormat(QChar(u',')));
        page = std::make_unique<EmulatorPage>(features);
        page->applyLanguage({}, RussianTexts());
        page->resize(1000, 700);
        page->show();
        grid()->setFocus();
        features.model().load(QStringList(kPointCount, QStringLiteral("1")));
        tools()->settleUndo();
        tools()->undoStack().clear();
    }
    QTableWidget* grid() { return page->findChild<QTableWidget*>(QStringLiteral("sgrid_Emu")); }
    CurveGridTools* tools() { return page->gridTools(); }
    CurveModel& model() { return features.model(); }
    void select(int first, int last) {
        grid()->setCurrentCell(first, 1);
        grid()->clearSelection();
        grid()->setRangeSelected(QTableWidgetSelectionRange(first, 1, last, 1), true);
    }
    // A key on the grid, then the event loop's turn in which the change becomes an undo step.
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, k, modifiers, text);
        QKeyEvent release(QEvent::KeyRelease, k, modifiers, text);
        if (modifiers != Qt::NoModifier) {
            QTest::keyClick(grid(), Qt::Key(k), modifiers);
        } else {
            QApplication::sendEvent(grid(), &press);
            QApplication::sendEvent(grid(), &release);
        }
        tools()->settleUndo();
    }

    PtyRig rig;
    CurveFeatures features{rig.engine};
    std::unique_ptr<EmulatorPage> page;
};

} // namespace

class TestGridTools : public QObject {
    Q_OBJECT
private slots:
    void typedKeysRunRangeOperations_data();
    void typedKeysRunRangeOperations();
    void interpolateAndSmoothByCtrlKeys();
    void copyAndPasteThroughTheClipboard();
    void refusedPasteChangesNothing();
    void undoAfterAFileLoadRestoresThePreviousCurve();
    void aDragIsOneUndoStep();
    void compareMarksDifferingPoints();
    void contextMenuOffersTheCommands();
    void historyEntryOpensAsAnUndoStep();
};

void TestGridTools::typedKeysRunRangeOperations_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");
    QTest::newRow("= sets") << int(Qt::Key_Equal) << "="
                            << "2,5"
                            << "2,5";
    QTest::newRow("+ adds, a point typed on a comma system") << int(Qt::Key_Plus) << "+"
                                                             << "0.25"
                                                             << "1,25";
    QTest::newRow("* scales") << int(Qt::Key_Asterisk) << "*"
                              << "150"
                              << "1,5";
}

void TestGridTools::typedKeysRunRangeOperations() {
    QFETCH(int, key);
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    CurveBench b;
    QString offered;
    b.tools()->askValue = [&](const QString&, const QString& text) {
        offered = text;
        return std::optional<QString>(answer);
    };
    b.select(10, 12);
    b.key(key, Qt::NoModifier, typed);
    QCOMPARE(offered, typed == QLatin1String("*") ? QStringLiteral("100") : QString()); // neutral
    for (int i = 10; i <= 12; ++i)
        QCOMPARE(b.grid()->item(i, 1)->text(), expected);
    QCOMPARE(b.grid()->item(13, 1)->text(), QStringLiteral("1"));
    QCOMPARE(b.model().values().at(11), b.model().format().parse(expected).value());
    QCOMPARE(b.tools()->undoStack().count(), 1);
    b.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(b.grid()->item(11, 1)->text(), QStringLiteral("1"));
    b.key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(b.grid()->item(11, 1)->text(), expected);
}

void TestGridTools::interpolateAndSmoothByCtrlKeys() {
    CurveBench b;
    b.model().commit(20, QStringLiteral("1"));
    b.model().commit(24, QStringLiteral("3"));
    b.tools()->settleUndo();
    b.select(20, 24);
    b.key(Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(b.grid()->item(22, 1)->text(), QStringLiteral("2"));
    QCOMPARE(b.grid()->item(23, 1)->text(), QStringLiteral("2,5"));
    b.select(24, 24);
    b.key(Qt::Key_L, Qt::ControlModifier); // (2,5 + 3 + 1) / 3
    QCOMPARE(b.grid()->item(24, 1)->text(), QStringLiteral("2,17"));
    QCOMPARE(b.tools()->undoStack().count(), 3);
}

void TestGridTools::copyAndPasteThroughTheClipboard() {
    CurveBench b;
    b.model().commit(3, QStringLiteral("2,56"));
    b.select(2, 3);
    b.key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("1\n2,56\n"));
    b.select(40, 40);
    b.key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(b.grid()->item(40, 1)->text(), QStringLiteral("1"));
    QCOMPARE(b.grid()->item(41, 1)->text(), QStringLiteral("2,56"));
    // A spreadsheet's column with CR LF and a point.
    QApplication::clipboard()->setText(QStringLiteral("0.5\r\n4,75\r\n"));
    b.select(62, 62);
    b.key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(b.grid()->item(62, 1)->text(), QStringLiteral("0,5"));
    QCOMPARE(b.grid()->item(63, 1)->text(), QStringLiteral("4,75"));
}

void TestGridTools::refusedPasteChangesNothing() {
    CurveBench b;
    QSignalSpy messages(b.page.get(), &EmulatorPage::message);
    const QStringList before = b.model().texts();
    QApplication::clipboard()->setText(QStringLiteral("1\n2\n3"));
    b.select(62, 62);
    b.key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages.first().first().toString().contains(QStringLiteral("3")));
    QCOMPARE(b.model().texts(), before);
    QCOMPARE(b.tools()->undoStack().count(), 0);
}

void TestGridTools::undoAfterAFileLoadRestoresThePreviousCurve() {
    CurveBench b;
    QTemporaryDir dir;
    b.model().commit(5, QStringLiteral("2,2"));
    b.tools()->settleUndo();
    const CurveSnapshot before = TakeSnapshot(b.model());
    const QString path = dir.filePath(QStringLiteral("lateEmu.txt"));
    QVERIFY(WriteCurveFile(path, QStringList(kPointCount, QStringLiteral("3,3"))).isEmpty());
    b.page->askOpenFileName = [&] { return path; };
    b.page->findChild<QToolButton*>(QStringLiteral("atb_Emu_Open_2"))->click();
    QCOMPARE(b.grid()->item(5, 1)->text(), QStringLiteral("3,3"));
    b.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(TakeSnapshot(b.model()), before);
    QCOMPARE(b.grid()->item(5, 1)->text(), QStringLiteral("2,2"));
    b.key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(b.grid()->item(5, 1)->text(), QStringLiteral("3,3"));
    QCOMPARE(b.model().values().at(0), 3.3);
}

void TestGridTools::aDragIsOneUndoStep() {
    CurveBench b;
    QCustomPlot* chart = b.page->chart();
    chart->replot();
    const QPoint from(int(chart->xAxis->coordToPixel(30)), int(chart->yAxis->coordToPixel(1.0)));
    QTest::mousePress(chart, Qt::LeftButton, {}, from);
    for (int y = from.y() - 5; y > from.y() - 60; y -= 5) {
        QMouseEvent move(QEvent::MouseMove, QPointF(from.x(), y),
                         chart->mapToGlobal(QPointF(from.x(), y)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(chart, &move);
        QCoreApplication::processEvents(); // the turns in which a change would settle
    }
    QTest::mouseRelease(chart, Qt::LeftButton, {}, QPoint(from.x(), from.y() - 60));
    QVERIFY(b.model().text(30) != QStringLiteral("1"));
    QCOMPARE(b.tools()->undoStack().count(), 1);
    b.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(b.model().text(30), QStringLiteral("1"));
    QCOMPARE(b.model().values().at(30), 1.0);
}

void TestGridTools::compareMarksDifferingPoints() {
    CurveBench b;
    QTemporaryDir dir;
    QStringList reference(kPointCount, QStringLiteral("1"));
    reference[7] = QStringLiteral("1,5");
    const QString path = dir.filePath(QStringLiteral("refEmu.txt"));
    QVERIFY(WriteCurveFile(path, reference).isEmpty());
    b.tools()->askReferenceFile = [&] { return path; };
    b.tools()->run(GridTools::Command::CompareFile);
    QCOMPARE(b.tools()->markedPoints(), QList<int>{7});
    QTableWidgetItem* item = b.grid()->item(7, 1);
    QVERIFY(item->background().style() != Qt::NoBrush);
    QVERIFY(item->toolTip().contains(QStringLiteral("1,5")));
    QVERIFY(b.grid()->item(8, 1)->toolTip().isEmpty());
    // An edit that makes the point equal clears its mark; one that differs adds a mark.
    b.model().commit(7, QStringLiteral("1,5"));
    b.model().commit(9, QStringLiteral("0"));
    QCOMPARE(b.tools()->markedPoints(), QList<int>{9});
    QCOMPARE(b.grid()->item(7, 1)->background().style(), Qt::NoBrush);
    b.tools()->run(GridTools::Command::CompareOff);
    QVERIFY(b.tools()->markedPoints().isEmpty());
    QVERIFY(b.grid()->item(9, 1)->toolTip().isEmpty());
}

void TestGridTools::contextMenuOffersTheCommands() {
    CurveBench b;
    QMenu* menu = b.tools()->contextMenu();
    QStringList names;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            names << a->objectName();
    QVERIFY(names.contains(QStringLiteral("act_Tune_Set")));
    QVERIFY(names.contains(QStringLiteral("act_Tune_Interpolate")));
    QVERIFY(!names.contains(QStringLiteral("act_Tune_InterpolateRows"))); // tables only
    QVERIFY(names.contains(QStringLiteral("act_Tune_CompareRead")));
    QVERIFY(!b.tools()->action(GridTools::Command::Undo)->isEnabled());
}

void TestGridTools::historyEntryOpensAsAnUndoStep() {
    CurveBench b;
    QTemporaryDir dir;
    b.tools()->setHistory(HistoryFolder(dir.filePath(QStringLiteral("History"))));
    b.model().commit(0, QStringLiteral("0,7"));
    b.tools()->keepInHistory(QStringLiteral("read"), b.model().texts());
    b.model().commit(0, QStringLiteral("4"));
    b.tools()->settleUndo();
    const int steps = b.tools()->undoStack().count();

    b.tools()->run(GridTools::Command::History);
    QDialog* window = b.tools()->historyWindow();
    QVERIFY(window && window->isVisible());
    auto* list = window->findChild<QListWidget*>(QStringLiteral("lst_History"));
    QCOMPARE(list->count(), 1);
    QVERIFY(list->item(0)->text().contains(QStringLiteral("чтение")));
    window->findChild<QPushButton*>(QStringLiteral("btn_History_Open"))->click();
    QVERIFY(!window->isVisible());
    QCOMPARE(b.grid()->item(0, 1)->text(), QStringLiteral("0,7"));
    b.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(b.tools()->undoStack().count(), steps + 1);
    QCOMPARE(b.grid()->item(0, 1)->text(), QStringLiteral("4"));

    // Compare with the entry: the changed point is marked.
    b.tools()->run(GridTools::Command::History);
    window->findChild<QPushButton*>(QStringLiteral("btn_History_Compare"))->click();
    QCOMPARE(b.tools()->markedPoints(), QList<int>{0});
}

QTEST_MAIN(TestGridTools)
#include "tst_grid_tools.moc"
