// The curve page driven through its named controls, offscreen, against the simulated module on a
// pseudo-terminal.
#include "curve_features.h"
#include "curve_file.h"
#include "emulator_page.h"
#include "interface_lock.h"
#include "languages.h"
#include "pty_rig.h"
#include "status_panels.h"
#include "text_file.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <qcustomplot.h>

#include <memory>

using namespace curve;

namespace {

struct Bench {
    explicit Bench(const QByteArray& image = QByteArray()) : rig(image) {
        InterfaceTexts texts;
        texts.setText(9, QStringLiteral("U = "));
        texts.setText(10, QStringLiteral(" В"));
        texts.setText(11, QStringLiteral("Точка "));
        texts.setText(46, QStringLiteral("Время впрыска: "));
        texts.setText(47, QStringLiteral(" мс"));
        features.model().setFormat(DecimalFormat(QChar(u',')));
        page = std::make_unique<EmulatorPage>(features);
        page->applyLanguage({}, texts);
        page->resize(1000, 700);
        page->show();
        page->chart()->replot();
    }
    template <typename T> T* find(const char* name) {
        T* w = page->findChild<T*>(QLatin1String(name));
        if (!w)
            qWarning() << "no control" << name;
        return w;
    }
    QTableWidget* grid() { return find<QTableWidget>("sgrid_Emu"); }
    CurveModel& model() { return features.model(); }
    // The pixel of point i of the edit series on Chart_Bis.
    QPoint pixelOf(int point) {
        QCustomPlot* chart = page->chart();
        chart->replot();
        return QPoint(int(chart->xAxis->coordToPixel(point)),
                      int(chart->yAxis->coordToPixel(model().values().at(point))));
    }
    void loadRising(int maximumAt) {
        QStringList texts;
        for (int i = 0; i < kPointCount; ++i)
            texts << model().format().format(i <= maximumAt ? 4.0 * i / maximumAt : 4.0);
        model().load(texts);
    }
    // The chart's one curve is the grid, point by point.
    bool chartIsGrid() {
        const QCPGraph* curve = page->chart()->graph(0);
        bool same = curve->dataCount() == kPointCount;
        for (int i = 0; same && i < kPointCount; ++i)
            same =
                model().format().parse(grid()->item(i, 1)->text()) == curve->data()->at(i)->value;
        return same;
    }

    PtyRig rig;
    CurveFeatures features{rig.engine};
    std::unique_ptr<EmulatorPage> page;
};

} // namespace

class TestEmulatorPage : public QObject {
    Q_OBJECT
private slots:
    void gridCommitsAndWalks();
    void stepButtonsWriteBothWays();
    void rightClickProposesArcs();
    void rightClickProposesLineForMap();
    void proposalRefusedWithMessage();
    void dragLimitsToTheChart();
    void readAndWriteButtons();
    void filterPair();
    void fileButtons();
    void overlayTrail();
    void markerCountHeldAndTyped();
    void relabelledByTheRange();
};

