// The incident export dialog driven like a user would, with the real ffmpeg on small recordings
// of three cameras: the export runs to 100 % and leaves the clip and its files; Cancel, closing
// and destroying the dialog end ffmpeg and leave nothing; bad input shows the job's own message.
#include "clipmaker.h"
#include "exportrequests.h"
#include "incidentexportdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

constexpr qint64 kClipMs = 2000;
const QDateTime kStart(QDate(2026, 12, 7), QTime(8, 0, 0), Qt::UTC);

bool processRunsWith(const QString &argument)
{
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(argument.toUtf8()))
            return true;
    }
    return false;
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

template <typename T> T *child(QDialog &dialog, const char *name)
{
    T *widget = dialog.findChild<T *>(QLatin1String(name));
    if (widget == nullptr)
        qFatal("no widget %s", name);
    return widget;
}

QJsonObject probe(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {"-v", "error", "-show_entries", "stream=width,height:format=duration", "-of", "json",
             file});
    p.waitForFinished(60000);
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

} // namespace

class TestIncidentExportDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void exportRunsToTheEndAcrossABoundary();
    void cancelCloseAndDestroyLeaveNothing();
    void badInputShowsTheJobsMessage();

private:
    // A fresh empty folder for one case.
    QString folder(const QString &name);
    IncidentClipRequest smallRequest(const QString &output) const;

    QTemporaryDir m_dir;
    Drive m_drive;
};

void TestIncidentExportDialog::initTestCase()
{
    QVERIFY(m_dir.isValid());
    ClipOptions o;
    o.seconds = int(kClipMs / 1000);
    o.width = 160;
    o.height = 120;
    o.fps = 15;
    o.audio = false;
    o.frameNumbers = false;
    QList<DriveRecording> recordings;
    for (int r = 0; r < 3; ++r) {
        DriveRecording rec;
        const QString stamp = kStart.addMSecs(r * kClipMs).toString("yyyyMMdd_HHmmss");
        for (const char *letter : {"A", "B", "C"}) {
            const QString clip =
                makeClip(m_dir.path(), QStringLiteral("%1_%2.mp4").arg(stamp, letter), o);
            QVERIFY(!clip.isEmpty());
            rec.channels << clip;
        }
        rec.startMs = kStart.toMSecsSinceEpoch() + r * kClipMs;
        rec.durationMs = kClipMs;
        recordings << rec;
    }
    m_drive = Drive(recordings);
    for (int r = 0; r < 3; ++r) {
        AssistInfoList samples;
        for (int i = 0; i < 2; ++i) {
            AssistInfo s;
            s.timeMs = i * 1000;
            s.hasPosition = true;
            s.latitudeDeg = 35.6 + r * 0.001;
            s.longitudeDeg = 139.7 + i * 0.001;
            s.speed = 50;
            samples << s;
        }
        m_drive.setClipSamples(r, samples);
    }
}

QString TestIncidentExportDialog::folder(const QString &name)
{
    const QString path = m_dir.filePath(name);
    return QDir().mkpath(path) ? path : QString();
}

IncidentClipRequest TestIncidentExportDialog::smallRequest(const QString &output) const
{
    // 1 s into the first recording up to 1 s into the second.
    IncidentClipRequest r =
        incidentRequestFor(m_drive, 1000, 3000, ClipLayout::SideBySide,
                           SpeedUnit::KilometresPerHour, output, {"novatek", "novatek", "novatek"});
    r.cellSize = QSize(160, 120);
    r.fps = 15;
    return r;
}

