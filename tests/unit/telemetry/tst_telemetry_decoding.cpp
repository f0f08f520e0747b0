#include "telemetry_channel.h"
#include "telemetry_fields.h"

#include <QTest>

using namespace telemetry;

namespace {

// The fuel batch answer of the worked example: TVT byte 33, RashTopl word 30292, PVK word 10777.
const QString kExampleFuelAnswer = QStringLiteral("1234567891A2B");

TelemetryChannel channelWith(Channel c, double current) {
    TelemetryChannel ch = TelemetryChannel::of(c);
    ch.current = ch.previous = ch.beforePrevious = ch.thirdBack = current;
    return ch;
}

} // namespace

class TestTelemetryDecoding : public QObject {
    Q_OBJECT
private slots:
    void workedExampleOfTheFuelBatch();
    void pvkIsClampedToItsMinimumAfterFourSeconds();
    void wrongLengthDecodesNothing_data();
    void wrongLengthDecodesNothing();
    void invalidDigitHoldsOnlyItsChannel_data();
    void invalidDigitHoldsOnlyItsChannel();
    void counterAndSensorBatchPositions();
    void deviationStepsAJump();
    void averagingIsARecursiveMean();
    void truncation_data();
    void truncation();
    void rawFormulas_data();
    void rawFormulas();
    void pollCycle_data();
    void pollCycle();
    void firstEventOfARecordingTakesTheFactor();
    void fuelCounterReset_data();
    void fuelCounterReset();
    void parameterFlags_data();
    void parameterFlags();
};

void TestTelemetryDecoding::workedExampleOfTheFuelBatch() {
    TelemetryDigits digits;
    QVERIFY(DecodeFuelBatch(kExampleFuelAnswer, digits));
    QCOMPARE(digits.TVT, (std::array<int, 2>{1, 2}));
    QCOMPARE(digits.RashTopl, (std::array<int, 4>{4, 5, 6, 7}));
    QCOMPARE(digits.PVK, (std::array<int, 4>{9, 1, 10, 2}));
    QCOMPARE(FieldValue(digits.TVT).value_or(-1), 33.0);
    QCOMPARE(FieldValue(digits.RashTopl).value_or(-1), 30292.0);
    QCOMPARE(FieldValue(digits.PVK).value_or(-1), 10777.0);

    UpdateContext firstSeconds; // no clamping yet
    TelemetryChannel tvt = TelemetryChannel::of(Channel::TVT);
    UpdateChannel(tvt, TvtFromByte(*FieldValue(digits.TVT)), firstSeconds, false);
    QCOMPARE(tvt.current, 3.3);
    TelemetryChannel pvk = TelemetryChannel::of(Channel::PVK);
    UpdateChannel(pvk, RpmFromWord(*FieldValue(digits.PVK)), firstSeconds, false);
    QCOMPARE(pvk.current, 27.8);
    QCOMPARE(Hundredths(pvk.current), 2780.0); // the grid's and the file's text "2780"
}

void TestTelemetryDecoding::pvkIsClampedToItsMinimumAfterFourSeconds() {
    const double raw = RpmFromWord(10777);
    UpdateContext clamped;
    clamped.clampActive = true;
    clamped.deviationLimit = 10; // 1490 rpm per tick
    TelemetryChannel pvk = channelWith(Channel::PVK, 27.8);
    UpdateChannel(pvk, raw, clamped, false);
    QCOMPARE(pvk.current, 100.0);
    QCOMPARE(pvk.previous, 27.8);

    // Word 0 gives 0 while unclamped; clamped, it is raised toward 100 by at most the step.
    TelemetryChannel stopped = TelemetryChannel::of(Channel::PVK);
    UpdateChannel(stopped, RpmFromWord(0), UpdateContext(), false);
    QCOMPARE(stopped.current, 0.0);
    clamped.deviationLimit = 5; // 745 rpm per tick
    UpdateChannel(stopped, RpmFromWord(0), clamped, false);
    QCOMPARE(stopped.current, 100.0);
    TelemetryChannel fast = channelWith(Channel::PVK, 5000);
    UpdateChannel(fast, RpmFromWord(0), clamped, false);
    QCOMPARE(fast.current, 4255.0);
}

