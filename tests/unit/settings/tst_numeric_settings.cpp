#include "module_settings.h"
#include "numeric_settings.h"
#include "settings_map.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(NumericSetting)
Q_DECLARE_METATYPE(StepDirection)

namespace {

double decoded(NumericSetting setting, int b) {
    switch (setting) {
    case NumericSetting::OPR:
        return settings_map::OPRFromByte(b);
    case NumericSetting::PTN:
        return settings_map::PTNFromByte(b);
    case NumericSetting::Porog_T:
        return settings_map::Porog_TFromByte(b);
    case NumericSetting::ZdK:
        return settings_map::ZdKFromByte(b);
    case NumericSetting::VolEng:
        return settings_map::VolEngFromByte(b);
    case NumericSetting::KFuel:
        return settings_map::KFuelFromByte(b);
    }
    return 0;
}

} // namespace

class TestNumericSettings : public QObject {
    Q_OBJECT
private slots:
    void table();
    void bytes_data();
    void bytes();
    void everyScaleValueDecodesBack_data();
    void everyScaleValueDecodesBack();
    void steps_data();
    void steps();
    void wholeScaleIsWalkedExactly_data();
    void wholeScaleIsWalkedExactly();
    void valuesInModuleSettings();
};

void TestNumericSettings::table() {
    QCOMPARE(int(NumericSettingRows().size()), NumericSettingCount);
    for (int i = 0; i < NumericSettingCount; ++i)
        QCOMPARE(int(NumericSettingRows()[i].setting), i);
    const NumericSettingRow& opr = RowOf(NumericSetting::OPR);
    QCOMPARE(QLatin1String(opr.upButton), QLatin1String("ssb_OPR_Up"));
    QCOMPARE(QLatin1String(opr.chart), QLatin1String("Chart_OPR"));
    QCOMPARE(opr.captionText, 30);
    QCOMPARE(RowOf(NumericSetting::PTN).captionText, 48);
    QCOMPARE(QLatin1String(RowOf(NumericSetting::ZdK).group), QLatin1String("sgb_ZDK"));
    QCOMPARE(QLatin1String(RowOf(NumericSetting::ZdK).valueField),
             QLatin1String("Ed_Other_Zad_Korr"));
    QCOMPARE(RowOf(NumericSetting::KFuel).address, 0x04);
}

void TestNumericSettings::bytes_data() {
    QTest::addColumn<NumericSetting>("setting");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("command");
    using S = NumericSetting;
    QTest::newRow("OPR 0.25") << S::OPR << 0.25 << 51 << "33D1)";
    QTest::newRow("OPR 0.45") << S::OPR << 0.45 << 91 << "B5D1)";
    QTest::newRow("OPR 0.35: 69.999.. is 70") << S::OPR << 0.35 << 71 << "74D1)";
    QTest::newRow("OPR 0.1") << S::OPR << 0.1 << 21 << "51D1)";
    QTest::newRow("PTN 1.5") << S::PTN << 1.5 << 150 << "6980)";
    QTest::newRow("PTN 0.7: 70.000..01 is 70") << S::PTN << 0.7 << 70 << "6480)";
    QTest::newRow("Porog_T 10") << S::Porog_T << 10.0 << 26 << "A1A0)";
    QTest::newRow("Porog_T 101") << S::Porog_T << 101.0 << 253 << "DFA0)";
    QTest::newRow("Porog_T 102 does not fit: 255 is sent") << S::Porog_T << 102.0 << 256 << "FFA0)";
    QTest::newRow("ZdK 10") << S::ZdK << 10.0 << 20 << "4171)";
    QTest::newRow("VolEng 1.6") << S::VolEng << 1.6 << 16 << "01F0)";
    QTest::newRow("VolEng 6.4") << S::VolEng << 6.4 << 64 << "04F0)";
    QTest::newRow("KFuel 250") << S::KFuel << 250.0 << 250 << "AF40)";
    QTest::newRow("KFuel 0") << S::KFuel << 0.0 << 0 << "0040)";
}

void TestNumericSettings::bytes() {
    QFETCH(NumericSetting, setting);
    QFETCH(double, value);
    QFETCH(int, raw);
    QFETCH(QString, command);
    QCOMPARE(RawByteOf(setting, value), raw);
    QCOMPARE(ByteOf(setting, value), std::min(raw, 255));
    QCOMPARE(WriteCommandOf(setting, value), command);
}

void TestNumericSettings::everyScaleValueDecodesBack_data() {
    QTest::addColumn<NumericSetting>("setting");
    for (const NumericSettingRow& row : NumericSettingRows())
        QTest::newRow(row.name) << row.setting;
}

void TestNumericSettings::everyScaleValueDecodesBack() {
    QFETCH(NumericSetting, setting);
    const NumericSettingRow& row = RowOf(setting);
    int checked = 0;
    for (int k = 0;; ++k) {
        const double value = AtDisplayPrecision(row.lower + k * row.step);
        if (value > row.upper + 1e-9)
            break;
        const int raw = RawByteOf(setting, value);
        if (raw > 255) {
            // Only the top of the Porog_T scale does not fit a byte.
            QCOMPARE(setting, NumericSetting::Porog_T);
            QCOMPARE(value, 102.0);
            continue;
        }
        QVERIFY2(decoded(setting, raw) == value, qPrintable(QStringLiteral("%1 %2 -> %3 -> %4")
                                                                .arg(QLatin1String(row.name))
                                                                .arg(value)
                                                                .arg(raw)
                                                                .arg(decoded(setting, raw))));
        ++checked;
    }
    QVERIFY(checked > 10);
}

