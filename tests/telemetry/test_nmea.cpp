// NMEA sentence parsing, coordinate formatting, tab lines, the digit-sum key and the XOR-0xAA
// text record.

#include "geo.h"
#include "nmea.h"
#include "xorrecord.h"

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>
#include <cstring>

class TestNmea : public QObject
{
    Q_OBJECT
private slots:
    void formatCoordinate_data();
    void formatCoordinate();
    void ggaFillsPositionOnly();
    void rmc_data();
    void rmc();
    void rejectedSentencesChangeNothing_data();
    void rejectedSentencesChangeNothing();
    void emptyFieldsMoveLaterFieldsUp();
    void tabLine_data();
    void tabLine();
    void scrambleKey_data();
    void scrambleKey();
    void leadingNumbers();
    void tabLineCarriesUtc();
    void decimalsConvertAsQtConverts();
    void fields_data();
    void fields();
    void decode_data();
    void decode();
    void xorRecord_data();
    void xorRecord();
};

void TestNmea::formatCoordinate_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<char>("hemisphere");
    QTest::addColumn<QString>("expected");
    QTest::newRow("four decimals N") << QByteArray("2232.1234") << 'N' << "22.535390";
    QTest::newRow("five decimals S") << QByteArray("2232.12345") << 'S' << "-22.5353908";
    QTest::newRow("five decimals W") << QByteArray("11403.12345") << 'W' << "-114.0520575";
    QTest::newRow("three decimals") << QByteArray("2232.123") << 'N' << "";
    QTest::newRow("six decimals") << QByteArray("2232.123456") << 'N' << "";
    QTest::newRow("no point") << QByteArray("2232") << 'N' << "0";
    QTest::newRow("lower-case s stays positive") << QByteArray("2232.1234") << 's' << "22.535390";
    QTest::newRow("lower-case w stays positive") << QByteArray("2232.1234") << 'w' << "22.535390";
    QTest::newRow("east") << QByteArray("00833.91522") << 'E' << "8.5652536";
    QTest::newRow("leading blanks") << QByteArray("  4717.1143") << 'N' << "47.285238";
    QTest::newRow("zero minutes") << QByteArray("4700.0000") << 'N' << "47.000000";
    // Zero padding of short fractions, no degrees, three-digit degrees, text after a NUL.
    QTest::newRow("padded fraction") << QByteArray("2200.0006") << 'N' << "22.000010";
    QTest::newRow("no degrees") << QByteArray("0000.0001") << 'W' << "-0.000001";
    QTest::newRow("180 degrees") << QByteArray("18000.00000") << 'E' << "180.0000000";
    QTest::newRow("stops at NUL") << QByteArray("2232.1234\0009", 11) << 'N' << "22.535390";
    // Signs inside the numbers are placed as printf places them (the firmware's own output).
    QTest::newRow("negative text") << QByteArray("-2232.1234") << 'N' << "-22.-531276";
    QTest::newRow("negative text S") << QByteArray("-2232.1234") << 'S' << "--22.-531276";
    QTest::newRow("negative fraction") << QByteArray("-0032.1234") << 'N' << "0.-531276";
}

void TestNmea::formatCoordinate()
{
    QFETCH(QByteArray, text);
    QFETCH(char, hemisphere);
    QFETCH(QString, expected);
    QCOMPARE(::formatCoordinate(text, hemisphere), expected);
}

void TestNmea::ggaFillsPositionOnly()
{
    QString lon = "keep";
    QString lat = "keep";
    QVERIFY(parseGga("$GPGGA,123519,4807.0381,N,01131.0002,E,1,08,0.9,545.4,M,46.9,M,,*47",
                     &lon, &lat));
    QCOMPARE(lat, QString("48.117301"));
    QCOMPARE(lon, QString("11.516670"));

    lon = lat = "keep";
    QVERIFY(!parseGga("$GPGGAX,123519,4807.0381,N,01131.0002,E,1", &lon, &lat));
    QVERIFY(!parseGga("$GPRMC,123519,4807.0381,N,01131.0002,E,1", &lon, &lat));
    QVERIFY(!parseGga("$GPGGA,123519,4807.0381,N,01131.0002", &lon, &lat));
    QVERIFY(!parseGga("$GPGGA,1," + QByteArray(33, '1') + ",N,01131.0002,E", &lon, &lat));
    QCOMPARE(lon, QString("keep"));
    QCOMPARE(lat, QString("keep"));
}

