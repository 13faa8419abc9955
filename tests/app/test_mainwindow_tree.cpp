#include "mainwindow.h"
#include "mpvwidget.h"
#include "settingsstore.h"
#include "guitestmain.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QtTest>

// The main window's widget tree: names, classes, icons, styles, ranges and start values.
class TestMainWindowTree : public QObject
{
    Q_OBJECT
    MainWindow *window = nullptr;

    template<typename T = QWidget>
    T *find(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }

private slots:
    void initTestCase()
    {
        window = new MainWindow;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    void cleanupTestCase() { delete window; }

    void widgetClasses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        const QList<QPair<const char *, const char *>> rows = {
            {"centralWidget", "QWidget"}, {"liveMain1Widget", "QWidget"},
            {"stackedWidget", "QStackedWidget"}, {"videoSlide", "Slider"},
            {"volumeSlider", "QSlider"}, {"zoomSlider", "QSlider"},
            {"speedSpinBox", "SpeedSpinBox"}, {"customPlot", "QCustomPlot"},
            {"mapWidget", "WebMapWidget"}, {"listWidget", "ProjectListWidget"},
            {"splitter", "QSplitter"}, {"menuBar", "QMenuBar"},
            {"currentTimeLabel", "QLabel"}, {"speedLabel", "QLabel"}, {"rightWidget", "QWidget"},
            {"controlMenuWidget", "QWidget"}, {"widget_4", "QWidget"}, {"widget_26", "QWidget"},
        };
        for (const auto &row : rows)
            QTest::newRow(row.first) << row.first << row.second;
    }
    void widgetClasses()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QWidget *w = window->findChild<QWidget *>(name);
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    }

    void buttons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("iconSize");
        QTest::addColumn<bool>("visible");
        const QList<std::tuple<const char *, int, bool>> rows = {
            {"volumeMinBtn", 24, true}, {"captureBtn", 24, true}, {"icon_play_mode", 24, false},
            {"menuVideoBtn", 24, true}, {"lastFileBtn", 24, true}, {"playLastFrmBtn", 24, true},
            {"playBtn", 24, true}, {"resetPlayBtn", 24, true}, {"playNextFrmBtn", 24, true},
            {"nextFileBtn", 24, true}, {"videoSwitchBtn", 24, true}, {"zoomMinBtn", 24, true},
            {"zoomMaxBtn", 24, true}, {"fullScreenBtn", 24, true}, {"setBtn", 30, true},
            {"videoInfoBtn", 30, true}, {"helpBtn", 30, true}, {"addVideoBtn", 24, true},
            {"removeVideoBtn", 24, true}, {"toolButton_4", 24, false}, {"toolButton", 24, false},
            {"sortVideoBtn", 24, true},
        };
        for (const auto &[name, size, visible] : rows)
            QTest::newRow(name) << QString::fromLatin1(name) << size << visible;
    }
    void buttons()
    {
        QFETCH(QString, name);
        QFETCH(int, iconSize);
        QFETCH(bool, visible);
        auto *button = window->findChild<QToolButton *>(name);
        QVERIFY2(button, qPrintable(name));
        QCOMPARE(button->iconSize(), QSize(iconSize, iconSize));
        QVERIFY2(!button->icon().isNull(), qPrintable(name + " has no icon"));
        QVERIFY(!button->icon().pixmap(iconSize, iconSize).isNull());
        QCOMPARE(button->isVisible(), visible);
    }

    void styleSheets_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sheet");
        const QString plain = "background-color:#00000000;font-size:14px;color:#ffffff;";
        QTest::newRow("map") << "mapWidget" << "background-color:#000000;font-size:14px;color:#ffffff;";
        for (const char *n : {"currentTimeLabel", "totalTimeLabel", "volumeValueLabel", "zoomValue"})
            QTest::newRow(n) << n << plain;
        QTest::newRow("temp") << "tempLabel" << "background-color:#00000000;font-size:12px;color:#ce0000;";
        QTest::newRow("x") << "xCoordLabel" << "background-color:#00000000;font-size:12px;color:#ffffff;";
        QTest::newRow("y") << "yCoordLabel" << "background-color:#00000000;font-size:12px;color:#01bee8;";
        QTest::newRow("z") << "zCoordLabel" << "background-color:#00000000;font-size:12px;color:#FFCF47;";
        QTest::newRow("speed") << "speedLabel" << "background-color:#00000000;font-size:12px;color:#EF5362;";
    }
    void styleSheets()
    {
        QFETCH(QString, name);
        QFETCH(QString, sheet);
        QWidget *w = window->findChild<QWidget *>(name);
        QVERIFY(w);
        QCOMPARE(w->styleSheet(), sheet);
    }

    void startTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("current") << "currentTimeLabel" << "00:00";
        QTest::newRow("total") << "totalTimeLabel" << "00:00";
        QTest::newRow("volume") << "volumeValueLabel" << "40";
        QTest::newRow("zoom") << "zoomValue" << "1X";
        QTest::newRow("x") << "xCoordLabel" << "X:0";
        QTest::newRow("y") << "yCoordLabel" << "Y:0";
        QTest::newRow("z") << "zCoordLabel" << "Z:0";
        QTest::newRow("speed") << "speedLabel" << "0KM/H";
        QTest::newRow("temp") << "tempLabel" << "CPU Temperature:0";
    }
    void startTexts()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        auto *label = window->findChild<QLabel *>(name);
        QVERIFY(label);
        QCOMPARE(label->text(), text);
    }

    void windowAndControls()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("KORVELL ZEVIDUD PLAYER"));
        QCOMPARE(window->minimumSize(), QSize(1200, 700));
        window->resize(900, 600);
        QVERIFY(window->width() >= 1200 && window->height() >= 700);

        auto *stack = find<QStackedWidget>("stackedWidget");
        QCOMPARE(stack->count(), 6);
        QCOMPARE(QString::fromLatin1(stack->currentWidget()->metaObject()->className()),
                 QStringLiteral("Live1Form"));
        QCOMPARE(QString::fromLatin1(stack->widget(4)->metaObject()->className()),
                 QStringLiteral("Live2Form"));
        QCOMPARE(QString::fromLatin1(stack->widget(5)->metaObject()->className()),
                 QStringLiteral("Live3Form"));

        auto *zoom = find<QSlider>("zoomSlider");
        QCOMPARE(zoom->minimum(), 0);
        QCOMPARE(zoom->maximum(), 4);
        auto *volume = find<QSlider>("volumeSlider");
        QCOMPARE(volume->maximum(), 100);
        QCOMPARE(volume->value(), 40);
        auto *speed = find<QSpinBox>("speedSpinBox");
        QCOMPARE(speed->minimum(), -4);
        QCOMPARE(speed->maximum(), 4);
        QCOMPARE(speed->singleStep(), 2);
        QCOMPARE(speed->value(), 0);
        // Each step shows the speed it plays at.
        QCOMPARE(speed->text(), QStringLiteral("1x"));
        const QStringList texts{"1/16x", "1/12x", "1/8x", "1/2x", "1x", "1x", "8x", "12x", "16x"};
        for (int step = -4; step <= 4; ++step) {
            speed->setValue(step);
            QCOMPARE(speed->text(), texts.at(step + 4));
        }
        speed->setValue(0);
        QVERIFY(find<QToolButton>("menuVideoBtn")->menu());
        QCOMPARE(find<QToolButton>("menuVideoBtn")->popupMode(), QToolButton::InstantPopup);
        QVERIFY(find<QLabel>("tempLabel")->isHidden());
        QCOMPARE(find<QToolButton>("setBtn")->text(), QStringLiteral("Settings"));
    }

    void layoutStretches()
    {
        auto stretchOf = [this](const char *widget) {
            auto *box = qobject_cast<QBoxLayout *>(find(widget)->layout());
            QList<int> s;
            for (int i = 0; i < box->count(); ++i)
                s << box->stretch(i);
            return s;
        };
        QCOMPARE(stretchOf("centralWidget"), (QList<int>{7, 3}));
        QCOMPARE(stretchOf("widget"), (QList<int>{7, 3}));
        QCOMPARE(stretchOf("widget_19"), (QList<int>{9, 1}));
        QCOMPARE(stretchOf("widget_21"), (QList<int>{2, 6, 2}));
        QCOMPARE(find("widget_3")->layout()->spacing(), 5);
        QCOMPARE(find("widget_3")->layout()->contentsMargins(), QMargins(8, 0, 8, 0));
        QCOMPARE(find("widget_5")->layout()->contentsMargins(), QMargins(5, 5, 5, 5));
    }

    void onlyTheChannelsHavePlayerCores()
    {
        // One, two and three channels in the three forms; the container of the video area
        // starts no core of its own.
        QCOMPARE(window->findChildren<MpvWidget *>().size(), 6);
    }
    void firstStartWroteTheDefaults()
    {
        SettingsStore store;
        QCOMPARE(store.readValue("language"), QStringLiteral("0"));
        QCOMPARE(store.readValue("map"), QStringLiteral("1"));
        QCOMPARE(store.readValue("playMode"), QStringLiteral("0"));
    }
};

ZEVIDUD_GUI_TEST_MAIN(TestMainWindowTree)
#include "test_mainwindow_tree.moc"
