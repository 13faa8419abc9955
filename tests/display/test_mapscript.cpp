#include "mapscript.h"

#include <QJsonArray>
#include <QJsonDocument>
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

// A timed sample of a drive: position, speed in km/h, drive time.
AssistInfo driveSample(double latitude, double longitude, int speed, qint64 ms)
{
    AssistInfo s = at(latitude, longitude);
    s.speed = speed;
    s.timeMs = ms;
    return s;
}

AssistInfo noFixAt(qint64 ms)
{
    AssistInfo s = noFix(QString(), QString());
    s.timeMs = ms;
    return s;
}

// The numbers of "name([n,n,...,])" as the page's JavaScript reads them.
QVector<double> arrayArgument(const QString &script, const QString &name)
{
    const QString head = name + QStringLiteral("([");
    if (!script.startsWith(head) || !script.endsWith(QLatin1String("])")))
        return {};
    QStringList parts = script.mid(head.size(), script.size() - head.size() - 2)
                            .split(QLatin1Char(','));
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    QVector<double> numbers;
    for (const QString &part : parts) {
        bool ok = false;
        numbers.append(part.toDouble(&ok));
        if (!ok)
            return {};
    }
    return numbers;
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

    void routePointsBreakAtGapsAndKeepClips();
    void routePointsSpeedUnit();
    void driveRouteComesInBoundedChunks();
    void driveRouteOfNoPositionsIsEmpty();
    void eventMarksTakeTheNearestFix();
    void smallScripts();
    void followTitleIsOneStringLiteral_data();
    void followTitleIsOneStringLiteral();
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

void TestMapScript::routePointsBreakAtGapsAndKeepClips()
{
    const AssistInfoList samples{
        driveSample(48.1, 11.5, 30, 0),       // first point: starts a run
        driveSample(48.2, 11.6, 31, 1000),
        noFixAt(2000),                        // a second without fix
        driveSample(48.3, 11.7, 32, 3000),    // after it: a new run
        driveSample(48.4, 11.8, 33, 4000),    // the next clip, no gap: joined
        driveSample(48.5, 11.9, 34, 9000),    // 5 s later: still joined (not more than 5 s)
        driveSample(48.6, 12.0, 35, 14001),   // more than 5 s later: a new run
        driveSample(48.7, 12.1, 36, 13000),   // back in time: a new run
        driveSample(91.0, 12.1, 36, 15000),   // not a place: left out, breaks
        driveSample(48.8, 12.2, 37, 16000),
    };
    AssistInfo untimed = driveSample(48.9, 12.3, 38, -1);
    AssistInfoList withUntimed = samples;
    withUntimed.append(untimed);
    withUntimed.append(driveSample(49.0, 12.4, 39, 17000));
    const QVector<int> clips{0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2}; // one short: the last has none

    const QVector<RoutePoint> points = routePoints(withUntimed, clips, SpeedUnit::Kmh);
    QCOMPARE(points.size(), 9);
    QVector<qint64> times;
    QVector<bool> starts;
    QVector<int> clipOf;
    for (const RoutePoint &p : points) {
        times << p.driveMs;
        starts << p.startsRun;
        clipOf << p.clip;
    }
    QCOMPARE(times, (QVector<qint64>{0, 1000, 3000, 4000, 9000, 14001, 13000, 16000, 17000}));
    QCOMPARE(starts, (QVector<bool>{true, false, true, false, false, true, true, true, true}));
    QCOMPARE(clipOf, (QVector<int>{0, 0, 0, 1, 1, 1, 1, 2, -1}));
    QCOMPARE(points.at(3).position.latitude, 48.4);
    QCOMPARE(points.at(3).position.longitude, 11.8);
    QCOMPARE(points.at(3).speed, 33.0);

    // A shorter gap limit breaks the 5-second step as well.
    const QVector<RoutePoint> strict = routePoints(samples, clips, SpeedUnit::Kmh, 2000);
    QVERIFY(strict.at(4).startsRun);
}

void TestMapScript::routePointsSpeedUnit()
{
    AssistInfo negative = driveSample(1, 2, -5, 1000);
    const AssistInfoList samples{driveSample(1, 2, 100, 0), negative};
    const QVector<RoutePoint> mph = routePoints(samples, {0, 0}, SpeedUnit::Mph);
    QCOMPARE(mph.at(0).speed, 62.14);
    QCOMPARE(mph.at(1).speed, 0.0); // a negative speed is no speed
    QCOMPARE(routePoints(samples, {0, 0}, SpeedUnit::Kmh).at(0).speed, 100.0);
    const QStringList scripts = driveRouteScripts(samples, {0, 0}, SpeedUnit::Mph);
    QCOMPARE(scripts.first(), QStringLiteral("driveRouteBegin(1)"));
    QCOMPARE(arrayArgument(scripts.at(1), "driveRouteAdd").mid(0, 6),
             (QVector<double>{1, 2, 62.1, 0, 0, 1}));
}

void TestMapScript::driveRouteComesInBoundedChunks()
{
    // A 4-hour drive at one point a second over three recordings.
    AssistInfoList samples;
    QVector<int> clips;
    for (int i = 0; i < 14400; ++i) {
        samples.append(driveSample(40 + i * 1e-5, -3 - i * 1e-5, i % 130, qint64(i) * 1000));
        clips.append(i / 4800);
    }
    const QStringList scripts = driveRouteScripts(samples, clips, SpeedUnit::Kmh, 1000);
    QCOMPARE(scripts.size(), 1 + 15 + 1);
    QCOMPARE(scripts.first(), QStringLiteral("driveRouteBegin(0)"));
    QCOMPARE(scripts.last(), QStringLiteral("driveRouteEnd()"));
    QVector<double> all;
    for (int c = 1; c <= 15; ++c) {
        const QVector<double> numbers = arrayArgument(scripts.at(c), "driveRouteAdd");
        QCOMPARE(numbers.size(), (c < 15 ? 1000 : 400) * 6);
        QVERIFY2(scripts.at(c).size() < 64 * 1000, "a chunk stays small");
        all += numbers;
    }
    QCOMPARE(all.size(), 14400 * 6);
    for (int i = 0; i < 14400; i += 1237) {
        const double *p = all.constData() + i * 6;
        QCOMPARE(p[0], 40 + i * 1e-5);
        QCOMPARE(p[1], -3 - i * 1e-5);
        QCOMPARE(p[2], double(i % 130));
        QCOMPARE(p[3], double(i) * 1000);
        QCOMPARE(p[4], double(i / 4800));
        QCOMPARE(p[5], i == 0 ? 1.0 : 0.0);
    }
}

void TestMapScript::driveRouteOfNoPositionsIsEmpty()
{
    QVERIFY(driveRouteScripts(AssistInfoList{noFixAt(0), noFixAt(1000)}, {0, 0},
                              SpeedUnit::Kmh).isEmpty());
    QVERIFY(driveRouteScripts(AssistInfoList{}, {}, SpeedUnit::Kmh).isEmpty());
}

void TestMapScript::eventMarksTakeTheNearestFix()
{
    const AssistInfoList samples{
        driveSample(10, 20, 0, 0),     noFixAt(1000),
        driveSample(11, 21, 0, 2000),  driveSample(12, 22, 0, 3000),
        noFixAt(4000),                 noFixAt(5000),
        noFixAt(6000),                 noFixAt(7000),
        driveSample(13, 23, 0, 8000),
    };
    // 1000: fixes at 0 and 2000 are as near; the later one wins. 2600: nearer to 3000.
    // 5500: the nearest fixes are 2.5 s away, too far. 5000: 3000 is 2 s away, just near
    // enough. 7500: 8000.
    const QVector<double> marks = arrayArgument(
        eventMarksScript(samples, {1000, 2600, 5000, 5500, 7500}, 2000), "driveEventMarks");
    QCOMPARE(marks, (QVector<double>{11, 21, 1000, 12, 22, 2600, 12, 22, 5000, 13, 23, 7500}));
    QCOMPARE(eventMarksScript(samples, {5500}, 2000), QStringLiteral("driveEventMarks([])"));
    QCOMPARE(eventMarksScript(samples, {5500}, 3000),
             QStringLiteral("driveEventMarks([13,23,5500,])"));
    QCOMPARE(eventMarksScript({}, {1000}), QStringLiteral("driveEventMarks([])"));
    // Before the first and after the last sample.
    QCOMPARE(arrayArgument(eventMarksScript(samples, {-500, 9000}), "driveEventMarks"),
             (QVector<double>{10, 20, -500, 13, 23, 9000}));
}

void TestMapScript::smallScripts()
{
    QCOMPARE(routeClipScript(3), QStringLiteral("driveRouteClip(3)"));
    QCOMPARE(followCarScript(true), QStringLiteral("setFollowCar(true)"));
    QCOMPARE(followCarScript(false), QStringLiteral("setFollowCar(false)"));
    QCOMPARE(tileSourceScript(false, 5), QStringLiteral("useTileSource(0,17)"));
    QCOMPARE(tileSourceScript(true, 14), QStringLiteral("useTileSource(1,14)"));
    QCOMPARE(tileSourceScript(true, 99), QStringLiteral("useTileSource(1,22)"));
}

void TestMapScript::followTitleIsOneStringLiteral_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QStringLiteral("Follow the car");
    QTest::newRow("quotes") << QStringLiteral("a\"); alert(1); (\"");
    QTest::newRow("backslash, newline") << QStringLiteral("a\\\n\r\tb");
    QTest::newRow("line separators") << QString::fromUtf16(u"a\u2028b\u2029c");
    QTest::newRow("non-Latin") << QString::fromUtf16(u"\u8ddf\u968f\u8f66\u8f86");
}

void TestMapScript::followTitleIsOneStringLiteral()
{
    QFETCH(QString, text);
    const QString script = followTitleScript(text);
    QVERIFY(script.startsWith(QLatin1String("setFollowTitle(\"")));
    QVERIFY(script.endsWith(QLatin1String("\")")));
    const QString literal = script.mid(15, script.size() - 16);
    // The literal is one JSON string (and so one JavaScript string) holding exactly the text,
    // with no raw line break of either language inside.
    const QJsonDocument doc = QJsonDocument::fromJson(("[" + literal + "]").toUtf8());
    QCOMPARE(doc.array().size(), 1);
    QCOMPARE(doc.array().at(0).toString(), text);
    for (QChar c : {QChar('\n'), QChar('\r'), QChar(0x2028), QChar(0x2029)})
        QVERIFY(!literal.contains(c));
}

QTEST_GUILESS_MAIN(TestMapScript)
#include "test_mapscript.moc"