void TestTelemetryDecoding::wrongLengthDecodesNothing_data() {
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QString>("answer");
    QTest::newRow("fuel, 12 characters") << kFuelBatch << kExampleFuelAnswer.left(12);
    QTest::newRow("fuel, 14 characters") << kFuelBatch << kExampleFuelAnswer + u'0';
    QTest::newRow("fuel, empty") << kFuelBatch << QString();
    QTest::newRow("counter, 13 characters") << kCounterBatch << QStringLiteral("1234567890123");
    QTest::newRow("counter, 15 characters") << kCounterBatch << QStringLiteral("123456789012345");
    QTest::newRow("sensor, 19 characters") << kSensorBatch << QStringLiteral("1234567890123456789");
    QTest::newRow("sensor, 21 characters")
        << kSensorBatch << QStringLiteral("123456789012345678901");
}

void TestTelemetryDecoding::wrongLengthDecodesNothing() {
    QFETCH(QString, batch);
    QFETCH(QString, answer);
    TelemetryDigits digits;
    digits.TVT = {7, 7};
    digits.RT = {7, 7};
    digits.DP = {7, 7, 7, 7};
    const TelemetryDigits before = digits;
    int flag = 2;
    const PollCycleStep step = StepPollCycle(flag, batch, answer, digits);
    QCOMPARE(digits, before);
    QVERIFY(!step.decoded);
    QVERIFY(!step.endCycle);
    // The cycle moves on all the same.
    const QString next = batch == kFuelBatch      ? kCounterBatch
                         : batch == kCounterBatch ? kSensorBatch
                                                  : kClosingCommand;
    QCOMPARE(step.nextCommand, next);
}

void TestTelemetryDecoding::invalidDigitHoldsOnlyItsChannel_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("heldChannel");
    QTest::newRow("lower case in TVT") << 2 << int(Channel::TVT);
    QTest::newRow("lower case in RashTopl") << 5 << int(Channel::RashTopl);
    QTest::newRow("lower case in PVK") << 11 << int(Channel::PVK);
}

void TestTelemetryDecoding::invalidDigitHoldsOnlyItsChannel() {
    QFETCH(int, position);
    QFETCH(int, heldChannel);
    QString answer = QStringLiteral("2A 0010 C210 "); // 16.2 ms, 256 × 512 / 5120 l/h, 1000 rpm
    answer[position - 1] = u'a';
    TelemetryDigits digits;
    QVERIFY(DecodeFuelBatch(answer, digits));
    const std::pair<Channel, double> fresh[] = {
        {Channel::TVT, 16.2}, {Channel::RashTopl, 25.6}, {Channel::PVK, 1000}};
    for (const auto& [c, value] : fresh) {
        TelemetryChannel ch = channelWith(c, 5.5);
        UpdateChannel(ch, RawChannelValue(c, digits, 512), UpdateContext(), false);
        QCOMPARE(ch.current, int(c) == heldChannel ? 5.5 : value);
    }
}

void TestTelemetryDecoding::counterAndSensorBatchPositions() {
    TelemetryDigits digits;
    // "04%" 0x21, "14&" 0x0102, "96%" 0x7B (12.3 ms), "D6%" 0x19 (2.5 ms); separators are blanks.
    QVERIFY(DecodeCounterBatch(QStringLiteral("12 2010 B7 91 "), digits));
    QCOMPARE(digits.FuelCounter, (std::array<int, 6>{1, 2, 2, 0, 1, 0}));
    QCOMPARE(FieldValue(digits.FuelCounter).value_or(-1), double(0x010221));
    QCOMPARE(InjectionTimeFromByte(*FieldValue(digits.RT)), 12.3);
    QCOMPARE(InjectionTimeFromByte(*FieldValue(digits.RTT)), 2.5);

    // DP 0x0240 (3.6 bar), II 0x00E6 (2.3 A), T 0x0384 (90 °C), U_analog 0x0226 (2.75 V).
    QVERIFY(DecodeSensorBatch(QStringLiteral("0420 6E00 4830 6220 "), digits));
    QCOMPARE(WaterPressureFromWord(*FieldValue(digits.DP)), 3.6);
    QCOMPARE(PumpCurrentFromWord(*FieldValue(digits.II)), 2.3);
    QCOMPARE(TemperatureFromWord(*FieldValue(digits.T)), 90.0);
    QCOMPARE(UAnalogFromWord(*FieldValue(digits.U_analog)), 2.75);

    // A short answer leaves -1 in the slots it does not reach.
    std::array<int, 4> slots4{};
    DecodeDigits(QStringLiteral("AB"), 1, slots4);
    QCOMPARE(slots4, (std::array<int, 4>{10, 11, -1, -1}));
    QVERIFY(!FieldValue(slots4));
}

