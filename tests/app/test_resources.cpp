// The pictures and the application style sheet, loaded from the compiled resources the way the
// widgets load them: every icon path the interface names must exist, render as light strokes on
// a transparent ground, and the style sheet must parse and reach the widgets it styles.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QSvgRenderer>
#include <QTest>
#include <QToolButton>

namespace {

const char *const kIcons[] = {
    "icon_add_video.svg",    "icon_adjust_bright.svg",  "icon_box_up.png",
    "icon_cancel.svg",       "icon_capture.svg",        "icon_contrast.svg",
    "icon_delete.svg",       "icon_help.svg",           "icon_help_title.svg",
    "icon_last_file.png",    "icon_last_frame.svg",     "icon_menu.svg",
    "icon_next_file.png",    "icon_next_frame.svg",     "icon_one_way_mode.png",
    "icon_play_reset.png",   "icon_remove_video.svg",   "icon_saturation.svg",
    "icon_save_video.svg",   "icon_screenfull.svg",     "icon_set.svg",
    "icon_video_fall.png",   "icon_video_info.svg",     "icon_video_menu.svg",
    "icon_video_play.png",   "icon_video_positive.png", "icon_video_stop.png",
    "icon_video_switch.svg", "icon_voice.svg",          "icon_zoom_add.svg",
    "icon_zoom_less.svg",    "icon_box_down.png",       "icon_export.svg",
    "icon_voice_mute.svg",
};

struct Coverage
{
    int light = 0;       // nearly white, clearly visible
    int transparent = 0; // alpha 0
    int coloured = 0;    // visible but neither grey nor white
};

Coverage measure(const QImage &image)
{
    Coverage c;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QColor px = QColor::fromRgba(argb.pixel(x, y));
            if (px.alpha() == 0)
                ++c.transparent;
            else if (px.alpha() > 200 && px.lightness() > 230)
                ++c.light;
            else if (px.alpha() > 200 && px.saturation() > 40)
                ++c.coloured;
        }
    }
    return c;
}

// Collects the style sheet parser's complaints while widgets are polished.
QStringList g_warnings;
void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtWarningMsg)
        g_warnings << text;
}

QColor centrePixel(QWidget *w)
{
    const QImage img = w->grab().toImage();
    return img.pixelColor(img.width() / 2, img.height() / 2);
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void icons_data();
    void icons();
    void everyPictureIsPacked();
    void defaultThumbnail();
    void styleSheetParses();
    void styleSheetReachesWidgets();
    void desktopEntry();
};

void TestResources::icons_data()
{
    QTest::addColumn<QString>("path");
    for (const char *name : kIcons)
        QTest::newRow(name) << QStringLiteral(":/images/") + QLatin1String(name);
}

void TestResources::icons()
{
    QFETCH(QString, path);
    QVERIFY2(QFile::exists(path), qPrintable(path));

    if (path.endsWith(QLatin1String(".svg"))) {
        QSvgRenderer renderer(path);
        QVERIFY(renderer.isValid());
        // Drawn on the 24 px grid the buttons use.
        QCOMPARE(renderer.defaultSize(), QSize(24, 24));
    }

    // The buttons go through QIcon, which needs the SVG icon engine for the drawings.
    const QIcon icon(path);
    QVERIFY(!icon.isNull());
    const QPixmap pixmap = icon.pixmap(QSize(48, 48));
    QVERIFY(!pixmap.isNull());
    const QImage image = pixmap.toImage();
    const Coverage c = measure(image);
    const int area = image.width() * image.height();
    // White strokes on a transparent ground: something clearly visible, mostly empty, no colour.
    QVERIFY2(c.light >= area / 40, qPrintable(QStringLiteral("light pixels %1").arg(c.light)));
    QVERIFY2(c.transparent >= area / 3,
             qPrintable(QStringLiteral("transparent pixels %1").arg(c.transparent)));
    QCOMPARE(c.coloured, 0);
}

void TestResources::everyPictureIsPacked()
{
    // A drawing committed next to the others but left out of the resource list would show as an
    // empty button; one listed but missing would break the build, so compare both ways.
    const QDir source(QStringLiteral(ZEVIDUD_SOURCE_DIR "/src/resources/images"));
    QStringList onDisk = source.entryList({"*.svg", "*.png", "*.jpg"}, QDir::Files, QDir::Name);
    QStringList packed =
        QDir(QStringLiteral(":/images")).entryList(QDir::Files, QDir::Name);
    QVERIFY(!onDisk.isEmpty());
    QCOMPARE(packed, onDisk);
}

void TestResources::defaultThumbnail()
{
    const QImage image(QStringLiteral(":/images/icon_default_privew.jpg"));
    QVERIFY(!image.isNull());
    // Shown scaled into a 100 x 57 label: same shape, and at least that size so it stays sharp.
    QVERIFY(image.width() >= 100 && image.height() >= 57);
    QVERIFY(qAbs(double(image.width()) / image.height() - 100.0 / 57.0) < 0.05);
    // A dark picture: the list rows are black.
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y));
    QVERIFY(sum / (image.width() * image.height()) < 80);
}