void TestNmea::rmc_data()
{
    QTest::addColumn<QByteArray>("sentence");
    QTest::addColumn<QString>("lat");
    QTest::addColumn<QString>("lon");
    QTest::addColumn<int>("speed");
    QTest::addColumn<double>("course");
    QTest::newRow("worked example")
        << QByteArray("$GPRMC,083559.00,A,4717.11437,N,00833.91522,E,10.0,77.52,091202,,,A*57")
        << "47.2852395" << "8.5652536" << 18 << 77.52;
    // 54 knots is 100.008 km/h; a factor of 1.85 would give 99.
    QTest::newRow("knots to km/h uses 1.852")
        << QByteArray("$GNRMC,1,A,2232.1234,S,11403.1234,W,54.0,10,010120")
        << "-22.535390" << "-114.052056" << 100 << 10.0;
    QTest::newRow("course above 360 is 0")
        << QByteArray("$GLRMC,1,A,2232.1234,N,11403.1234,E,0,400") << "22.535390"
        << "114.052056" << 0 << 0.0;
    QTest::newRow("course 360 kept") << QByteArray("$GPRMC,1,V,2232.1234,N,11403.1234,E,1,360")
                                     << "22.535390" << "114.052056" << 1 << 360.0;
    // Without the latitude's letter its place goes to the longitude's value, the longitude's to
    // its letter "E" (no point: "0"), and so on; lower-case letters keep the sign positive.
    QTest::newRow("missing hemisphere")
        << QByteArray("$GPRMC,1,A,2232.1234,,11403.1234,E,10.0,5,010120")
        << "22.535390" << "0" << 9 << 0.0;
    QTest::newRow("lower-case hemispheres")
        << QByteArray("$GPRMC,1,A,2232.12345,s,11403.12345,w,1,2") << "22.5353908"
        << "114.0520575" << 1 << 2.0;
}

void TestNmea::rmc()
{
    QFETCH(QByteArray, sentence);
    QString lon, lat;
    int32_t gotSpeed = -1;
    double gotCourse = -1;
    QVERIFY(parseRmc(sentence, &lon, &lat, &gotSpeed, &gotCourse));
    QTEST(lat, "lat");
    QTEST(lon, "lon");
    QTEST(int(gotSpeed), "speed");
    QTEST(gotCourse, "course");
}

void TestNmea::rejectedSentencesChangeNothing_data()
{
    QTest::addColumn<QByteArray>("sentence");
    QTest::newRow("wrong type") << QByteArray("$GPRMCX,1,A,2232.1234,N,11403.1234,E,5,10");
    QTest::newRow("gga to rmc") << QByteArray("$GPGGA,1,A,2232.1234,N,11403.1234,E,5,10");
    QTest::newRow("seven fields") << QByteArray("$GPRMC,1,A,2232.1234,N,11403.1234,E,5");
    QTest::newRow("long speed") << QByteArray("$GPRMC,1,A,2232.1234,N,11403.1234,E,")
            + QByteArray(33, '5') + ",10";
    QTest::newRow("long course") << QByteArray("$GPRMC,1,A,2232.1234,N,11403.1234,E,5,")
            + QByteArray(40, '1');
    QTest::newRow("empty") << QByteArray();
}

void TestNmea::rejectedSentencesChangeNothing()
{
    QFETCH(QByteArray, sentence);
    QString lon = "lon", lat = "lat";
    int32_t speed = 7;
    double course = 8;
    QVERIFY(!parseRmc(sentence, &lon, &lat, &speed, &course));
    QCOMPARE(lon, QString("lon"));
    QCOMPARE(lat, QString("lat"));
    QCOMPARE(speed, 7);
    QCOMPARE(course, 8.0);
}

void TestNmea::emptyFieldsMoveLaterFieldsUp()
{
    // Without a time every field moves up one place: the status letter becomes the time, the
    // latitude the status, "N" the latitude, ..., the knots the E/W letter, the course the
    // speed and the date the course. The tokenizer drops empty fields as the firmware does.
    QString lon, lat;
    int32_t speed = 0;
    double course = 0;
    QVERIFY(parseRmc("$GPRMC,,A,4717.11437,N,00833.91522,E,10.0,77.52,091202,x", &lon, &lat,
                     &speed, &course));
    QCOMPARE(lat, QString("0")); // "N" has no point
    QCOMPARE(lon, QString("0")); // "E"
    QCOMPARE(speed, 143);        // 77.52 knots
    QCOMPARE(course, 0.0);       // 91202 is above 360
}

