#include "config_file.h"
#include "decimal_format.h"
#include "languages.h"
#include "module_settings.h"
#include "settings_view.h"

#include <QTest>

Q_DECLARE_METATYPE(NumericSetting)

namespace {

InterfaceTexts numberedTexts() {
    InterfaceTexts texts;
    for (int n = 1; n <= InterfaceTexts::kCount; ++n)
        texts.setText(n, QStringLiteral("T%1 ").arg(n));
    return texts;
}

ModuleSettings typicalSettings() {
    ModuleSettings s;
    s.OPR = 0.45;
    s.PTN = 1.5;
    s.Porog_T = 90;
    s.ZdK = 10;
    s.VolEng = 1.6;
    s.KFuel = 100;
    s.LUup = 0.25;
    s.LUdown = 0.14;
    s.UPL = -0.07;
    s.FuelFlowDigits = {0xA, 0x3, 0x1, 0x0};
    return s;
}

} // namespace

class TestSettingsView : public QObject {
    Q_OBJECT
private slots:
    void scales_data();
    void scales();
    void engineeringButtons_data();
    void engineeringButtons();
    void tableLabels();
    void curveLabels_data();
    void curveLabels();
    void vvUnitsFollowTheButton();
    void fuelFlowFactor();
    void parameterFlags();
    void applyPutsScalesAndButtonsOnThePage();
};

void TestSettingsView::scales_data() {
    QTest::addColumn<NumericSetting>("setting");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<QString>("caption");
    QTest::newRow("OPR 0,45") << NumericSetting::OPR << 0.2 << 0.7 << "T30 0,45";
    QTest::newRow("PTN 1,5") << NumericSetting::PTN << 1.0 << 2.0 << "T48 1,5";
    QTest::newRow("Porog_T 90") << NumericSetting::Porog_T << 85.0 << 95.0 << "T29 90";
    QTest::newRow("ZdK 10") << NumericSetting::ZdK << 5.0 << 15.0 << "T28 10";
    QTest::newRow("VolEng 1,6") << NumericSetting::VolEng << 1.1 << 2.1 << "T32 1,6";
    QTest::newRow("KFuel 100") << NumericSetting::KFuel << 95.0 << 105.0 << "T31 100";
}

void TestSettingsView::scales() {
    QFETCH(NumericSetting, setting);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(QString, caption);
    const SettingsView view = MakeSettingsView(typicalSettings(), ChoiceSelection{},
                                               numberedTexts(), DecimalFormat(QLatin1Char(',')));
    const ScaleView& scale = view.scales[IndexOf(setting)];
    QCOMPARE(scale.setting, setting);
    QCOMPARE(scale.window.minimum, minimum);
    QCOMPARE(scale.window.maximum, maximum);
    QCOMPARE(scale.caption, caption);
    QVERIFY(caption.endsWith(scale.valueText));
}

void TestSettingsView::engineeringButtons_data() {
    QTest::addColumn<double>("luUp");
    QTest::addColumn<int>("button"); // -1: none
    QTest::addColumn<QString>("label");
    QTest::newRow("0.12") << 0.12 << int(LambdaRate::V012) << "0,12";
    QTest::newRow("0.25") << 0.25 << int(LambdaRate::V025) << "0,25";
    QTest::newRow("0.5") << 0.5 << int(LambdaRate::V050) << "0,5";
    QTest::newRow("0.75") << 0.75 << int(LambdaRate::V075) << "0,75";
    QTest::newRow("0.14 (byte 0x0E): none") << 0.14 << -1 << "0,14";
    QTest::newRow("0.56 (byte 0x38): none") << 0.56 << -1 << "0,56";
}

void TestSettingsView::engineeringButtons() {
    QFETCH(double, luUp);
    QFETCH(int, button);
    QFETCH(QString, label);
    ModuleSettings s = typicalSettings();
    s.LUup = luUp;
    s.LUdown = luUp;
    const SettingsView view =
        MakeSettingsView(s, ChoiceSelection{}, numberedTexts(), DecimalFormat(QLatin1Char(',')));
    QCOMPARE(view.LUup.has_value(), button >= 0);
    if (button >= 0)
        QCOMPARE(int(*view.LUup), button);
    QCOMPARE(view.LUdown, view.LUup);
    QCOMPARE(view.slbl_Lup, label);
    QCOMPARE(view.slbl_Ldown, label);

    QVERIFY(!HeatingVoltageButton(-0.07));
    QCOMPARE(HeatingVoltageButton(0), std::optional<HeatingVoltage>(HeatingVoltage::V0));
    QCOMPARE(HeatingVoltageButton(0.45), std::optional<HeatingVoltage>(HeatingVoltage::V045));
}

