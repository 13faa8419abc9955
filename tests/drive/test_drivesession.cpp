// The drive around an opened recording, on recordings written by the fixture writer: the
// journey of the recording playing is kept when the telemetry shows the clips found by their
// names to be more than one, and recordings of cameras copied together stay apart.

#include "drivesession.h"
#include "telemetry_fixtures.h"
#include "telemetryloader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

const QByteArray kBerlin = "5231.2000,N,01324.0000,E";
const QByteArray kSydney = "3352.0000,S,15112.0000,E";
const QByteArray kCalifornia = "3746.0000,N,12225.0000,W";

// A frame-tail recording of ten one-second blocks at place, whose GPS clock starts at
// gpsStart; its movie header says 10 s unless the length is left unreadable.
bool writeRecording(const QString &path, const QByteArray &place, const QTime &gpsStart,
                    bool withLength = true)
{
    QList<QByteArray> blocks;
    for (int s = 0; s < 10; ++s) {
        const QByteArray time = gpsStart.addSecs(s).toString(QStringLiteral("HHmmss")).toLatin1();
        const QByteArray rmc =
            "$GPRMC," + time + ".000,A," + place + ",10.0,77.52,010124,,,\r\n";
        blocks.append(fixtures::frameTailBlock(0, 0, 1000, rmc));
    }
    QByteArray file = fixtures::frameTailFile(blocks).toBytes();
    const int mvhd = file.indexOf("mvhd");
    if (mvhd < 0)
        return false;
    if (withLength) {
        qToBigEndian<quint32>(1000, file.data() + mvhd + 4 + 12);  // time scale
        qToBigEndian<quint32>(10000, file.data() + mvhd + 4 + 16); // duration
    }
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(file) == file.size();
}

} // namespace

class TestDriveSession : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void keepsTheJourneyOfTheRecordingPlaying();

private:
    // Opens path as the window does and waits until the whole drive is read.
    bool open(DriveSession &session, const QString &path);

    QTemporaryDir m_dir;
    QStringList m_library;
};

void TestDriveSession::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // One camera's clips, named 10 s apart: the third is on the other side of the earth, the
    // clips of another camera of the same make copied beside them.
    const QList<QPair<const char *, QByteArray>> clips{
        {"20240101_100000_0001A.MP4", kBerlin},
        {"20240101_100010_0002A.MP4", kBerlin},
        {"20240101_100020_0003A.MP4", kSydney},
        {"20240101_100030_0004A.MP4", kSydney},
    };
    for (const auto &clip : clips) {
        m_library << m_dir.filePath(QLatin1String(clip.first));
        const QTime named = QTime::fromString(QString::fromLatin1(clip.first).mid(9, 6),
                                              QStringLiteral("HHmmss"));
        QVERIFY(writeRecording(m_library.last(), clip.second, named));
    }
    // Two cameras' recordings without a time in their names or a readable length, copied at
    // one moment.
    const QDateTime copied = QDateTime::currentDateTime().addSecs(-3600);
    const QList<QPair<const char *, QByteArray>> cameras{{"GOPR0001.MP4", kCalifornia},
                                                          {"YDXJ0001.MP4", kSydney}};
    for (const auto &clip : cameras) {
        m_library << m_dir.filePath(QLatin1String(clip.first));
        QVERIFY(writeRecording(m_library.last(), clip.second, QTime(9, 0), false));
        QFile f(m_library.last());
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(copied, QFileDevice::FileModificationTime));
    }
}

bool TestDriveSession::open(DriveSession &session, const QString &path)
{
    const TelemetryLoad load = loadTelemetry(path, nullptr);
    session.open({path}, 10000, load.samples, m_library);
    return QTest::qWaitFor([&] { return session.isComplete(); }, 10000);
}

void TestDriveSession::keepsTheJourneyOfTheRecordingPlaying()
{
    DriveSession session;
    QVERIFY(open(session, m_library.at(1)));
    // Names and times make one drive of four; the route ends where the third is another journey.
    QCOMPARE(session.drive().recordingPaths(), m_library.mid(0, 2));
    QCOMPARE(session.currentClip(), 1);
    // Playback stops at the end of this journey, and what the map and export get is its route.
    QCOMPARE(session.drive().nextRecording(1), -1);
    QCOMPARE(session.drive().samples().size(), 20);

    // The other journey, opened from the list, is a drive of its own.
    QVERIFY(open(session, m_library.at(3)));
    QCOMPARE(session.drive().recordingPaths(), m_library.mid(2, 2));
    QCOMPARE(session.currentClip(), 1);
    QCOMPARE(session.drive().previousRecording(1), 0);

    for (const QString &copied : m_library.mid(4)) {
        QVERIFY(open(session, copied));
        QCOMPARE(session.drive().recordingPaths(), QStringList{copied});
    }
}

QTEST_GUILESS_MAIN(TestDriveSession)
#include "test_drivesession.moc"
