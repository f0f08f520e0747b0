#include "curve_codec.h"
#include "curve_model.h"

#include <QSignalSpy>
#include <QTest>

using namespace curve;

class TestCurveModel : public QObject {
    Q_OBJECT
private slots:
    void addresses_data();
    void addresses();
    void encode_data();
    void encode();
    void decodeAnswer_data();
    void decodeAnswer();
    void everyByteSurvivesReadAndWrite_data();
    void everyByteSurvivesReadAndWrite();
    void commit_data();
    void commit();
    void stepToTheLimit_data();
    void stepToTheLimit();
    void drag_data();
    void drag();
    void labels_data();
    void labels();
    void acceptedValuesAreLimited();
    void writeRefusesText();
};

void TestCurveModel::addresses_data() {
    QTest::addColumn<int>("point");
    QTest::addColumn<QString>("address");
    QTest::newRow("0") << 0 << "03";
    QTest::newRow("17") << 17 << "14";
    QTest::newRow("47") << 47 << "F5";
    QTest::newRow("63") << 63 << "F6";
}

void TestCurveModel::addresses() {
    QFETCH(int, point);
    QFETCH(QString, address);
    QCOMPARE(PointAddress(point), address);
    QCOMPARE(ReadPointCommand(point), address + QLatin1Char('*'));
}

void TestCurveModel::encode_data() {
    QTest::addColumn<double>("volts");
    QTest::addColumn<int>("point");
    QTest::addColumn<QString>("command");
    QTest::newRow("1 V at point 17") << 1.0 << 17 << "2314)";
    QTest::newRow("2.6 V at point 0") << 2.6 << 0 << "2803)";
    QTest::newRow("0.58 V is byte 29") << 0.58 << 5 << "D153)";
    QTest::newRow("0.01 V: half to even 0") << 0.01 << 0 << "0003)";
    QTest::newRow("0.03 V: half to even 2") << 0.03 << 0 << "2003)";
    QTest::newRow("6 V from a file is sent as 5") << 6.0 << 63 << "AFF6)";
    QTest::newRow("below 0 is sent as 0") << -0.7 << 63 << "00F6)";
}

void TestCurveModel::encode() {
    QFETCH(double, volts);
    QFETCH(int, point);
    QFETCH(QString, command);
    QCOMPARE(WritePointCommand(point, EncodeVolts(volts)), command);
}

void TestCurveModel::decodeAnswer_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<double>("volts"); // -1: refused
    QTest::newRow("A1") << "A1" << 0.52;
    QTest::newRow("FF is 5, not 5.1") << "FF" << 5.0;
    QTest::newRow("D1 is byte 29") << "D1" << 0.58;
    QTest::newRow("lower case") << "a1" << -1.0;
    QTest::newRow("one character") << "A" << -1.0;
    QTest::newRow("acknowledgement") << "!" << -1.0;
}

void TestCurveModel::decodeAnswer() {
    QFETCH(QString, answer);
    QFETCH(double, volts);
    const std::optional<double> decoded = DecodePointAnswer(answer);
    if (volts < 0) {
        QVERIFY(!decoded);
        return;
    }
    QVERIFY(decoded);
    QCOMPARE(*decoded, volts);
}

void TestCurveModel::everyByteSurvivesReadAndWrite_data() {
    QTest::addColumn<QChar>("separator");
    QTest::newRow("comma") << QChar(u',');
    QTest::newRow("point") << QChar(u'.');
}

void TestCurveModel::everyByteSurvivesReadAndWrite() {
    QFETCH(QChar, separator);
    CurveModel model;
    model.setFormat(DecimalFormat(separator));
    model.clearSeries();
    for (int byte = 0; byte <= 250; ++byte) {
        const int point = byte % kPointCount;
        if (point == 0)
            model.clearSeries();
        model.acceptRead(point, DecodeVolts(byte));
        QCOMPARE(model.byteToWrite(point).value_or(-1), byte);
    }
    model.acceptRead(0, DecodeVolts(29));
    QCOMPARE(model.text(0), QStringLiteral("0") + separator + QStringLiteral("58"));
}

void TestCurveModel::commit_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");  // the row afterwards
    QTest::addColumn<double>("series"); // point of the curve series; -1: refused
    QTest::newRow("7 becomes 5") << "7"
                                 << "5" << 5.0;
    QTest::newRow("-1 becomes 0") << "-1"
                                  << "0" << 0.0;
    QTest::newRow("2.555 is not rounded") << "2.555"
                                          << "2,555" << 2.555;
    QTest::newRow("comma kept") << "1,25"
                                << "1,25" << 1.25;
    QTest::newRow("5.0001 becomes 5") << "5.0001"
                                      << "5" << 5.0;
    QTest::newRow("not a number") << "2,5x"
                                  << "3" << -1.0;
    QTest::newRow("empty") << ""
                           << "3" << -1.0;
}