void TestResources::styleSheetParses()
{
    QFile file(QStringLiteral(":/qss/style_windows.qss"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString sheet = QString::fromLatin1(file.readAll());
    QVERIFY(sheet.contains(QLatin1String("#videoSlide")));

    // Every picture the sheet refers to is in the resources.
    QRegularExpression url(QStringLiteral("url\\(([^)]+)\\)"));
    auto it = url.globalMatch(sheet);
    int urls = 0;
    while (it.hasNext()) {
        const QString target = it.next().captured(1);
        QVERIFY2(QFile::exists(target), qPrintable(target));
        ++urls;
    }
    QVERIFY(urls >= 2);

    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    qApp->setStyleSheet(sheet);
    QMainWindow window;
    auto *central = new QWidget(&window);
    central->setObjectName(QStringLiteral("centralWidget"));
    window.setCentralWidget(central);
    auto *splitter = new QSplitter(Qt::Vertical, central);
    auto *list = new QListWidget(splitter);
    list->addItems({"a.mp4", "b.mp4"});
    list->setCurrentRow(1);
    new QLabel(QStringLiteral("00:00"), splitter);
    for (const char *name : {"videoSlide", "volumeSlider", "zoomSlider", "brightSlider"}) {
        auto *slider = new QSlider(Qt::Horizontal, central);
        slider->setObjectName(QLatin1String(name));
    }
    new QSpinBox(central);
    new QRadioButton(QStringLiteral("English"), central);
    new QScrollBar(Qt::Vertical, central);
    auto *menu = new QMenu(&window);
    menu->addAction(QStringLiteral("x"));
    window.resize(400, 300);
    window.show();
    menu->ensurePolished();
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Remind"), QStringLiteral("Delete?"),
                    QMessageBox::Yes | QMessageBox::No);
    box.ensurePolished();
    window.grab();
    box.grab();
    qInstallMessageHandler(previous);
    qApp->setStyleSheet(QString());
    for (const QString &w : qAsConst(g_warnings))
        QVERIFY2(!w.contains(QLatin1String("parse"), Qt::CaseInsensitive), qPrintable(w));
}

void TestResources::styleSheetReachesWidgets()
{
    QFile file(QStringLiteral(":/qss/style_windows.qss"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    qApp->setStyleSheet(QString::fromLatin1(file.readAll()));

    QPushButton button(QStringLiteral("YES"));
    button.resize(120, 40);
    button.show();
    // Left of the label, inside the border.
    const QImage face = button.grab().toImage();
    QCOMPARE(face.pixelColor(8, face.height() / 2).name(), QStringLiteral("#2a2f36"));

    QRadioButton radio(QStringLiteral("English"));
    radio.ensurePolished();
    QCOMPARE(radio.palette().color(QPalette::WindowText), QColor(Qt::white));

    QWidget panel;
    panel.setObjectName(QStringLiteral("controlMenuWidget"));
    panel.resize(50, 20);
    panel.show();
    QCOMPARE(centrePixel(&panel).name(), QStringLiteral("#0b0d10"));

    // The seek bar's played part is the accent colour, not the plain white of other sliders.
    QSlider seek(Qt::Horizontal);
    seek.setObjectName(QStringLiteral("videoSlide"));
    seek.setRange(0, 100);
    seek.setValue(100);
    seek.resize(200, 24);
    seek.show();
    const QImage img = seek.grab().toImage();
    bool accent = false;
    for (int x = 0; x < img.width() && !accent; ++x)
        accent = img.pixelColor(x, img.height() / 2).name() == QLatin1String("#01bee8");
    QVERIFY(accent);
    qApp->setStyleSheet(QString());
}

void TestResources::desktopEntry()
{
    const QString dataDir = QStringLiteral(ZEVIDUD_SOURCE_DIR "/data/");
    QFile file(dataDir + QStringLiteral("zevidud-player.desktop"));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QMap<QString, QString> keys;
    QString group;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            group = line;
        else if (group == QLatin1String("[Desktop Entry]") && line.contains(QLatin1Char('=')))
            keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    QCOMPARE(keys.value("Type"), QStringLiteral("Application"));
    QCOMPARE(keys.value("Name"), QStringLiteral("KORVELL ZEVIDUD PLAYER"));
    // %F: a file manager's "Open with" hands over every selected file.
    QCOMPARE(keys.value("Exec"), QStringLiteral("zevidud-player %F"));
    const QStringList types = keys.value("MimeType").split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const char *type : {"video/mp4", "video/quicktime", "video/mp2t",
                             "application/vnd.apple.mpegurl", "application/x-mpegurl", "audio/mp4",
                             "audio/x-m4a"})
        QVERIFY2(types.contains(QLatin1String(type)), type);
    QVERIFY(keys.value("MimeType").endsWith(QLatin1Char(';')));
    // The icon the entry names is the one installed under that name, and it renders.
    const QString icon = keys.value("Icon");
    QSvgRenderer svg(dataDir + icon + QStringLiteral(".svg"));
    QVERIFY(svg.isValid());
    const QImage png(dataDir + icon + QStringLiteral(".png"));
    QCOMPARE(png.size(), QSize(256, 256));
}

QTEST_MAIN(TestResources)
#include "test_resources.moc"