void TestIncidentExportDialog::exportRunsToTheEndAcrossABoundary()
{
    const QString out = folder(QStringLiteral("done"));
    IncidentExportDialog dialog(smallRequest(QString()));
    dialog.show();
    QCOMPARE(child<QLabel>(dialog, "spanLabel")->text(),
             QStringLiteral("2026-12-07 08:00:01 - 08:00:03 (0:02), 3 cameras"));
    auto *exportButton = child<QPushButton>(dialog, "exportBtn");
    auto *cancelButton = child<QPushButton>(dialog, "cancelBtn");
    QVERIFY(!exportButton->isEnabled()); // no file chosen yet

    // The user picks the grid and types a name without a suffix.
    auto *layouts = child<QComboBox>(dialog, "layoutCombo");
    layouts->setFocus();
    QTest::keyClick(layouts, Qt::Key_Down);
    QCOMPARE(dialog.clipLayout(), ClipLayout::Grid);
    QTest::keyClicks(child<QLineEdit>(dialog, "outputEdit"), out + QStringLiteral("/incident"));
    QVERIFY(exportButton->isEnabled());

    auto *bar = child<QProgressBar>(dialog, "progressBar");
    QSignalSpy shown(bar, &QProgressBar::valueChanged);
    QSignalSpy finished(&dialog, &IncidentExportDialog::exportFinished);
    QTest::mouseClick(exportButton, Qt::LeftButton);
    QVERIFY(dialog.isRunning());
    QVERIFY(!exportButton->isEnabled());
    QVERIFY(!layouts->isEnabled());
    QCOMPARE(cancelButton->text(), QStringLiteral("Cancel"));
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.first().at(0).toBool(), true);

    QCOMPARE(bar->value(), 100);
    int last = -1;
    for (const QList<QVariant> &v : shown) {
        QVERIFY(v.first().toInt() >= last);
        last = v.first().toInt();
    }
    QCOMPARE(last, 100);
    const QString clip = out + QStringLiteral("/incident.mp4");
    const QString status = child<QLabel>(dialog, "statusLabel")->text();
    QVERIFY2(status.contains(clip) && status.contains(QStringLiteral("incident.gpx")),
             qPrintable(status));
    QCOMPARE(finished.first().at(1).toString(), status);
    QCOMPARE(filesIn(out),
             QStringList({"incident.ass", "incident.gpx", "incident.json", "incident.mp4"}));
    QCOMPARE(cancelButton->text(), QStringLiteral("Close"));
    QVERIFY(exportButton->isEnabled());

    // The grid the user chose, 2 s long, cut from both recordings of every camera.
    const QJsonObject info = probe(clip);
    const QJsonObject video = info.value("streams").toArray().first().toObject();
    QCOMPARE(video.value("width").toInt(), 320);
    QCOMPARE(video.value("height").toInt(), 240);
    const double duration = info.value("format").toObject().value("duration").toString().toDouble();
    QVERIFY2(qAbs(duration - 2.0) <= 2.0 / 15, qPrintable(QString::number(duration)));
    QFile manifestFile(dialog.job()->manifestPath());
    QVERIFY(manifestFile.open(QIODevice::ReadOnly));
    const QJsonObject manifest = QJsonDocument::fromJson(manifestFile.readAll()).object();
    QCOMPARE(manifest.value("layout").toString(), QStringLiteral("grid"));
    QCOMPARE(manifest.value("sources").toArray().size(), 6);

    // The name now exists: the dialog says a new export replaces it, also when it is offered.
    child<QLineEdit>(dialog, "outputEdit")->setText(clip);
    QVERIFY(child<QLabel>(dialog, "statusLabel")->text().contains(QStringLiteral("replace")));
    IncidentExportDialog again(smallRequest(clip));
    QVERIFY(child<QLabel>(again, "statusLabel")->text().contains(QStringLiteral("replace")));

    // Browsing starts in the folder of the current name and takes the name chosen there. (The
    // current name is a new one: Qt's dialog selects an existing file once it has read the
    // folder, which would overwrite the name typed here at a moment of its choosing.)
    child<QLineEdit>(dialog, "outputEdit")->setText(out + QStringLiteral("/third"));
    QString offered;
    auto *poll = new QTimer(&dialog);
    connect(poll, &QTimer::timeout, [&offered, poll]() {
        auto *files = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (files == nullptr || !files->isVisible())
            return;
        poll->stop();
        offered = files->directory().absolutePath();
        files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("second"));
        static_cast<QDialog *>(files)->accept(); // as the Save button does
    });
    poll->start(20);
    QTest::mouseClick(child<QPushButton>(dialog, "browseBtn"), Qt::LeftButton);
    QCOMPARE(offered, out);
    QCOMPARE(dialog.outputPath(), out + QStringLiteral("/second.mp4"));
}

