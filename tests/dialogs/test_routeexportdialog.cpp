// Route export from the window: the save dialog's filter picks the format and the suffix, the
// file is written whole or not at all, and every outcome comes back as one line to show.
#include "routeexportdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>
#include <functional>
#include <unistd.h>

namespace {

QList<RouteTrack> route(bool withFixes = true)
{
    RouteTrack track{QStringLiteral("20261207_080000_A.MP4"),
                     QDateTime(QDate(2026, 12, 7), QTime(8, 0, 0), Qt::UTC),
                     {}};
    for (int i = 0; i < 5; ++i) {
        AssistInfo s;
        s.timeMs = i * 1000;
        s.hasPosition = withFixes;
        s.latitudeDeg = 48.1;
        s.longitudeDeg = 11.5 + i * 0.001;
        s.speed = 30 + i;
        track.samples << s;
    }
    return {track};
}

QByteArray head(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(64) : QByteArray();
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Runs act on the save dialog as soon as it is up, from inside its own event loop.
void whenDialogShows(const std::function<void(QFileDialog *)> &act)
{
    auto *poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, act]() {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(dialog);
    });
    poll->start();
}

} // namespace

class TestRouteExportDialog : public QObject
{
    Q_OBJECT
private slots:
    void filterPicksFormatAndSuffix();
    void failuresComeBackAsMessages();
    void dialogOffersTheSuggestionAndWritesTheChoice();
    void cancelledDialogWritesNothing();
    void translatedFiltersStillPickTheFormat();

private:
    QTemporaryDir m_dir;
};

void TestRouteExportDialog::filterPicksFormatAndSuffix()
{
    const QStringList filters = RouteExportDialog::routeFilters();
    QCOMPARE(filters.size(), 3);
    const QList<QPair<RouteFormat, QByteArray>> formats{
        {RouteFormat::Gpx, "<?xml"}, {RouteFormat::Kml, "<?xml"}, {RouteFormat::Csv, "track,"}};
    for (int i = 0; i < filters.size(); ++i) {
        QCOMPARE(RouteExportDialog::formatOfFilter(filters.at(i)), formats.at(i).first);
        // A name without a suffix gets the filter's; the content is that format.
        const QString chosen = m_dir.filePath(QStringLiteral("plain%1").arg(i));
        const RouteExportResult result =
            RouteExportDialog::saveRoute(chosen, filters.at(i), route());
        QVERIFY2(result.saved(), qPrintable(result.message));
        bool known = false;
        QCOMPARE(routeFormatForFile(result.path, &known), formats.at(i).first);
        QVERIFY(known);
        QCOMPARE(QFileInfo(result.path).path(), m_dir.path());
        QVERIFY2(head(result.path).startsWith(formats.at(i).second), head(result.path).constData());
        QVERIFY(result.message.contains(QFileInfo(result.path).fileName()));
    }
    QVERIFY(head(m_dir.filePath(QStringLiteral("plain0.gpx"))).contains("<?xml"));
    QVERIFY(QFile(m_dir.filePath(QStringLiteral("plain1.kml"))).size() > 0);

    // A name that says its format keeps it, whatever filter was left selected; any other
    // suffix is only part of the name.
    RouteFormat format = RouteFormat::Gpx;
    QCOMPARE(RouteExportDialog::routePath(QStringLiteral("/x/a.KML"), RouteFormat::Csv, &format),
             QStringLiteral("/x/a.KML"));
    QCOMPARE(format, RouteFormat::Kml);
    QCOMPARE(
        RouteExportDialog::routePath(QStringLiteral("/x/trip.2026"), RouteFormat::Csv, &format),
        QStringLiteral("/x/trip.2026.csv"));
    QCOMPARE(format, RouteFormat::Csv);
    const RouteExportResult named = RouteExportDialog::saveRoute(
        m_dir.filePath(QStringLiteral("named.kml")), filters.at(0), route());
    QVERIFY(named.saved());
    QVERIFY(head(named.path).contains("<?xml"));
    QFile kml(named.path);
    QVERIFY(kml.open(QIODevice::ReadOnly));
    QVERIFY(kml.readAll().contains("<kml"));
    // An unknown filter text falls back to GPX rather than failing.
    QCOMPARE(RouteExportDialog::formatOfFilter(QStringLiteral("All files (*)")), RouteFormat::Gpx);
}