void TestSettingsView::tableLabels() {
    ModuleSettings s = typicalSettings();
    const DecimalFormat comma(QLatin1Char(','));
    s.Flags00 = 0x02;
    SettingsView view = MakeSettingsView(s, ChoiceSelection{}, numberedTexts(), comma);
    QCOMPARE(view.tableRowLabels,
             QStringList({"0,0", "0,6", "1,3", "1,9", "2,5", "3,2", "3,8", "4,4"}));
    QVERIFY(!view.tableLabelsOnStoredTables);
    s.Flags00 = 0xFD;
    view = MakeSettingsView(s, ChoiceSelection{}, numberedTexts(), comma);
    QCOMPARE(view.tableRowLabels,
             QStringList({"0,1", "3,2", "6,4", "9,6", "12,8", "16,0", "19,2", "22,4"}));
    QVERIFY(view.tableLabelsOnStoredTables);
}

void TestSettingsView::curveLabels_data() {
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<bool>("stretched");
    QTest::addColumn<QString>("row1");
    QTest::addColumn<QString>("row63");
    QTest::addColumn<double>("increment");
    const QString blanks(18, QLatin1Char(' '));
    QTest::newRow("stretched, comma")
        << QChar(u',') << true << blanks + "0,5" << blanks + "31,5" << 0.5;
    QTest::newRow("stretched, point")
        << QChar(u'.') << true << blanks + "0.5" << blanks + "31.5" << 0.5;
    QTest::newRow("normal") << QChar(u',') << false << blanks + "1" << blanks + "63" << 1.0;
}

void TestSettingsView::curveLabels() {
    QFETCH(QChar, separator);
    QFETCH(bool, stretched);
    QFETCH(QString, row1);
    QFETCH(QString, row63);
    QFETCH(double, increment);
    const CurveLabels labels = CurveRowLabels(stretched, DecimalFormat(separator));
    QCOMPARE(labels.rows.size(), 64);
    QCOMPARE(labels.rows.at(0), QString(18, QLatin1Char(' ')) + QLatin1Char('0'));
    QCOMPARE(labels.rows.at(1), row1);
    QCOMPARE(labels.rows.at(63), row63);
    QCOMPARE(labels.chartIncrement, increment);

    ChoiceSelection page;
    const auto view = [&] {
        return MakeSettingsView(typicalSettings(), page, numberedTexts(), DecimalFormat(separator));
    };
    QVERIFY(!view().curve); // neither button pressed: the grid keeps its labels
    page.LDiapazone = stretched;
    QCOMPARE(view().curve, std::optional<CurveLabels>(labels));
}

void TestSettingsView::vvUnitsFollowTheButton() {
    ChoiceSelection page;
    const DecimalFormat comma(QLatin1Char(','));
    QVERIFY(!MakeSettingsView(typicalSettings(), page, numberedTexts(), comma).showVvUnits);
    page.KorrTab = false;
    QVERIFY(MakeSettingsView(typicalSettings(), page, numberedTexts(), comma).showVvUnits);
    page.KorrTab = true;
    QVERIFY(!MakeSettingsView(typicalSettings(), page, numberedTexts(), comma).showVvUnits);
}

void TestSettingsView::fuelFlowFactor() {
    ModuleSettings s;
    s.FuelFlowDigits = {0xA, 0x3, 0x1, 0x0}; // "47%" = 0x3A, "57%" = 0x01
    QCOMPARE(FuelFlowFactorOf(s), 0x013A);
    s.FuelFlowDigits = {-1, 0, 0, 0};
    QCOMPARE(FuelFlowFactorOf(s), -1);
}

void TestSettingsView::parameterFlags() {
    ParameterFlagsTable table;
    QVERIFY(table.setFlags(QStringLiteral("ZOWWA"), QStringLiteral("10101010101")));
    QCOMPARE(
        ParameterFlagsAfterRefresh(QStringLiteral("ZOWWA"), table, QStringLiteral("11111111111")),
        QStringLiteral("10101010101"));
    QCOMPARE(
        ParameterFlagsAfterRefresh(QStringLiteral("----A"), table, QStringLiteral("11111111111")),
        QStringLiteral("11111111111"));
}

void TestSettingsView::applyPutsScalesAndButtonsOnThePage() {
    SettingsPageModel page;
    page.editMain([](ChoiceSelection& s) { s.LUdown = LambdaRate::V075; });
    const SettingsView view = MakeSettingsView(typicalSettings(), page.main(), numberedTexts(),
                                               DecimalFormat(QLatin1Char(',')));
    ApplySettingsView(page, view);
    QCOMPARE(page.scale(NumericSetting::OPR).window, std::optional<ScaleWindow>({0.2, 0.7}));
    QCOMPARE(page.scale(NumericSetting::KFuel).caption, QStringLiteral("T31 100"));
    QCOMPARE(page.main().LUup, std::optional<LambdaRate>(LambdaRate::V025));
    // 0.14 matches no button: the one pressed before stays pressed.
    QCOMPARE(page.main().LUdown, std::optional<LambdaRate>(LambdaRate::V075));
    QVERIFY(!page.main().UPL);
}

QTEST_GUILESS_MAIN(TestSettingsView)
#include "tst_settings_view.moc"
