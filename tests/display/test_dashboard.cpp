#include "dashboard.h"

#include <QtTest>

using namespace Dashboard;

Q_DECLARE_METATYPE(AssistInfoList)

class TestDashboard : public QObject
{
    Q_OBJECT

private slots:
    void timeLabel_data();
    void timeLabel();
    void noValueTexts();
    void gValue_data();
    void gValue();
    void speed_data();
    void speed();
    void initialSpeed();
    void telemetryPresence_data();
    void telemetryPresence();
};

void TestDashboard::timeLabel_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("start") << qint64(0) << "00:00";
    QTest::newRow("seconds") << qint64(7) << "00:07";
    QTest::newRow("one minute") << qint64(60) << "01:00";
    QTest::newRow("last second below an hour") << qint64(3599) << "59:59";
    QTest::newRow("one hour") << qint64(3600) << "1:00:00";
    // An hour and more used to wrap to "01:40".
    QTest::newRow("3700 s") << qint64(3700) << "1:01:40";
    QTest::newRow("ten hours") << qint64(36000 + 59) << "10:00:59";
    QTest::newRow("past a day does not wrap") << qint64(90061) << "25:01:01";
    QTest::newRow("negative") << qint64(-5) << "00:00";
}

void TestDashboard::timeLabel()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(timeLabelText(seconds), text);
}

void TestDashboard::gValue_data()
{
    QTest::addColumn<QChar>("axis");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("negative half") << QChar('X') << -0.5 << "X:-0.500";
    QTest::newRow("rounded") << QChar('Y') << 1.23456 << "Y:1.235";
    QTest::newRow("zero") << QChar('Z') << 0.0 << "Z:0.000";
    QTest::newRow("float sample") << QChar('Z') << double(0.981f) << "Z:0.981";
}

void TestDashboard::gValue()
{
    QFETCH(QChar, axis);
    QFETCH(double, value);
    QTEST(gValueText(axis, value), "text");
}

void TestDashboard::speed_data()
{
    QTest::addColumn<int>("kmh");
    QTest::addColumn<int>("setting");
    QTest::addColumn<QString>("text");
    QTest::newRow("100 km/h in mph") << 100 << 1 << "62MPH";
    QTest::newRow("0 km/h") << 0 << 0 << "0KM/H";
    QTest::newRow("km/h as it is") << 87 << 0 << "87KM/H";
    QTest::newRow("mph rounds up") << 5 << 1 << "3MPH";     // 3.107
    QTest::newRow("mph rounds half up") << 125 << 1 << "78MPH"; // 77.675
    QTest::newRow("any other setting is mph") << 160 << 2 << "99MPH"; // 99.424
}

void TestDashboard::speed()
{
    QFETCH(int, kmh);
    QFETCH(int, setting);
    QTEST(speedText(kmh, setting), "text");
}

void TestDashboard::noValueTexts()
{
    QCOMPARE(noGValueText(QChar('Y')), QStringLiteral("Y:--"));
    QCOMPARE(noSpeedText(0), QStringLiteral("--KM/H"));
    QCOMPARE(noSpeedText(1), QStringLiteral("--MPH"));
}

void TestDashboard::initialSpeed()
{
    QCOMPARE(initialSpeedText(0), QStringLiteral("0KM/H"));
    QCOMPARE(initialSpeedText(1), QStringLiteral("0MPH "));
}

namespace {
AssistInfo sample(float x, float y, float z, const char *lat = "", const char *lon = "", int speed = 0)
{
    AssistInfo s;
    s.x = x;
    s.y = y;
    s.z = z;
    s.latitude = QString::fromLatin1(lat);
    s.longitude = QString::fromLatin1(lon);
    s.speed = speed;
    return s;
}

AssistInfo withFix(AssistInfo s)
{
    s.hasPosition = true;
    s.latitudeDeg = s.latitude.toDouble();
    s.longitudeDeg = s.longitude.toDouble();
    return s;
}

AssistInfo withoutG(float x, float y, float z)
{
    AssistInfo s = sample(x, y, z);
    s.hasGSensor = false;
    return s;
}
} // namespace

void TestDashboard::telemetryPresence_data()
{
    QTest::addColumn<AssistInfoList>("samples");
    QTest::addColumn<bool>("shown");
    const AssistInfo zero = sample(0, 0, 0);
    // Blocks read out of video data by the elimination layouts: zeroed G (aligned blocks), or
    // the frame-tail fill of x = -0.8 plus its two fixed closing readings.
    QTest::newRow("empty") << AssistInfoList{} << false;
    QTest::newRow("aligned-block fill") << AssistInfoList{zero, zero, zero, zero} << false;
    QTest::newRow("frame-tail fill")
        << AssistInfoList{sample(-0.8f, 0, 0), sample(-0.8f, 0, 0), sample(0.023f, 0.15f, 0.096f),
                          sample(0.023f, 0.15f, 0.096f)}
        << false;
    QTest::newRow("one fix") << AssistInfoList{zero, withFix(sample(0, 0, 0, "22.5", "114.05")), zero}
                             << true;
    QTest::newRow("coordinate texts without a fix")
        << AssistInfoList{sample(0, 0, 0, "22.5", "114.05"), zero} << false;
    QTest::newRow("0 degrees with a fix is a place")
        << AssistInfoList{withFix(sample(0, 0, 0, "0", "0")), zero} << true;
    QTest::newRow("values of a layout without G are no readings")
        << AssistInfoList{withoutG(0.1f, 0, 1), withoutG(0.2f, 0, 1), withoutG(0.3f, 0, 1)}
        << false;
    QTest::newRow("speed only") << AssistInfoList{zero, sample(0, 0, 0, "", "", 12)} << true;
    QTest::newRow("parked, G only")
        << AssistInfoList{sample(0.01f, 0, 1), sample(0.02f, 0, 0.99f), sample(0.01f, 0.01f, 1)}
        << true;
}

void TestDashboard::telemetryPresence()
{
    QFETCH(AssistInfoList, samples);
    QFETCH(bool, shown);
    QCOMPARE(hasTelemetryToShow(samples), shown);
}

QTEST_GUILESS_MAIN(TestDashboard)
#include "test_dashboard.moc"