void TestTelemetryDecoding::deviationStepsAJump() {
    UpdateContext clamped;
    clamped.clampActive = true;
    clamped.deviationLimit = 10; // 2.5 ms of the RT range 0 … 25
    TelemetryChannel rt = channelWith(Channel::RT, 2.0);
    const double shown[] = {4.5, 7.0, 9.5, 12.0, 14.5, 17.0, 19.5, 20.0, 20.0};
    for (const double expected : shown) {
        UpdateChannel(rt, 20.0, clamped, false);
        QCOMPARE(rt.current, expected);
    }
    // Before clamping applies the jump shows at once; above the range it is cut to the maximum.
    TelemetryChannel early = channelWith(Channel::RT, 2.0);
    UpdateChannel(early, 20.0, UpdateContext(), false);
    QCOMPARE(early.current, 20.0);
    clamped.deviationLimit = 100;
    UpdateChannel(early, 40.0, clamped, false);
    QCOMPARE(early.current, 25.0);
}

void TestTelemetryDecoding::averagingIsARecursiveMean() {
    const double r = 8; // l/h, within one deviation step of 0
    UpdateContext context;
    context.averaging = true;
    TelemetryChannel fuel = TelemetryChannel::of(Channel::RashTopl);
    const double shown[] = {0.25 * r, 0.3125 * r, 0.390625 * r, 3.906, 4.382, 4.853, 5.285};
    for (const double expected : shown) {
        UpdateChannel(fuel, r, context, true);
        QCOMPARE(fuel.current, expected);
    }
    for (int i = 0; i < 200; ++i)
        UpdateChannel(fuel, r, context, true);
    QVERIFY(std::abs(fuel.current - r) <= 0.004); // converges to r, short by the truncations

    // Clamped first, then averaged over the three values shown before.
    context.clampActive = true;
    context.deviationLimit = 5; // 5 l/h
    TelemetryChannel jump = TelemetryChannel::of(Channel::RashTopl);
    UpdateChannel(jump, 80, context, true);
    QCOMPARE(jump.current, 1.25);
    // Other channels are never averaged.
    TelemetryChannel rt = TelemetryChannel::of(Channel::RT);
    UpdateChannel(rt, 2.0, UpdateContext{false, 100, true}, false);
    QCOMPARE(rt.current, 2.0);
}

void TestTelemetryDecoding::truncation_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("truncated");
    QTest::addColumn<double>("hundredths");
    QTest::newRow("3.3 stays 3.3") << 0.1 * 33 << 1 << 3.3 << 330.0;
    QTest::newRow("0.29 stays 0.29") << 0.29 << 2 << 0.29 << 29.0;
    QTest::newRow("27.836 to 27.8") << 300000.0 / 10777 << 1 << 27.8 << 2783.0;
    QTest::newRow("toward zero, not nearest") << 1.2399 << 2 << 1.23 << 123.0;
    QTest::newRow("negative toward zero") << -1.25 << 1 << -1.2 << -125.0;
    QTest::newRow("1.2345 to 0.001") << 1.2345 << 3 << 1.234 << 123.0;
    QTest::newRow("sample time 0.25") << 0.25 << 2 << 0.25 << 25.0;
    QTest::newRow("sample time 0.6 from 0.2 + 0.2 + 0.2") << 0.2 + 0.2 + 0.2 << 2 << 0.6 << 60.0;
    QTest::newRow("no step") << 1.23456 << -1 << 1.23456 << 123.0;
    QTest::newRow("large value") << 14999.99 << 1 << 14999.9 << 1499999.0;
}

void TestTelemetryDecoding::truncation() {
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(double, truncated);
    QFETCH(double, hundredths);
    QCOMPARE(TruncateToDecimals(value, decimals), truncated);
    QCOMPARE(Hundredths(value), hundredths);
}