void TestNmea::tabLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("key");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<float>("z");
    QTest::addColumn<QString>("lat");
    QTest::addColumn<int>("speed");
    const QByteArray rmc = "$GPRMC,1,A,2232.1234,N,11403.1234,E,10.0,5,010120*00";
    const QByteArray plain = "120\t-35\t981\t" + rmc;
    QTest::newRow("plain, key ignored") << plain << 7 << 0.12f << -0.035f << 0.981f
                                        << "22.535390" << 18;
    QByteArray shifted = plain;
    for (char &c : shifted)
        c = char(c + 3);
    QTest::newRow("shifted by key") << shifted + "\r\nrest" << 3 << 0.12f << -0.035f << 0.981f
                                    << "22.535390" << 18;
    QTest::newRow("bad sentence still a sample") << QByteArray("1\t2\t3\t$GPXXX") << 0 << 0.001f
                                                 << 0.002f << 0.003f << "" << 0;
    QTest::newRow("fields that do not scan are 0") << QByteArray("5\tzz\t7\t") << 0 << 0.005f
                                                   << 0.0f << 0.0f << "" << 0;
}

void TestNmea::tabLine()
{
    QFETCH(QByteArray, line);
    QFETCH(int, key);
    AssistInfoList list;
    list.append(AssistInfo());
    QCOMPARE(parseTabLine(list, line, key), 2);
    const AssistInfo &s = list.last();
    QTEST(s.x, "x");
    QTEST(s.y, "y");
    QTEST(s.z, "z");
    QTEST(s.latitude, "lat");
    QTEST(int(s.speed), "speed");
}

void TestNmea::scrambleKey_data()
{
    QTest::addColumn<QByteArray>("chars");
    QTest::addColumn<int>("key");
    QTest::newRow("fifth and eighth twice") << QByteArray("12345678") << 36 + 5 + 8;
    QTest::newRow("non-digits count 0") << QByteArray("1a2b-c9z") << 1 + 2 + 9;
    QTest::newRow("zeros") << QByteArray("00000000") << 0;
    QTest::newRow("only eighth") << QByteArray("00000009") << 18;
}

void TestNmea::scrambleKey()
{
    QFETCH(QByteArray, chars);
    QTEST(::scrambleKey(chars.constData()), "key");
    QCOMPARE(::scrambleKey(chars.constData(), 4), ::scrambleKey((chars.left(4) + "xxxx").constData()));
}

void TestNmea::leadingNumbers()
{
    QCOMPARE(leadingDouble("  12.5abc"), 12.5);
    QCOMPARE(leadingDouble("abc"), 0.0);
    QCOMPARE(leadingDouble("-3e2,"), -300.0);
    // Every form the prefix rule accepts converts as QByteArray::toDouble converts it.
    for (const QByteArray t : {"+1.5e3x", ".5", "5.", "0.1", "4717.11437", "1e-310", "-0.0",
                               "123456789012345678901234567890", "2.2250738585072014e-308",
                               "8.5652536", "00833.91522"}) {
        const QByteArray prefix = t.left(t.indexOf('x') < 0 ? t.size() : t.indexOf('x'));
        QCOMPARE(leadingDouble(t), prefix.toDouble());
    }
    // Out of range either way: no number.
    QCOMPARE(leadingDouble("1e999"), 0.0);
    QCOMPARE(leadingDouble("1e-999"), 0.0);
    QCOMPARE(leadingDouble("1e"), 1.0);
    QCOMPARE(leadingInteger("0042x"), qint64(42));
    QCOMPARE(leadingInteger("99999999999999999999999"), std::numeric_limits<qint64>::max());
}

void TestNmea::decimalsConvertAsQtConverts()
{
    // Short decimals of every shape (up to 16 digits, the point anywhere, signs) give bit for
    // bit what Qt's converter gives, through leadingDouble and through the coordinate texts
    // that markPosition reads.
    QRandomGenerator rng(20261207);
    for (int n = 0; n < 20000; ++n) {
        QByteArray digits;
        const int count = 1 + int(rng.bounded(16));
        for (int i = 0; i < count; ++i)
            digits.append(char('0' + rng.bounded(10)));
        const int point = int(rng.bounded(count + 1));
        QByteArray text = point > 0 && point < count ? digits.left(point) + '.' + digits.mid(point)
                                                     : digits;
        if (rng.bounded(2))
            text.prepend('-');
        const double expected = text.toDouble();
        const double got = leadingDouble(text + ",");
        QVERIFY2(std::memcmp(&got, &expected, sizeof got) == 0, text.constData());

        AssistInfo info;
        info.latitude = QString::fromLatin1(text) + QString::fromLatin1(rng.bounded(8) ? "" : "e0");
        info.longitude = QStringLiteral("-8.5652536");
        markPosition(&info, true);
        const double lat = info.latitude.toDouble();
        QCOMPARE(info.hasPosition, std::fabs(lat) <= 90.0);
        if (info.hasPosition)
            QVERIFY2(std::memcmp(&info.latitudeDeg, &lat, sizeof lat) == 0, text.constData());
    }
}