void TestRouteExportDialog::failuresComeBackAsMessages()
{
    const QString gpxFilter = RouteExportDialog::routeFilters().at(0);
    const QString csvFilter = RouteExportDialog::routeFilters().at(2);
    const QString folder = m_dir.filePath(QStringLiteral("failures"));
    QVERIFY(QDir().mkpath(folder));

    // Nothing to write: refused, with a reason, before any file exists.
    RouteExportResult r =
        RouteExportDialog::saveRoute(folder + QStringLiteral("/empty"), gpxFilter, {RouteTrack()});
    QCOMPARE(r.outcome, RouteExportResult::Outcome::Failed);
    QVERIFY(!r.message.isEmpty());
    r = RouteExportDialog::exportRoute(nullptr, {}, folder + QStringLiteral("/empty.gpx"));
    QCOMPARE(r.outcome, RouteExportResult::Outcome::Failed);
    QVERIFY(!r.message.isEmpty());
    // G values without a position: no GPX, but a CSV.
    r = RouteExportDialog::saveRoute(folder + QStringLiteral("/nofix"), gpxFilter, route(false));
    QCOMPARE(r.outcome, RouteExportResult::Outcome::Failed);
    QVERIFY2(r.message.contains(QStringLiteral("CSV")), qPrintable(r.message));
    QCOMPARE(filesIn(folder), QStringList());
    r = RouteExportDialog::saveRoute(folder + QStringLiteral("/nofix"), csvFilter, route(false));
    QVERIFY(r.saved());
    QVERIFY(QFile::remove(r.path));

    // A missing folder, and one nobody may write into (a read-only mount when we are root).
    r = RouteExportDialog::saveRoute(folder + QStringLiteral("/gone/route"), gpxFilter, route());
    QCOMPARE(r.outcome, RouteExportResult::Outcome::Failed);
    QVERIFY2(r.message.contains(QStringLiteral("does not exist")), qPrintable(r.message));
    const QString locked = folder + QStringLiteral("/locked");
    QVERIFY(QDir().mkpath(locked));
    const bool mounted = geteuid() == 0
                         && QProcess::execute(QStringLiteral("mount"),
                                              {"-t", "tmpfs", "-o", "ro,size=64k", "tmpfs", locked})
                                == 0;
    if (!mounted)
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    r = RouteExportDialog::saveRoute(locked + QStringLiteral("/route"), gpxFilter, route());
    const QStringList left = filesIn(locked);
    if (mounted)
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), locked});
    QCOMPARE(r.outcome, RouteExportResult::Outcome::Failed);
    QVERIFY2(r.message.contains(QStringLiteral("Cannot write into the folder")),
             qPrintable(r.message));
    QCOMPARE(r.path, locked + QStringLiteral("/route.gpx"));
    QCOMPARE(left, QStringList());
}

void TestRouteExportDialog::dialogOffersTheSuggestionAndWritesTheChoice()
{
    const QString folder = m_dir.filePath(QStringLiteral("asked"));
    QVERIFY(QDir().mkpath(folder));
    QString offeredFilter;
    QStringList offeredFiles;
    whenDialogShows([&](QFileDialog *dialog) {
        offeredFilter = dialog->selectedNameFilter();
        offeredFiles = dialog->selectedFiles();
        // The user switches to CSV and types a name without a suffix.
        auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);
        QTest::keyClick(types, Qt::Key_Down);
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("my trip"));
        static_cast<QDialog *>(dialog)->accept(); // as the Save button does
    });
    const RouteExportResult r = RouteExportDialog::exportRoute(
        nullptr, route(), folder + QStringLiteral("/drive_20261207_080000.kml"));
    QVERIFY2(r.saved(), qPrintable(r.message));
    // The suggestion's suffix chose the first filter, and its folder and name were offered.
    QCOMPARE(offeredFilter, RouteExportDialog::routeFilters().at(1));
    QCOMPARE(offeredFiles, QStringList(folder + QStringLiteral("/drive_20261207_080000.kml")));
    QCOMPARE(r.path, folder + QStringLiteral("/my trip.csv"));
    QVERIFY(head(r.path).startsWith("track,"));
    QCOMPARE(filesIn(folder), QStringList({"my trip.csv"}));
}

void TestRouteExportDialog::cancelledDialogWritesNothing()
{
    const QString folder = m_dir.filePath(QStringLiteral("cancelled"));
    QVERIFY(QDir().mkpath(folder));
    whenDialogShows([](QFileDialog *dialog) { dialog->reject(); });
    const RouteExportResult r =
        RouteExportDialog::exportRoute(nullptr, route(), folder + QStringLiteral("/r.gpx"));
    QCOMPARE(r.outcome, RouteExportResult::Outcome::Cancelled);
    QVERIFY(r.message.isEmpty());
    QCOMPARE(filesIn(folder), QStringList());
}

void TestRouteExportDialog::translatedFiltersStillPickTheFormat()
{
    // The filters are shown translated and mapped back to a format by their text: a translation
    // must keep each pattern, and the mapping must follow the language in use.
    for (const char *language : {"Deutsch", "Japanese", "Russian"}) {
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(":/trans/%1.qm").arg(QLatin1String(language))));
        QCoreApplication::installTranslator(&translator);
        const QStringList filters = RouteExportDialog::routeFilters();
        const RouteExportResult r = RouteExportDialog::saveRoute(
            m_dir.filePath(QStringLiteral("translated_%1").arg(QLatin1String(language))),
            filters.at(2), route());
        QCoreApplication::removeTranslator(&translator);
        QVERIFY2(filters.at(2) != QStringLiteral("CSV table (*.csv)"), language);
        QVERIFY(filters.at(0).endsWith(QStringLiteral("(*.gpx)")));
        QVERIFY(filters.at(1).endsWith(QStringLiteral("(*.kml)")));
        QVERIFY(filters.at(2).endsWith(QStringLiteral("(*.csv)")));
        QVERIFY2(r.saved(), qPrintable(r.message));
        QVERIFY(r.path.endsWith(QStringLiteral(".csv")));
        QVERIFY2(!r.message.contains(QStringLiteral("Route saved")), qPrintable(r.message));
    }
}

QTEST_MAIN(TestRouteExportDialog)
#include "test_routeexportdialog.moc"