void TestIncidentExportDialog::cancelCloseAndDestroyLeaveNothing()
{
    // Large cells over the whole drive keep ffmpeg busy long enough to be interrupted.
    IncidentClipRequest heavy = incidentRequestFor(m_drive, 0, 3 * kClipMs, ClipLayout::Grid,
                                                   SpeedUnit::MilesPerHour, QString());
    heavy.cellSize = QSize(1280, 720);
    heavy.fps = 30;
    enum Way { CancelButton, CloseWindow, EscapeKey, DestroyDialog };
    for (const Way way : {CancelButton, CloseWindow, EscapeKey, DestroyDialog}) {
        const QString out = folder(QStringLiteral("stopped%1").arg(way));
        heavy.outputPath = out + QStringLiteral("/big.mp4");
        auto *dialog = new IncidentExportDialog(heavy);
        dialog->show();
        QSignalSpy finished(dialog, &IncidentExportDialog::exportFinished);
        QTest::mouseClick(child<QPushButton>(*dialog, "exportBtn"), Qt::LeftButton);
        QVERIFY(dialog->job() != nullptr);
        QSignalSpy progress(dialog->job(), &IncidentClipJob::progressChanged);
        QVERIFY(progress.wait(60000));
        QVERIFY2(finished.isEmpty(), "the export ended before it could be stopped");
        QVERIFY(processRunsWith(heavy.outputPath + QStringLiteral(".part")));

        switch (way) {
        case CancelButton:
            QTest::mouseClick(child<QPushButton>(*dialog, "cancelBtn"), Qt::LeftButton);
            // Cancel ends the export, not the dialog: the user reads what happened.
            QVERIFY(dialog->isVisible());
            QCOMPARE(child<QLabel>(*dialog, "statusLabel")->text(), dialog->job()->errorString());
            QCOMPARE(child<QProgressBar>(*dialog, "progressBar")->value(), 0);
            QCOMPARE(child<QPushButton>(*dialog, "cancelBtn")->text(), QStringLiteral("Close"));
            break;
        case CloseWindow:
            QVERIFY(dialog->close());
            QVERIFY(!dialog->isVisible());
            break;
        case EscapeKey:
            QTest::keyClick(dialog, Qt::Key_Escape);
            QVERIFY(!dialog->isVisible());
            break;
        case DestroyDialog:
            break;
        }
        if (way != DestroyDialog) {
            QCOMPARE(finished.size(), 1);
            QCOMPARE(finished.first().at(0).toBool(), false);
            QCOMPARE(dialog->job()->state(), IncidentClipJob::State::Cancelled);
        }
        delete dialog;
        QVERIFY2(!processRunsWith(heavy.outputPath + QStringLiteral(".part")),
                 qPrintable(QString::number(way)));
        QCOMPARE(filesIn(out), QStringList());
    }
}

void TestIncidentExportDialog::badInputShowsTheJobsMessage()
{
    struct Case
    {
        QString name;
        QString outputFolder;
        IncidentClipRequest request;
        QByteArray path; // PATH while the export starts
        QString expected;
    };
    QList<Case> cases;

    // A folder nobody may write into (a read-only mount when we are root).
    const QString locked = folder(QStringLiteral("locked"));
    const bool mounted = geteuid() == 0
                         && QProcess::execute(QStringLiteral("mount"),
                                              {"-t", "tmpfs", "-o", "ro,size=64k", "tmpfs", locked})
                                == 0;
    // Unmounted however the case ends, so the temporary folder can go.
    const std::unique_ptr<void, std::function<void(void *)>> unmount(
        mounted ? static_cast<void *>(this) : nullptr, [locked](void *) {
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), locked});
        });
    if (!mounted)
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    cases << Case{"unwritable", locked, smallRequest(locked + QStringLiteral("/clip.mp4")),
                  qgetenv("PATH"), QStringLiteral("Cannot write into the folder")};

    // No ffmpeg on the search path.
    const QString noFfmpeg = folder(QStringLiteral("no-ffmpeg"));
    cases << Case{"ffmpeg missing", noFfmpeg, smallRequest(noFfmpeg + QStringLiteral("/clip.mp4")),
                  folder(QStringLiteral("empty-bin")).toUtf8(), QStringLiteral("ffmpeg")};

    // A recording deleted after the span was chosen.
    const QString vanished = folder(QStringLiteral("vanished"));
    const QString copy = folder(QStringLiteral("copies")) + QStringLiteral("/gone_B.mp4");
    QVERIFY(QFile::copy(m_drive.recording(1).channels.at(1), copy));
    IncidentClipRequest gone = smallRequest(vanished + QStringLiteral("/clip.mp4"));
    gone.channels[1].pieces[1].file = copy;
    QVERIFY(QFile::remove(copy));
    cases << Case{"vanished", vanished, gone, qgetenv("PATH"), QStringLiteral("gone_B.mp4")};

    const QByteArray path = qgetenv("PATH");
    for (const Case &c : qAsConst(cases)) {
        IncidentExportDialog dialog(c.request);
        dialog.show();
        QSignalSpy finished(&dialog, &IncidentExportDialog::exportFinished);
        qputenv("PATH", c.path);
        QTest::mouseClick(child<QPushButton>(dialog, "exportBtn"), Qt::LeftButton);
        qputenv("PATH", path);
        QVERIFY(finished.size() == 1 || finished.wait(60000));
        QCOMPARE(finished.first().at(0).toBool(), false);
        const QString status = child<QLabel>(dialog, "statusLabel")->text();
        QCOMPARE(status, dialog.job()->errorString());
        QVERIFY2(status.contains(c.expected), qPrintable(c.name + QStringLiteral(": ") + status));
        QCOMPARE(child<QProgressBar>(dialog, "progressBar")->value(), 0);
        // The user can mend the cause and try again.
        QVERIFY(child<QPushButton>(dialog, "exportBtn")->isEnabled());
        QVERIFY(child<QLineEdit>(dialog, "outputEdit")->isEnabled());
        QCOMPARE(filesIn(c.outputFolder), QStringList());
    }
}

QTEST_MAIN(TestIncidentExportDialog)
#include "test_incidentexportdialog.moc"