void TestEmulatorPage::gridCommitsAndWalks() {
    Bench b;
    QTableWidget* grid = b.grid();
    QCOMPARE(grid->rowCount(), kPointCount);
    QCOMPARE(grid->item(63, 0)->text(), QString(18, QLatin1Char(' ')) + QStringLiteral("63"));
    grid->setFocus();
    grid->setCurrentCell(63, 1);
    QTest::keyClick(grid, Qt::Key_7); // starts the editor with the typed character
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("7"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(grid->item(63, 1)->text(), QStringLiteral("5"));
    QVERIFY(b.chartIsGrid());
    QCOMPARE(grid->currentRow(), 0); // Enter in row 63 goes to row 0
    // A minus sign is typed text in a cell, not the subtract command.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the closed editor
    QTest::keyClick(grid, '-');
    QTest::keyClicks(grid->viewport()->findChild<QLineEdit*>(), QStringLiteral("1"));
    QCOMPARE(grid->viewport()->findChild<QLineEdit*>()->text(), QStringLiteral("-1"));

    QSignalSpy messages(b.page.get(), &EmulatorPage::message);
    grid->setCurrentCell(4, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the closed editor
    QTest::keyClick(grid, Qt::Key_2);
    editor = grid->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    QTest::keyClicks(editor, QStringLiteral("x"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(messages.count(), 1);
    QCOMPARE(grid->item(4, 1)->text(), QStringLiteral("0"));
    QCOMPARE(grid->currentRow(), 5);
    QTest::keyClick(grid, Qt::Key_Return); // without an editor: the walk only
    QCOMPARE(grid->currentRow(), 6);
}

void TestEmulatorPage::stepButtonsWriteBothWays() {
    Bench b;
    QVERIFY(b.rig.open());
    b.model().setText(17, QStringLiteral("1,04"));
    b.model().setText(20, QStringLiteral("4,98"));
    QTableWidget* grid = b.grid();
    auto* down = b.find<QToolButton>("atb_SGrid_Down");
    auto* up = b.find<QToolButton>("atb_SGrid_Up");
    QVERIFY(!down->isVisible());
    grid->scrollToItem(grid->item(17, 1));
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(grid->item(17, 1)).center());
    QVERIFY(down->isVisible() && up->isVisible());
    QCOMPARE(down->geometry().top(), grid->visualItemRect(grid->item(17, 1)).top());
    QTest::mouseClick(down, Qt::LeftButton);
    QTest::mouseClick(down, Qt::LeftButton);
    QCOMPARE(grid->item(17, 1)->text(), QStringLiteral("1"));
    QVERIFY(b.chartIsGrid());
    QTRY_COMPARE_WITH_TIMEOUT(b.rig.sim().state().eeprom(kFirstAddress + 17), 50, 5000);
    QVERIFY(b.rig.received().contains(QStringLiteral("2314)")));

    QTest::mousePress(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(grid->item(20, 1)).center());
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton); // held at the limit: stays 5
    QCOMPARE(grid->item(20, 1)->text(), QStringLiteral("5"));
    QTRY_COMPARE_WITH_TIMEOUT(b.rig.sim().state().eeprom(kFirstAddress + 20), 250, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!down->isVisible() && !up->isVisible(), 3000); // auto-hide
}

void TestEmulatorPage::rightClickProposesArcs() {
    Bench b;
    b.page->showAcceptButtons(false);
    b.loadRising(40);
    QTest::mousePress(b.page->chart(), Qt::RightButton, {}, b.pixelOf(12));
    QTest::mouseRelease(b.page->chart(), Qt::RightButton, {}, b.pixelOf(12));
    QCOMPARE(b.page->proposalGraphCount(), 2 * kArcCandidateCount);
    int red = 0;
    for (int i = 0; i < b.page->proposalGraphCount(); ++i)
        red += b.page->proposalColour(i) == QColor(Qt::red);
    QCOMPARE(red, 2);
    auto* maf = b.find<QToolButton>("atb_Accept_Interpolation_MAF");
    auto* map = b.find<QToolButton>("atb_Accept_Interpolation_MAP");
    QVERIFY(maf->isVisible() && maf->isEnabled());
    QVERIFY(!map->isVisible());
    QCOMPARE(b.page->acceptButtonInFront(), maf);
    QTest::mouseClick(maf, Qt::LeftButton);
    // On the saturated curve the points after the maximum keep their values.
    for (int i = 40; i < kPointCount; ++i)
        QCOMPARE(b.grid()->item(i, 1)->text(), QStringLiteral("4"));
    QCOMPARE(b.grid()->item(12, 1)->text(), QStringLiteral("1,2")); // the arcs meet at the point
    QVERIFY(b.chartIsGrid());
}

void TestEmulatorPage::rightClickProposesLineForMap() {
    Bench b;
    b.page->showAcceptButtons(true);
    QCOMPARE(b.page->acceptButtonInFront(), b.find<QToolButton>("atb_Accept_Interpolation_MAP"));
    b.loadRising(63);
    QTest::mousePress(b.page->chart(), Qt::RightButton, {}, b.pixelOf(10));
    QCOMPARE(b.page->proposalGraphCount(), 1);
    QCOMPARE(b.page->proposalColour(0), QColor(255, 215, 0));
    auto* map = b.find<QToolButton>("atb_Accept_Interpolation_MAP");
    QVERIFY(map->isVisible() && map->isEnabled());
    QVERIFY(!b.find<QToolButton>("atb_Accept_Interpolation_MAF")->isVisible());
    QTest::mouseClick(map, Qt::LeftButton);
    QCOMPARE(b.grid()->item(1, 1)->text(), QStringLiteral("0"));
    QCOMPARE(b.grid()->item(0, 1)->text(), QStringLiteral("0")); // limited, not negative
    // A sensor type change brings the other button forward.
    b.page->bringAcceptForward(false);
    QCOMPARE(b.page->acceptButtonInFront(), b.find<QToolButton>("atb_Accept_Interpolation_MAF"));
}

void TestEmulatorPage::proposalRefusedWithMessage() {
    Bench b;
    QList<LanguageFileEntry> entries = {
        {QStringLiteral("fmMain"), QStringLiteral("MsgCurveArcSegment"), QStringLiteral("Caption"),
         QStringLiteral("Выберите другую точку")}};
    b.page->applyLanguage(entries, InterfaceTexts());
    b.loadRising(40);
    QSignalSpy messages(b.page.get(), &EmulatorPage::message);
    QTest::mousePress(b.page->chart(), Qt::RightButton, {}, b.pixelOf(0));
    QTest::mousePress(b.page->chart(), Qt::RightButton, {}, b.pixelOf(40));
    QCOMPARE(messages.count(), 2);
    QCOMPARE(messages.first().first().toString(), QStringLiteral("Выберите другую точку"));
    QCOMPARE(b.page->proposalGraphCount(), 0);
    QVERIFY(!b.find<QToolButton>("atb_Accept_Interpolation_MAF")->isEnabled());
}

void TestEmulatorPage::dragLimitsToTheChart() {
    Bench b;
    b.loadRising(40);
    QCustomPlot* chart = b.page->chart();
    const QPoint from = b.pixelOf(30);
    QTest::mousePress(chart, Qt::LeftButton, {}, from);
    QMouseEvent above(QEvent::MouseMove, QPointF(from.x(), 1),
                      chart->mapToGlobal(QPointF(from.x(), 1)), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(chart, &above);
    QCOMPARE(b.grid()->item(30, 1)->text(), QStringLiteral("5"));
    const int bottom = chart->height() - 2;
    QMouseEvent below(QEvent::MouseMove, QPointF(from.x(), bottom),
                      chart->mapToGlobal(QPointF(from.x(), bottom)), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(chart, &below);
    QCOMPARE(b.grid()->item(30, 1)->text(), QStringLiteral("0"));
    QVERIFY(b.chartIsGrid());
    QVERIFY(b.find<StatusPanels>("StatusBar_2D")->panelText(1).contains(QStringLiteral("30")));
    QTest::mouseRelease(chart, Qt::LeftButton, {}, QPoint(from.x(), bottom));
    QMouseEvent after(QEvent::MouseMove, QPointF(from.x(), 1),
                      chart->mapToGlobal(QPointF(from.x(), 1)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(chart, &after);
    QCOMPARE(b.grid()->item(30, 1)->text(), QStringLiteral("0")); // released: nothing selected

    // A rectangle away from the points zooms the voltage axis only; a double click restores it.
    const QCPRange bottomRange = chart->xAxis->range();
    const QPoint a(int(chart->xAxis->coordToPixel(40)), int(chart->yAxis->coordToPixel(1.0)));
    const QPoint c(int(chart->xAxis->coordToPixel(60)), int(chart->yAxis->coordToPixel(0.2)));
    QTest::mousePress(chart, Qt::LeftButton, {}, a);
    QMouseEvent stretch(QEvent::MouseMove, QPointF(c), chart->mapToGlobal(QPointF(c)), Qt::NoButton,
                        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(chart, &stretch);
    QTest::mouseRelease(chart, Qt::LeftButton, {}, c);
    QVERIFY(std::abs(chart->yAxis->range().upper - 1.0) < 0.05);
    QCOMPARE(chart->xAxis->range(), bottomRange);
    QTest::mouseDClick(chart, Qt::LeftButton, {}, c);
    QVERIFY(chart->yAxis->range().upper > 5);
}

void TestEmulatorPage::readAndWriteButtons() {
    QByteArray image(256, '\0');
    for (int i = 0; i < kPointCount; ++i)
        image[kFirstAddress + i] = char(i * 3);
    Bench b(image);
    QVERIFY(b.rig.open());
    InterfaceLock lock;
    b.page->addToLock(lock);
    QObject::connect(b.page.get(), &EmulatorPage::lockRequested, [&] { lock.lock(); });
    QObject::connect(b.page.get(), &EmulatorPage::unlockRequested, [&] { lock.unlock(); });
    QSignalSpy read(&b.features.transfer(), &CurveTransfer::readFinished);
    b.find<QToolButton>("atb_Emu_In_2")->click();
    // Every editing path is locked while the read runs: nothing mixes with the points arriving.
    for (const char* name : {"sgrid_Emu", "atb_Emu_Open_2", "atb_Emu_Save_2", "atb_SGrid_Up",
                             "atb_SGrid_Down", "atb_Accept_Interpolation_MAF"})
        QVERIFY2(!b.find<QWidget>(name)->isEnabled(), name);
    QVERIFY(!b.find<QAction>("act_Tune_Paste")->isEnabled());
    QVERIFY(read.wait(60000));
    QVERIFY(b.grid()->isEnabled());
    QVERIFY(b.find<QWidget>("atb_Emu_Open_2")->isEnabled());
    QCOMPARE(b.page->chart()->graph(1)->dataCount(), kPointCount); // the read, for reference
    QCOMPARE(b.grid()->item(29, 1)->text(), QStringLiteral("1,74"));
    QCOMPARE(b.grid()->item(63, 1)->text(), QStringLiteral("3,78"));

    b.grid()->item(0, 1)->setText(QStringLiteral("2,6")); // committed as typed
    QSignalSpy written(&b.features.transfer(), &CurveTransfer::writeFinished);
    // The write asks first; "No" sends nothing.
    QStringList asked;
    bool yes = false;
    b.page->askConfirmation = [&](const QString& question) {
        asked << question;
        return yes;
    };
    const qsizetype sent = b.rig.received().size();
    b.find<QToolButton>("atb_Emu_Out_2")->click();
    QCOMPARE(asked.size(), 1);
    QVERIFY(!b.rig.engine.anyEnabled());
    yes = true;
    b.find<QToolButton>("atb_Emu_Out_2")->click();
    QVERIFY(written.wait(60000));
    QCOMPARE(asked.size(), 2);
    QVERIFY(!b.rig.received().mid(0, sent).contains(QStringLiteral("2803)")));
    QCOMPARE(b.rig.sim().state().eeprom(kFirstAddress), 130);
    QVERIFY(b.rig.received().contains(QStringLiteral("2803)")));
}

void TestEmulatorPage::filterPair() {
    Bench b;
    auto* on = b.find<QToolButton>("atb_Lambda_Filter_On");
    auto* off = b.find<QToolButton>("atb_Lambda_Filter_Off");
    auto* indicator = b.find<QRadioButton>("srb_Filter_2D");
    QVERIFY(off->isChecked() && !indicator->isEnabled());
    on->click();
    QVERIFY(b.features.transfer().filterOn());
    QVERIFY(indicator->isEnabled() && on->isChecked() && !off->isChecked());
    off->click();
    QVERIFY(!b.features.transfer().filterOn());
    QVERIFY(!indicator->isEnabled());
}

void TestEmulatorPage::fileButtons() {
    Bench b;
    QTemporaryDir dir;
    b.loadRising(40);
    int paused = 0;
    b.page->pauseLiveChart = [&] { ++paused; };
    b.page->askSaveFileName = [&] { return dir.filePath(QStringLiteral("curve")); };
    b.find<QToolButton>("atb_Emu_Save_2")->click();
    QCOMPARE(paused, 1);
    const QString saved = dir.filePath(QStringLiteral("curveEmu.txt"));
    const TextFileContent file = ReadTextFile(saved);
    QVERIFY(file.ok());
    QCOMPARE(file.lines, b.model().texts());

    // A short file is refused as a whole: the grid keeps its values.
    QStringList lines = file.lines;
    lines.removeLast();
    lines[0] = QStringLiteral("3,3");
    const QString bad = dir.filePath(QStringLiteral("badEmu.txt"));
    QVERIFY(WriteTextFile(bad, lines).isEmpty());
    QSignalSpy messages(b.page.get(), &EmulatorPage::message);
    b.page->askOpenFileName = [&] { return bad; };
    b.find<QToolButton>("atb_Emu_Open_2")->click();
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages.first().first().toString().contains(QStringLiteral("64")));
    QCOMPARE(b.grid()->item(0, 1)->text(), QStringLiteral("0"));

    lines << QStringLiteral("6");
    QVERIFY(WriteTextFile(bad, lines).isEmpty());
    b.find<QToolButton>("atb_Emu_Open_2")->click();
    QVERIFY(messages.last().first().toString().contains(QStringLiteral("64"))); // limited: said
    QCOMPARE(b.grid()->item(0, 1)->text(), QStringLiteral("3,3"));
    QCOMPARE(b.grid()->item(63, 1)->text(), QStringLiteral("5"));
    QVERIFY(b.chartIsGrid());
    QVERIFY(b.find<QLabel>("Lbl_Chart_Bis_File")->text().endsWith(QStringLiteral("badEmu.txt")));
}

void TestEmulatorPage::overlayTrail() {
    Bench b;
    b.rig.sim().state().setRegWord(0x47, 0x0800);
    b.rig.sim().state().setRegWord(0xAA, 0x044C);
    b.rig.sim().state().setReg(0x32, 26);
    QVERIFY(b.rig.open());
    b.model().setStretched(true);
    b.page->applyInfo([] {
        InfoSettings info;
        info.yellowPointCount = QStringLiteral("6");
        return info;
    }());
    QSignalSpy locked(b.page.get(), &EmulatorPage::lockRequested);
    b.find<QToolButton>("Btn_YellowPoints")->click();
    QCOMPARE(locked.count(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(b.page->marker(6).visible, 10000);
    const EmulatorPage::MarkerView m = b.page->marker(1);
    QCOMPARE(m.x, 32.0); // at the unhalved position, over its curve point
    QCOMPARE(m.u, 5.0);
    QCOMPARE(m.hint, QStringLiteral("U = 5 В\r\nТочка 16\r\nВремя впрыска: 2,6 мс"));
    auto* status = b.find<StatusPanels>("StatusBar_2D");
    QCOMPARE(status->panelText(0), QStringLiteral("U = 5 В"));
    QCOMPARE(status->panelText(1), QStringLiteral("Точка 16"));
    QVERIFY(!b.page->marker(7).visible);
    QSignalSpy unlocked(b.page.get(), &EmulatorPage::unlockRequested);
    b.find<QToolButton>("Btn_YellowPoints_Stop")->click();
    QCOMPARE(unlocked.count(), 1);
    QVERIFY(!b.features.overlay().isRunning());
    InfoSettings info;
    b.page->storeInfo(info);
    QCOMPARE(info.yellowPointCount, QStringLiteral("6"));
}

void TestEmulatorPage::markerCountHeldAndTyped() {
    Bench b;
    auto* edit = b.find<QLineEdit>("Ed_Num_Yellow_Points");
    auto* up = b.find<QToolButton>("atb_Num_Yellow_Points_Up");
    auto* down = b.find<QToolButton>("atb_Num_Yellow_Points_Down");
    edit->setText(QStringLiteral("0"));
    emit edit->editingFinished();
    QCOMPARE(edit->text(), QStringLiteral("6"));
    QTest::mouseClick(down, Qt::LeftButton);
    QCOMPARE(edit->text(), QStringLiteral("6"));
    edit->setText(QStringLiteral("98"));
    emit edit->editingFinished();
    QTest::mousePress(up, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(edit->text(), QStringLiteral("100"), 3000);
    QTest::qWait(450);
    QTest::mouseRelease(up, Qt::LeftButton);
    QCOMPARE(edit->text(), QStringLiteral("100"));
    QCOMPARE(b.features.overlay().Timer_YellowPoints().interval(), 30);
    edit->setText(QStringLiteral("abc"));
    emit edit->editingFinished();
    QCOMPARE(edit->text(), QStringLiteral("100"));
}

void TestEmulatorPage::relabelledByTheRange() {
    Bench b;
    b.page->setStretched(true);
    QCOMPARE(b.grid()->item(63, 0)->text(), QString(18, QLatin1Char(' ')) + QStringLiteral("31,5"));
    b.page->setStretched(false);
    QCOMPARE(b.grid()->item(63, 0)->text().trimmed(), QStringLiteral("63"));
    b.page->clearCurveSeries();
}

QTEST_MAIN(TestEmulatorPage)
#include "tst_emulator_page.moc"
