// The picture adjustment panel: what each slider shows and emits, the reset sequence the main
// window relies on, and the icon buttons that must do nothing.
#include "videoadjustwidget.h"

#include <QLabel>
#include <QMetaMethod>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

namespace {

// Records every signal of the panel, in emission order, as "name(value)" or "name".
class SignalLog : public QObject
{
public:
    explicit SignalLog(VideoAdjustWidget *panel)
    {
        connect(panel, &VideoAdjustWidget::setBrightSliderValue, this,
                [this](int v) { entries << QStringLiteral("bright(%1)").arg(v); });
        connect(panel, &VideoAdjustWidget::setSaturationSliderValue, this,
                [this](int v) { entries << QStringLiteral("saturation(%1)").arg(v); });
        connect(panel, &VideoAdjustWidget::setContrastSliderValue, this,
                [this](int v) { entries << QStringLiteral("contrast(%1)").arg(v); });
        const QList<QPair<void (VideoAdjustWidget::*)(), QString>> plain = {
            {&VideoAdjustWidget::setAdAdjustResetOnClick, "reset"},
            {&VideoAdjustWidget::setBrightMin, "brightMin"},
            {&VideoAdjustWidget::setBrightMax, "brightMax"},
            {&VideoAdjustWidget::setSaturationMin, "saturationMin"},
            {&VideoAdjustWidget::setSaturationMax, "saturationMax"},
            {&VideoAdjustWidget::setContrastMin, "contrastMin"},
            {&VideoAdjustWidget::setContrastMax, "contrastMax"}};
        for (const auto &signal : plain) {
            const QString name = signal.second;
            connect(panel, signal.first, this, [this, name] { entries << name; });
        }
    }
    QStringList entries;
};

template<typename T>
T *child(QWidget *root, const QString &name)
{
    T *widget = root->findChild<T *>(name);
    if (!widget)
        qFatal("%s missing", qPrintable(name));
    return widget;
}

} // namespace

class TestVideoAdjustWidget : public QObject
{
    Q_OBJECT

private slots:
    void startsNeutral()
    {
        VideoAdjustWidget panel;
        for (const QString row : {"bright", "saturation", "contrast"}) {
            auto *slider = child<QSlider>(&panel, row + "Slider");
            QCOMPARE(slider->minimum(), -100);
            QCOMPARE(slider->maximum(), 100);
            QCOMPARE(slider->value(), 0);
            QCOMPARE(child<QLabel>(&panel, row + "ValueLabel")->text(), QString("0"));
        }
        QVERIFY(child<QPushButton>(&panel, "adAdjustResetBtn")->text().isEmpty());
        panel.setResetText("Reset");
        QCOMPARE(child<QPushButton>(&panel, "adAdjustResetBtn")->text(), QString("Reset"));
    }

    void sliderShowsAndEmits_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("expected");
        for (const char *row : {"bright", "saturation", "contrast"}) {
            QTest::addRow("%s -37", row) << row << -37 << -37;
            QTest::addRow("%s 100", row) << row << 100 << 100;
            // The range holds: a request beyond it lands on the end.
            QTest::addRow("%s 250", row) << row << 250 << 100;
            QTest::addRow("%s -999", row) << row << -999 << -100;
        }
    }

    void sliderShowsAndEmits()
    {
        QFETCH(QString, row);
        QFETCH(int, requested);
        QFETCH(int, expected);
        VideoAdjustWidget panel;
        SignalLog log(&panel);
        child<QSlider>(&panel, row + "Slider")->setValue(requested);
        QCOMPARE(child<QLabel>(&panel, row + "ValueLabel")->text(), QString::number(expected));
        QCOMPARE(log.entries, QStringList(QStringLiteral("%1(%2)").arg(row).arg(expected)));
    }

    void keyboardMovesSlider()
    {
        VideoAdjustWidget panel;
        SignalLog log(&panel);
        auto *slider = child<QSlider>(&panel, "contrastSlider");
        QTest::keyClick(slider, Qt::Key_Home);
        QTest::keyClick(slider, Qt::Key_Right);
        QCOMPARE(child<QLabel>(&panel, "contrastValueLabel")->text(), QString("-99"));
        QCOMPARE(log.entries, QStringList({"contrast(-100)", "contrast(-99)"}));
    }

    // Moved sliders come back one by one (bright, saturation, contrast) before the reset signal.
    void resetSequence_data()
    {
        QTest::addColumn<QList<int>>("start"); // bright, saturation, contrast
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all at zero") << QList<int>{0, 0, 0} << QStringList({"reset"});
        QTest::newRow("all moved") << QList<int>{-37, 12, 100}
                                   << QStringList({"bright(0)", "saturation(0)", "contrast(0)",
                                                   "reset"});
        QTest::newRow("contrast only") << QList<int>{0, 0, -5}
                                       << QStringList({"contrast(0)", "reset"});
    }

    void resetSequence()
    {
        QFETCH(QList<int>, start);
        QFETCH(QStringList, expected);
        VideoAdjustWidget panel;
        const QStringList rows = {"bright", "saturation", "contrast"};
        for (int i = 0; i < rows.size(); ++i)
            child<QSlider>(&panel, rows[i] + "Slider")->setValue(start[i]);
        SignalLog log(&panel);
        QTest::mouseClick(child<QPushButton>(&panel, "adAdjustResetBtn"), Qt::LeftButton);
        QCOMPARE(log.entries, expected);
        for (const QString &row : rows) {
            QCOMPARE(child<QSlider>(&panel, row + "Slider")->value(), 0);
            QCOMPARE(child<QLabel>(&panel, row + "ValueLabel")->text(), QString("0"));
        }
    }

    void iconButtonsDoNothing()
    {
        VideoAdjustWidget panel;
        SignalLog log(&panel);
        for (const QString name : {"brightMinBtn", "saturationMinBtn", "contrastMinBtn"})
            QTest::mouseClick(child<QToolButton>(&panel, name), Qt::LeftButton);
        QVERIFY(log.entries.isEmpty());
        QCOMPARE(child<QSlider>(&panel, "brightSlider")->value(), 0);
    }

    void minMaxSlotsEmitTheirSignal()
    {
        VideoAdjustWidget panel;
        SignalLog log(&panel);
        const QStringList slotNames = {"brightMinOnClick", "brightMaxOnClick",
                                       "saturationMinOnClick", "saturationMaxOnClick",
                                       "contrastMinOnClick", "contrastMaxOnClick"};
        for (const QString &slot : slotNames)
            QVERIFY2(QMetaObject::invokeMethod(&panel, slot.toLatin1().constData()),
                     qPrintable(slot));
        QCOMPARE(log.entries, QStringList({"brightMin", "brightMax", "saturationMin",
                                           "saturationMax", "contrastMin", "contrastMax"}));
    }
};

QTEST_MAIN(TestVideoAdjustWidget)
#include "test_videoadjustwidget.moc"
