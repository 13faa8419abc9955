#include "mapscript.h"

#include <QtTest>
#include <limits>

using namespace MapScript;

Q_DECLARE_METATYPE(AssistInfo)

namespace {

// A sample with a fix, as the readers give it: numbers, and texts that say the same.
AssistInfo at(double latitude, double longitude)
{
    AssistInfo s;
    s.hasPosition = true;
    s.latitudeDeg = latitude;
    s.longitudeDeg = longitude;
    s.latitude = QString::number(latitude, 'f', 6);
    s.longitude = QString::number(longitude, 'f', 6);
    return s;
}

// A sample without a fix: whatever its texts say, it has no position.
AssistInfo noFix(const QString &latitude, const QString &longitude)
{
    AssistInfo s;
    s.latitude = latitude;
    s.longitude = longitude;
    s.latitudeDeg = latitude.toDouble();
    s.longitudeDeg = longitude.toDouble();
    return s;
}

} // namespace

class TestMapScript : public QObject
{
    Q_OBJECT

private slots:
    void threeSamplesRoute();
    void routeLeavesOutSamplesWithoutPosition();
    void emptyListSendsNoRoute();
    void listWithoutPositionsDrawsAnEmptyRoute();
    void marker_data();
    void marker();
    void numbersRoundTrip_data();
    void numbersRoundTrip();
};

void TestMapScript::threeSamplesRoute()
{
    const AssistInfoList samples{at(22.5430, 113.9470), at(22.5431, 113.9472),
                                 at(22.5433, 113.9475)};
    QCOMPARE(routeScript(samples),
             QStringLiteral("drawPolyLinePath([[22.543,113.947],[22.5431,113.9472],"
                            "[22.5433,113.9475],])"));
}

void TestMapScript::routeLeavesOutSamplesWithoutPosition()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const AssistInfoList samples{
        noFix("22.5", "114.05"),            // texts without a fix are no position
        at(0, 0),                           // the equator at Greenwich is a place
        at(5.5016, -0.2017),
        at(52.5, 0),                        // Greenwich
        at(nan, 13.4),                      // numbers that are no place on the earth
        at(52.5, inf),
        at(90.5, 13.4),
        at(52.5, -181),
        at(-33.8568, 151.2153),
        at(-90, 180),
    };
    QCOMPARE(routeScript(samples),
             QStringLiteral("drawPolyLinePath([[0,0],[5.5016,-0.2017],[52.5,0],"
                            "[-33.8568,151.2153],[-90,180],])"));
}

void TestMapScript::emptyListSendsNoRoute()
{
    QVERIFY(routeScript(AssistInfoList()).isEmpty());
}

void TestMapScript::listWithoutPositionsDrawsAnEmptyRoute()
{
    QCOMPARE(routeScript({noFix("0", "0"), noFix("", ""), noFix("48.85", "2.29")}),
             QStringLiteral("drawPolyLinePath([])"));
}

void TestMapScript::marker_data()
{
    QTest::addColumn<AssistInfo>("sample");
    QTest::addColumn<QString>("script");
    QTest::newRow("plain") << at(48.8584, 2.2945) << "updateMarkerPosition1(48.8584,2.2945)";
    QTest::newRow("south west") << at(-34.6037, -58.3816)
                                << "updateMarkerPosition1(-34.6037,-58.3816)";
    QTest::newRow("zero is a place") << at(0, 0) << "updateMarkerPosition1(0,0)";
    QTest::newRow("no fix stays put") << noFix("48.8584", "2.2945") << "";
    QTest::newRow("out of range stays put") << at(91, 2) << "";
    // Text is never part of the script, whatever it holds.
    AssistInfo hostile = at(1, 2);
    hostile.latitude = QStringLiteral("1);alert(1);(");
    QTest::newRow("text plays no part") << hostile << "updateMarkerPosition1(1,2)";
}

void TestMapScript::marker()
{
    QFETCH(AssistInfo, sample);
    QTEST(markerScript(sample), "script");
}

void TestMapScript::numbersRoundTrip_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("many decimals") << 51.50735089123;
    QTest::newRow("tiny") << 0.00001;
    QTest::newRow("negative") << -122.4194155;
    QTest::newRow("limit") << 180.0;
}

void TestMapScript::numbersRoundTrip()
{
    // A coordinate must come back from its script text as the same number (to 1e-12 degrees).
    QFETCH(double, value);
    const QString text = jsNumber(value);
    bool ok = false;
    const double back = text.toDouble(&ok);
    QVERIFY2(ok, qPrintable(text));
    QVERIFY2(qAbs(back - value) < 1e-12, qPrintable(text));
    QVERIFY2(!text.startsWith(QLatin1String("0")) || text.startsWith(QLatin1String("0."))
                 || text == QLatin1String("0"),
             qPrintable(text));
}

QTEST_GUILESS_MAIN(TestMapScript)
#include "test_mapscript.moc"