void TestTelemetryDecoding::rawFormulas_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("answer"); // a batch answer carrying the field
    QTest::addColumn<double>("shown");
    const QString fuel = QStringLiteral("B7 8E30 1610 ");          // 123, 1000, 353
    const QString counter = QStringLiteral("00 0000 D4 FF ");      // 77, 255
    const QString sensor = QStringLiteral("4F10 FE00 9830 9030 "); // 500, 239, 905, 777
    QTest::newRow("TVT 0.1 × byte") << int(Channel::TVT) << fuel << 12.3;
    QTest::newRow("RashTopl with factor 300") << int(Channel::RashTopl) << fuel << 58.593;
    QTest::newRow("PVK 300000 / word") << int(Channel::PVK) << fuel << 849.8;
    QTest::newRow("PVK word 0") << int(Channel::PVK) << "00 0000 0000 " << 0.0;
    QTest::newRow("RT byte / 10") << int(Channel::RT) << counter << 7.7;
    QTest::newRow("RTT byte / 10, beyond the range") << int(Channel::RTT) << counter << 25.5;
    QTest::newRow("DP word / 160") << int(Channel::DP) << sensor << 3.1;
    QTest::newRow("II word / 100") << int(Channel::II) << sensor << 2.3;
    QTest::newRow("T word / 10") << int(Channel::T) << sensor << 90.5;
    QTest::newRow("U_analog word / 200") << int(Channel::U_analog) << sensor << 3.88;
    QTest::newRow("Per4_imp is not polled") << int(Channel::Per4_imp) << sensor << 0.0;
}

void TestTelemetryDecoding::rawFormulas() {
    QFETCH(int, channel);
    QFETCH(QString, answer);
    QFETCH(double, shown);
    TelemetryDigits digits;
    QVERIFY(DecodeFuelBatch(answer, digits) || DecodeCounterBatch(answer, digits) ||
            DecodeSensorBatch(answer, digits));
    TelemetryChannel c = TelemetryChannel::of(Channel(channel));
    UpdateChannel(c, RawChannelValue(Channel(channel), digits, 300), UpdateContext(), false);
    QCOMPARE(c.current, shown);
}

void TestTelemetryDecoding::pollCycle_data() {
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("next");
    QTest::addColumn<bool>("decoded");
    QTest::addColumn<bool>("ends");
    QTest::newRow("opening command")
        << kCycleOpening << QStringLiteral("12 3456 7890 AB ") << kFuelBatch << false << false;
    QTest::newRow("second 47&") << kFactorCommand << QStringLiteral("C210") << kFuelBatch << false
                                << false;
    QTest::newRow("fuel batch") << kFuelBatch << kExampleFuelAnswer << kCounterBatch << true
                                << false;
    QTest::newRow("counter batch")
        << kCounterBatch << QStringLiteral("12 2010 B7 91 ") << kSensorBatch << true << false;
    QTest::newRow("sensor batch") << kSensorBatch << QStringLiteral("0420 6E00 4830 6220 ")
                                  << kClosingCommand << true << false;
    QTest::newRow("closing command")
        << kClosingCommand << QStringLiteral("6220") << kFuelBatch << false << true;
    QTest::newRow("a command of someone else")
        << QStringLiteral("00*") << QStringLiteral("81") << kFuelBatch << false << false;
}

void TestTelemetryDecoding::pollCycle() {
    QFETCH(QString, sent);
    QFETCH(QString, answer);
    QFETCH(QString, next);
    QFETCH(bool, decoded);
    QFETCH(bool, ends);
    TelemetryDigits digits;
    int flag = 2;
    const PollCycleStep step = StepPollCycle(flag, sent, answer, digits);
    QCOMPARE(step.nextCommand, next);
    QCOMPARE(step.decoded, decoded);
    QCOMPARE(step.endCycle, ends);
    QCOMPARE(flag, 2);
    QCOMPARE(digits.FuelFlow, (std::array<int, 4>{})); // only the first event takes the factor
}