void TestCurveModel::commit() {
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(double, series);
    CurveModel model;
    model.setFormat(DecimalFormat(QChar(u',')));
    model.setText(4, QStringLiteral("3"));
    const std::optional<Message> error = model.commit(4, typed);
    QCOMPARE(model.text(4), text);
    if (series < 0) {
        QVERIFY(error);
        QCOMPARE(error->key, QLatin1String(kMsgNotNumber));
        QCOMPARE(model.values().at(4), 3.0); // the kept text's value
        return;
    }
    QVERIFY(!error);
    QCOMPARE(model.values().at(4), series);
}

void TestCurveModel::stepToTheLimit_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QStringList>("texts"); // after each press until the limit
    QTest::newRow("down from 0.05") << "0.05" << -1 << QStringList{"0.03", "0.01", "0"};
    QTest::newRow("up from 4.97") << "4.97" << 1 << QStringList{"4.99", "5"};
    QTest::newRow("thousandths kept") << "4.955" << 1 << QStringList{"4.975", "4.995", "5"};
}

void TestCurveModel::stepToTheLimit() {
    QFETCH(QString, start);
    QFETCH(int, direction);
    QFETCH(QStringList, texts);
    CurveModel model;
    model.setFormat(DecimalFormat(QChar(u'.')));
    model.setText(9, start);
    for (const QString& expected : texts) {
        QVERIFY(model.step(9, direction));
        QCOMPARE(model.text(9), expected);
        QCOMPARE(model.values().at(9), expected.toDouble());
    }
    QVERIFY(!model.step(9, direction)); // held further: stays at the limit
    QCOMPARE(model.text(9), texts.last());
}

void TestCurveModel::drag_data() {
    QTest::addColumn<double>("volts");
    QTest::addColumn<QString>("text");
    QTest::newRow("above the plot") << 5.7 << "5";
    QTest::newRow("below the plot") << -0.3 << "0";
    QTest::newRow("half to even down") << 2.345 << "2.34";
    QTest::newRow("half to even up") << 2.355 << "2.36";
    QTest::newRow("hundredths") << 1.2345678 << "1.23";
}

void TestCurveModel::drag() {
    QFETCH(double, volts);
    QFETCH(QString, text);
    CurveModel model;
    model.setFormat(DecimalFormat(QChar(u'.')));
    model.drag(30, volts);
    QCOMPARE(model.text(30), text);
    QCOMPARE(model.values().at(30), text.toDouble());
}

void TestCurveModel::labels_data() {
    QTest::addColumn<bool>("stretched");
    QTest::addColumn<int>("point");
    QTest::addColumn<QString>("position");
    QTest::newRow("63") << false << 63 << "63";
    QTest::newRow("63 stretched") << true << 63 << "31,5";
    QTest::newRow("1 stretched") << true << 1 << "0,5";
    QTest::newRow("0 stretched") << true << 0 << "0";
}

void TestCurveModel::labels() {
    QFETCH(bool, stretched);
    QFETCH(int, point);
    QFETCH(QString, position);
    CurveModel model;
    model.setFormat(DecimalFormat(QChar(u',')));
    QSignalSpy relabelled(&model, &CurveModel::labelsChanged);
    model.setStretched(stretched);
    QCOMPARE(relabelled.count(), 1);
    QCOMPARE(model.label(point), QString(18, QLatin1Char(' ')) + position);
}

void TestCurveModel::acceptedValuesAreLimited() {
    CurveModel model;
    model.setFormat(DecimalFormat(QChar(u'.')));
    QVector<double> values(kPointCount, 0.0);
    values[0] = -0.444;
    values[1] = 0.5799999999;
    values[2] = 5.3;
    values[3] = 1.239;
    model.acceptValues(0, 3, values);
    QCOMPARE(model.texts().mid(0, 4), (QStringList{"0", "0.57", "5", "1.23"}));
    QCOMPARE(model.values().at(0), 0.0);
    QCOMPARE(model.values().at(2), 5.0);
    QCOMPARE(model.byteToWrite(2), 250);
}

void TestCurveModel::writeRefusesText() {
    CurveModel model;
    model.setText(12, QStringLiteral("abc"));
    Message error;
    QVERIFY(!model.bytesToWrite(&error));
    QCOMPARE(error.key, QLatin1String(kMsgGridNotNumber));
    QCOMPARE(error.args, (QStringList{"12", "abc"}));
}

QTEST_GUILESS_MAIN(TestCurveModel)
#include "tst_curve_model.moc"
