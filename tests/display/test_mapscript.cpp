#include "mapscript.h"

#include <QtTest>

using namespace MapScript;

namespace {

AssistInfo at(const QString &latitude, const QString &longitude)
{
    AssistInfo s;
    s.latitude = latitude;
    s.longitude = longitude;
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
    const AssistInfoList samples{at("22.5430", "113.9470"), at("22.5431", "113.9472"),
                                 at("22.5433", "113.9475")};
    QCOMPARE(routeScript(samples),
             QStringLiteral("drawPolyLinePath([[22.543,113.947],[22.5431,113.9472],"
                            "[22.5433,113.9475],])"));
}

void TestMapScript::routeLeavesOutSamplesWithoutPosition()
{
    const AssistInfoList samples{
        at("0", "0"),                       // no fix yet
        at("05.50160", "-000.20170"),       // leading zeros are no JavaScript literal
        at("", "13.4"),                     // latitude missing
        at("52.5", ""),                     // longitude missing
        at("52.5", "0"),                    // one zero is enough to leave it out
        at("0.0", "13.4"),
        at("52.5]);alert(1);([", "13.4"),   // file text must never become script
        at("abc", "13.4"),
        at("nan", "13.4"),
        at("inf", "13.4"),
        at("5030.1234", "13.4"),            // an NMEA ddmm.mmmm text is no latitude
        at("52.5", "181"),
        at("52,5", "13,4"),                 // comma: neither decimal nor thousands separator
        at(" -33.8568 ", " 151.2153 "),     // surrounding blanks are harmless
        at("-90", "180"),
    };
    QCOMPARE(routeScript(samples),
             QStringLiteral("drawPolyLinePath([[5.5016,-0.2017],[-33.8568,151.2153],"
                            "[-90,180],])"));
}

void TestMapScript::emptyListSendsNoRoute()
{
    QVERIFY(routeScript(AssistInfoList()).isEmpty());
}

void TestMapScript::listWithoutPositionsDrawsAnEmptyRoute()
{
    QCOMPARE(routeScript({at("0", "0"), at("", "")}), QStringLiteral("drawPolyLinePath([])"));
}

void TestMapScript::marker_data()
{
    QTest::addColumn<QString>("latitude");
    QTest::addColumn<QString>("longitude");
    QTest::addColumn<QString>("script");
    QTest::newRow("plain") << "48.8584" << "2.2945" << "updateMarkerPosition1(48.8584,2.2945)";
    QTest::newRow("leading zeros") << "05.50160" << "-000.20170"
                                   << "updateMarkerPosition1(5.5016,-0.2017)";
    QTest::newRow("south west") << "-34.6037" << "-58.3816"
                                << "updateMarkerPosition1(-34.6037,-58.3816)";
    QTest::newRow("zero stays put") << "0" << "0" << "";
    QTest::newRow("empty stays put") << "" << "" << "";
    QTest::newRow("half empty stays put") << "48.8584" << "" << "";
    QTest::newRow("script text stays put") << "1);alert(1);(" << "2" << "";
    QTest::newRow("out of range stays put") << "91" << "2" << "";
}

void TestMapScript::marker()
{
    QFETCH(QString, latitude);
    QFETCH(QString, longitude);
    QTEST(markerScript(at(latitude, longitude)), "script");
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