void TestNmea::tabLineCarriesUtc()
{
    // A tab line of the Ambarella text track carries the time of its sentence.
    AssistInfoList samples;
    parseTabLine(samples, "1\t2\t3\t$GPRMC,173103.25,A,4807.038,N,01131.000,E,1,2,170417,,", 0);
    QCOMPARE(samples.last().utcMs, qint64(1492450263250)); // 2017-04-17 17:31:03.250 UTC
    QCOMPARE(samples.last().utcClock, AssistInfo::Clock::Gps);
}

void TestNmea::fields_data()
{
    QTest::addColumn<QByteArray>("sentence");
    QTest::addColumn<bool>("dropEmpty");
    QTest::addColumn<QByteArray>("joined"); // the fields joined by '|'
    QTest::newRow("positional keeps empty") << QByteArray("$GPRMC,,A,,") << false
                                            << QByteArray("$GPRMC||A||");
    QTest::newRow("strtok drops empty") << QByteArray("$GPRMC,,A,,") << true
                                        << QByteArray("$GPRMC|A");
    QTest::newRow("ends at NUL") << QByteArray("a,b\0,c", 6) << false << QByteArray("a|b");
    QTest::newRow("leading commas") << QByteArray(",,x") << true << QByteArray("x");
    QTest::newRow("nothing") << QByteArray() << true << QByteArray();
    QTest::newRow("capped") << QByteArray(40, ',') << false
                            << QByteArray(nmea::Fields::kMaxFields - 1, '|');
}

void TestNmea::fields()
{
    QFETCH(QByteArray, sentence);
    QFETCH(bool, dropEmpty);
    const nmea::Fields f(sentence, dropEmpty ? nmea::Fields::DropEmpty : nmea::Fields::Positional);
    QByteArrayList parts;
    for (int i = 0; i < f.size(); ++i)
        parts << f.at(i);
    QTEST(parts.join('|'), "joined");
    QCOMPARE(f.at(f.size()), QByteArray());
}

void TestNmea::decode_data()
{
    QTest::addColumn<QByteArray>("sentence");
    QTest::addColumn<bool>("isSentence");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("kmh");
    QTest::addColumn<qint64>("utc");
    const qint64 day = geo::daysFromCivil(2017, 4, 17) * 86400000LL;
    const qint64 at = day + ((17 * 60 + 31) * 60 + 3) * 1000LL + 250;
    const double lat = 48 + 7.038 / 60, lon = 11 + 31.0 / 60;
    QTest::newRow("rmc") << QByteArray("$GPRMC,173103.25,A,4807.038,N,01131.000,E,10,084.4,170417,003.1,W*6A")
                         << true << true << lat << lon << 18.52 << at;
    QTest::newRow("rmc, checksum on the date, blanks") << QByteArray("  GNRMC,173103.25,A,4807.038,S,01131.000,W,,,170417*6A\r\n")
                                                       << true << true << -lat << -lon << -1.0 << at;
    QTest::newRow("no fix keeps the date's place") << QByteArray("$GNRMC,173103.25,V,,,,,,,170417,,,N*00")
                                                   << true << false << 0.0 << 0.0 << -1.0 << at;
    QTest::newRow("zero without its letter") << QByteArray("$GPRMC,173103.25,A,0000.0000,,01131.000,e,0,0,170417")
                                             << true << true << 0.0 << lon << 0.0 << at;
    QTest::newRow("missing hemisphere") << QByteArray("$GPRMC,173103.25,A,4807.038,,01131.000,E,1,2,170417")
                                        << true << false << 0.0 << 0.0 << 1.852 << at;
    QTest::newRow("five minute decimals") << QByteArray("$GPRMC,1,A,4807.03800,N,01131.00000,E,1,2,")
                                          << true << true << lat << lon << 1.852 << qint64(-1);
    QTest::newRow("sixty minutes is no ddmm") << QByteArray("$GPRMC,173103.25,A,4860.000,N,01131.000,E,1,2,170417")
                                              << true << false << 0.0 << 0.0 << 1.852 << at;
    QTest::newRow("nine fields is no rmc") << QByteArray("$GPRMC,173103.25,A,4807.038,N,01131.000,E,1,2")
                                           << false << false << 0.0 << 0.0 << -1.0 << qint64(-1);
    QTest::newRow("six-letter type") << QByteArray("$GPRMCX,173103.25,A,4807.038,N,01131.000,E,1,2,170417")
                                     << false << false << 0.0 << 0.0 << -1.0 << qint64(-1);
    QTest::newRow("gga") << QByteArray("$GNGGA,173103.25,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47")
                         << true << true << lat << lon << -1.0 << qint64(-1);
    QTest::newRow("gga quality 0") << QByteArray("$GPGGA,173103.25,4807.038,N,01131.000,E,0,08")
                                   << true << false << lat << lon << -1.0 << qint64(-1);
}