void TestTelemetryDecoding::firstEventOfARecordingTakesTheFactor() {
    TelemetryDigits digits;
    int flag = 1;
    PollCycleStep step = StepPollCycle(flag, kFactorCommand, QStringLiteral("C210"), digits);
    QCOMPARE(step.nextCommand, kFactorCommand); // "47&" once more
    QCOMPARE(flag, 2);
    QCOMPARE(digits.FuelFlow, (std::array<int, 4>{12, 2, 1, 0}));
    QCOMPARE(FieldValue(digits.FuelFlow).value_or(-1), 300.0);

    // A first piece of a split answer fills what it has and -1 beyond.
    flag = 1;
    step = StepPollCycle(flag, kFactorCommand, QStringLiteral("C2"), digits);
    QCOMPARE(digits.FuelFlow, (std::array<int, 4>{12, 2, -1, -1}));
    QCOMPARE(flag, 2);
    step = StepPollCycle(flag, kFactorCommand, QStringLiteral("C210"), digits);
    QCOMPARE(step.nextCommand, kFuelBatch);
    QCOMPARE(digits.FuelFlow, (std::array<int, 4>{12, 2, -1, -1}));
}

void TestTelemetryDecoding::fuelCounterReset_data() {
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("recognised");
    QTest::addColumn<QString>("next");
    QTest::addColumn<bool>("done");
    QTest::addColumn<bool>("zero");
    QTest::newRow("low byte acknowledged")
        << kResetLowByte << "!" << true << kResetMiddleByte << false << false;
    QTest::newRow("low byte, no acknowledgement")
        << kResetLowByte << "?" << true << kResetLowByte << false << false;
    QTest::newRow("middle byte acknowledged")
        << kResetMiddleByte << "!" << true << kResetHighByte << false << false;
    QTest::newRow("middle byte, late characters before it")
        << kResetMiddleByte << "x!" << true << kResetMiddleByte << false << false;
    QTest::newRow("high byte acknowledged")
        << kResetHighByte << "!" << true << QString() << true << true;
    QTest::newRow("high byte, wrong answer shows zero too")
        << kResetHighByte << "!!" << true << kResetHighByte << false << true;
    QTest::newRow("not ours") << QStringLiteral("00*") << "!" << false << QString() << false
                              << false;
}

void TestTelemetryDecoding::fuelCounterReset() {
    QFETCH(QString, sent);
    QFETCH(QString, answer);
    QFETCH(bool, recognised);
    QFETCH(QString, next);
    QFETCH(bool, done);
    QFETCH(bool, zero);
    const ResetStep step = StepFuelCounterReset(sent, answer);
    QCOMPARE(step.recognised, recognised);
    QCOMPARE(step.nextCommand, next);
    QCOMPARE(step.done, done);
    QCOMPARE(step.showZero, zero);
}

void TestTelemetryDecoding::parameterFlags_data() {
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QString>("checked"); // channel names
    QTest::addColumn<QString>("written");
    QTest::newRow("all but the reserved one") << "11111111111"
                                              << "TVT RashTopl U_analog RT RTT II T DP PVK Per4_imp"
                                              << "11111111011";
    QTest::newRow("position 6 is DP") << "00000100000"
                                      << "DP"
                                      << "00000100000";
    QTest::newRow("position 7 is II") << "00000010000"
                                      << "II"
                                      << "00000010000";
    QTest::newRow("position 8 is T") << "00000001000"
                                     << "T"
                                     << "00000001000";
    QTest::newRow("position 10 is PVK") << "00000000010"
                                        << "PVK"
                                        << "00000000010";
    QTest::newRow("short text") << "1"
                                << "TVT"
                                << "10000000000";
    QTest::newRow("other characters") << "x1?????????"
                                      << "RashTopl"
                                      << "01000000000";
}

void TestTelemetryDecoding::parameterFlags() {
    QFETCH(QString, flags);
    QFETCH(QString, checked);
    QFETCH(QString, written);
    const ParameterChecks checks = ParameterChecksFromFlags(flags);
    QStringList names;
    for (const ChannelInfo& info : Channels()) {
        if (checks[std::size_t(info.channel)])
            names << QString::fromLatin1(info.name);
    }
    QCOMPARE(names.join(u' '), checked);
    QCOMPARE(FlagsFromParameterChecks(checks), written);
    QCOMPARE(FlagsFromParameterChecks(DefaultParameterChecks()), QStringLiteral("11111111010"));
}

QTEST_APPLESS_MAIN(TestTelemetryDecoding)
#include "tst_telemetry_decoding.moc"