void TestNumericSettings::steps_data() {
    QTest::addColumn<NumericSetting>("setting");
    QTest::addColumn<double>("start");
    QTest::addColumn<StepDirection>("direction");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<double>("value"); // after the ticks
    QTest::addColumn<int>("steps");    // ticks that moved the window
    using S = NumericSetting;
    const auto up = StepDirection::Up;
    const auto down = StepDirection::Down;
    QTest::newRow("OPR 0.25 up four times") << S::OPR << 0.25 << up << 4 << 0.45 << 4;
    QTest::newRow("OPR 0.25 down four times") << S::OPR << 0.25 << down << 4 << 0.1 << 3;
    QTest::newRow("KFuel 250 up: no step") << S::KFuel << 250.0 << up << 3 << 250.0 << 0;
    QTest::newRow("KFuel 1 down: no step") << S::KFuel << 1.0 << down << 1 << 1.0 << 0;
    QTest::newRow("Porog_T 99 up stops at 101") << S::Porog_T << 99.0 << up << 5 << 101.0 << 2;
    QTest::newRow("Porog_T 102 (byte 255) up: no step")
        << S::Porog_T << 102.0 << up << 1 << 102.0 << 0;
    QTest::newRow("Porog_T 102 down") << S::Porog_T << 102.0 << down << 1 << 101.0 << 1;
    QTest::newRow("VolEng 6.3 up") << S::VolEng << 6.3 << up << 3 << 6.4 << 1;
    QTest::newRow("PTN 0.6 down") << S::PTN << 0.6 << down << 3 << 0.5 << 1;
    QTest::newRow("ZdK 0 down") << S::ZdK << 0.0 << down << 1 << 0.0 << 0;
    QTest::newRow("ZdK 119 up") << S::ZdK << 119.0 << up << 2 << 120.0 << 1;
    QTest::newRow("value above the scale: up stops") << S::KFuel << 255.0 << up << 1 << 255.0 << 0;
    QTest::newRow("value above the scale: down steps")
        << S::KFuel << 255.0 << down << 1 << 254.0 << 1;
}

void TestNumericSettings::steps() {
    QFETCH(NumericSetting, setting);
    QFETCH(double, start);
    QFETCH(StepDirection, direction);
    QFETCH(int, ticks);
    QFETCH(double, value);
    QFETCH(int, steps);
    ScaleWindow window = WindowAround(setting, start);
    int moved = 0;
    for (int i = 0; i < ticks; ++i) {
        if (const std::optional<ScaleWindow> next = StepWindow(setting, window, direction)) {
            window = *next;
            ++moved;
        }
    }
    QCOMPARE(moved, steps);
    QCOMPARE(ValueOfWindow(setting, window), value);
    QCOMPARE(window, WindowAround(setting, value));
}

void TestNumericSettings::wholeScaleIsWalkedExactly_data() {
    QTest::addColumn<NumericSetting>("setting");
    QTest::addColumn<double>("top"); // where the scale stops going up
    QTest::addColumn<int>("steps");
    QTest::newRow("OPR") << NumericSetting::OPR << 1.1 << 20;
    QTest::newRow("PTN") << NumericSetting::PTN << 2.5 << 20;
    QTest::newRow("Porog_T stops where its byte fits") << NumericSetting::Porog_T << 101.0 << 101;
    QTest::newRow("VolEng") << NumericSetting::VolEng << 6.4 << 52;
    QTest::newRow("KFuel") << NumericSetting::KFuel << 250.0 << 249;
}

void TestNumericSettings::wholeScaleIsWalkedExactly() {
    QFETCH(NumericSetting, setting);
    QFETCH(double, top);
    QFETCH(int, steps);
    const NumericSettingRow& row = RowOf(setting);
    ScaleWindow window = WindowAround(setting, row.lower);
    int up = 0;
    while (const auto next = StepWindow(setting, window, StepDirection::Up)) {
        window = *next;
        QVERIFY(ByteOf(setting, ValueOfWindow(setting, window)) <= 255);
        QVERIFY(++up < 1000);
    }
    QCOMPARE(up, steps);
    QCOMPARE(ValueOfWindow(setting, window), top);
    int down = 0;
    while (const auto next = StepWindow(setting, window, StepDirection::Down)) {
        window = *next;
        QVERIFY(++down < 1000);
    }
    QCOMPARE(down, steps);
    QCOMPARE(ValueOfWindow(setting, window), row.lower);
}

void TestNumericSettings::valuesInModuleSettings() {
    ModuleSettings s;
    double v = 1;
    for (const NumericSettingRow& row : NumericSettingRows())
        SetValue(s, row.setting, v++);
    QCOMPARE(s.OPR, 1.0);
    QCOMPARE(s.PTN, 2.0);
    QCOMPARE(s.Porog_T, 3.0);
    QCOMPARE(s.ZdK, 4.0);
    QCOMPARE(s.VolEng, 5.0);
    QCOMPARE(s.KFuel, 6.0);
    for (const NumericSettingRow& row : NumericSettingRows())
        QCOMPARE(ValueOf(s, row.setting), double(IndexOf(row.setting) + 1));
}

QTEST_GUILESS_MAIN(TestNumericSettings)
#include "tst_numeric_settings.moc"