void TestNmea::decode()
{
    QFETCH(QByteArray, sentence);
    QFETCH(bool, valid);
    QFETCH(double, lat);
    QFETCH(double, lon);
    nmea::Fix fix;
    const bool gga = sentence.contains("GGA,");
    QTEST(gga ? nmea::decodeGga(sentence, &fix) : nmea::decodeRmc(sentence, &fix), "isSentence");
    QCOMPARE(fix.valid, valid);
    if (fix.hasCoordinates) {
        QVERIFY(std::fabs(fix.latDeg - lat) < 1e-12);
        QVERIFY(std::fabs(fix.lonDeg - lon) < 1e-12);
    }
    QFETCH(double, kmh);
    QVERIFY(std::fabs(fix.speedKmh - kmh) < 1e-9);
    QTEST(fix.utcMs(), "utc");
    // The chip layouts' date reading is the same decoder's, for RMC sentences that start at '$'.
    QCOMPARE(rmcUtcMs(sentence), !gga && sentence.startsWith('$') ? fix.utcMs() : qint64(-1));
}

namespace {

// An XOR-0xAA text record of `size` bytes: the marks, then the text fields at their offsets.
QByteArray maskedRecord(int size, const QByteArray &stamp, const QByteArray &lat,
                        const QByteArray &lon, const QByteArray &speed, int gAt, const QByteArray &g)
{
    QByteArray text(size, '\0');
    for (const auto &field : {qMakePair(8, stamp), qMakePair(38, lat), qMakePair(47, lon),
             qMakePair(57, speed), qMakePair(gAt, g)})
        text.replace(field.first, field.second.size(), field.second);
    for (char &c : text)
        c = char(c ^ 0xAA);
    return text;
}

} // namespace

void TestNmea::xorRecord_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<bool>("isRecord");
    QTest::addColumn<bool>("position");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("kmh");
    QTest::addColumn<double>("gx");
    const QByteArray stamp = "20200519162335";
    const double lat = 37 + 45.2416 / 60, lon = 122 + 25.5009 / 60;
    QTest::newRow("azdome: eight speed digits, G at 173")
        << maskedRecord(200, stamp, "N37452416", "W122255009", "00000045", 173, "+093-003-005")
        << true << true << lat << -lon << 45.0 << 0.93;
    QTest::newRow("eeekit: altitude, km/h at 62, G at 65")
        << maskedRecord(100, stamp, "S37452416", "E122255009", "+0175017", 65, "-014+002+026")
        << true << true << -lat << lon << 17.0 << -0.14;
    QTest::newRow("blank position") << maskedRecord(100, stamp, "         ", "          ", "", 0, "")
                                    << true << false << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("zeros are no fix")
        << maskedRecord(100, stamp, "N00000000", "E000000000", "00000045", 0, "") << true << false
        << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("sixty minutes is no ddmm")
        << maskedRecord(100, stamp, "N37600000", "E122255009", "00000045", 0, "") << true << false
        << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("stamp no date") << maskedRecord(100, "20201319162335", "N37452416", "E122255009", "", 0, "")
                                   << false << false << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("short") << maskedRecord(64, stamp, "N37452416", "E122255009", "", 0, "")
                           << false << false << 0.0 << 0.0 << 0.0 << 0.0;
}

void TestNmea::xorRecord()
{
    QFETCH(QByteArray, record);
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(double, gx);
    xorrecord::Record r;
    QTEST(xorrecord::read(record, &r), "isRecord");
    QTEST(r.hasPosition, "position");
    QVERIFY(std::fabs(r.latDeg - lat) < 1e-12);
    QVERIFY(std::fabs(r.lonDeg - lon) < 1e-12);
    QTEST(r.speedKmh, "kmh");
    QCOMPARE(r.hasG, gx != 0.0);
    QVERIFY(std::fabs(r.gx - gx) < 1e-12);
    if (r.stampMs >= 0)
        QCOMPARE(r.stampMs, geo::utcMs(2020, 5, 19, 16, 23, 35));
}

QTEST_GUILESS_MAIN(TestNmea)
#include "test_nmea.moc"
