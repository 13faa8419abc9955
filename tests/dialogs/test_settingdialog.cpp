// The settings dialog against a real settings file in the test's own XDG_CONFIG_HOME: what it
// shows for stored values, what each click writes, the language step and the folder chooser.
#include "drivesettings.h"
#include "drivesettingswidget.h"
#include "settingdialog.h"
#include "settingsstore.h"
#include "translationloader.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

const char *const kRadioNames[] = {
    "languageRadio1Btn", "languageRadio2Btn", "languageRadio3Btn", "languageRadio4Btn",
    "speedUnitRadio1Btn", "speedUnitRadio2Btn", "mapRadio1Btn", "mapRadio2Btn",
    "hardRadioButton", "softRadioButton", "playModeRadio1Btn", "playModeRadio2Btn",
    "playModeRadio3Btn"};

// Tile choosers answered by the test.
class ScriptedDriveSettings : public DriveSettingsWidget
{
public:
    QString folder, file;

protected:
    QString chooseTileFolder(const QString &) override { return folder; }
    QString chooseTileFile(const QString &) override { return file; }
};

void clearStore()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                       SettingsStore::organization, SettingsStore::application);
    settings.clear();
}

QRadioButton *radio(QWidget *dialog, const char *name)
{
    auto *button = dialog->findChild<QRadioButton *>(QString::fromLatin1(name));
    if (!button)
        qFatal("radio button %s missing", name);
    return button;
}

// Names of the checked buttons, in table order: one assertion shows the whole dialog state.
QStringList checkedNames(QWidget *dialog)
{
    QStringList names;
    for (const char *name : kRadioNames) {
        if (radio(dialog, name)->isChecked())
            names << QString::fromLatin1(name);
    }
    return names;
}

// Answers the folder chooser from the test instead of a person.
class ScriptedDialog : public SettingDialog
{
public:
    QString answer;
    QStringList askedStartFolders;

protected:
    QString chooseCaptureFolder(const QString &startFolder) override
    {
        askedStartFolders << startFolder;
        return answer;
    }
};

} // namespace

class TestSettingDialog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        clearStore();
        // Language clicks install a translation process-wide; start each case in English.
        TranslationLoader().loadLanguage();
    }

    void firstStartShowsDefaults()
    {
        SettingsStore().initDefaults();
        SettingDialog dialog;
        QCOMPARE(checkedNames(&dialog),
                 QStringList({"languageRadio1Btn", "speedUnitRadio1Btn", "mapRadio2Btn",
                              "hardRadioButton", "playModeRadio1Btn"}));
        QCOMPARE(dialog.findChild<QLabel *>("captureLabel")->text(),
                 QDir::homePath() + QStringLiteral("/Pictures/"));
    }

    void storedValuesShown_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("map");
        QTest::addColumn<QString>("playMode");
        QTest::addColumn<QString>("playDecode");
        QTest::addColumn<QStringList>("checked");

        // An absent or unreadable value counts as 0.
        QTest::newRow("nothing stored")
            << QString() << QString() << QString() << QString() << QString()
            << QStringList({"languageRadio1Btn", "speedUnitRadio1Btn", "mapRadio1Btn",
                            "hardRadioButton", "playModeRadio1Btn"});
        QTest::newRow("japanese mph dual soft")
            << "1" << "1" << "1" << "1" << "1"
            << QStringList({"languageRadio2Btn", "speedUnitRadio2Btn", "mapRadio2Btn",
                            "softRadioButton", "playModeRadio2Btn"});
        QTest::newRow("deutsch three channels")
            << "2" << "0" << "0" << "2" << "0"
            << QStringList({"languageRadio3Btn", "speedUnitRadio1Btn", "mapRadio1Btn",
                            "hardRadioButton", "playModeRadio3Btn"});
        // Russian checks its hidden button, so no visible language button is checked.
        QTest::newRow("russian") << "3" << "0" << "0" << "0" << "0"
                                 << QStringList({"languageRadio4Btn", "speedUnitRadio1Btn",
                                                 "mapRadio1Btn", "hardRadioButton",
                                                 "playModeRadio1Btn"});
        // Out-of-range values check nothing in their group; any non-zero flag counts as set.
        QTest::newRow("out of range") << "7" << "5" << "-2" << "3" << "9"
                                      << QStringList({"speedUnitRadio2Btn", "mapRadio2Btn",
                                                      "softRadioButton"});
        QTest::newRow("negative choice") << "-1" << "0" << "0" << "-1" << "0"
                                         << QStringList({"speedUnitRadio1Btn", "mapRadio1Btn",
                                                         "hardRadioButton"});
        QTest::newRow("not a number") << "en" << "fast" << "x" << "two" << "?"
                                      << QStringList({"languageRadio1Btn", "speedUnitRadio1Btn",
                                                      "mapRadio1Btn", "hardRadioButton",
                                                      "playModeRadio1Btn"});
    }

    void storedValuesShown()
    {
        QFETCH(QString, language);
        QFETCH(QString, speed);
        QFETCH(QString, map);
        QFETCH(QString, playMode);
        QFETCH(QString, playDecode);
        QFETCH(QStringList, checked);
        const SettingsStore store;
        const QList<QPair<const char *, QString>> values = {{"language", language},
                                                            {"speed", speed},
                                                            {"map", map},
                                                            {"playMode", playMode},
                                                            {"playDecode", playDecode}};
        for (const auto &value : values) {
            if (!value.second.isNull())
                store.writeValue(QString::fromLatin1(value.first), value.second);
        }
        store.writeValue("capturePath", "/srv/captures");

        SettingDialog dialog;
        QCOMPARE(checkedNames(&dialog), checked);
        QCOMPARE(dialog.findChild<QLabel *>("captureLabel")->text(), QString("/srv/captures"));
        QCOMPARE(dialog.findChild<QLabel *>("captureLabel")->textFormat(), Qt::PlainText);
    }

    void hiddenAndShownParts()
    {
        SettingDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (const char *hidden : {"titleWidget", "noteLabel", "languageRadio4Btn", "widget_6",
                                   "widget_2"})
            QVERIFY2(!dialog.findChild<QWidget *>(hidden)->isVisible(), hidden);
        for (const char *shown : {"widget_language", "languageRadio1Btn", "languageRadio2Btn",
                                  "languageRadio3Btn", "widget_4", "widget", "playModeNoteLabel",
                                  "widget_8", "captureLabel", "captureBtn"})
            QVERIFY2(dialog.findChild<QWidget *>(shown)->isVisible(), shown);
        QCOMPARE(dialog.minimumWidth(), 1000);
        QVERIFY(dialog.width() >= 1000);
        const Qt::WindowFlags flags = dialog.windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    }

    // Each group is exclusive by itself: a click in one group leaves the others alone.
    void clickWritesItsValue_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("english") << "languageRadio1Btn" << "language" << "0";
        QTest::newRow("japanese") << "languageRadio2Btn" << "language" << "1";
        QTest::newRow("deutsch") << "languageRadio3Btn" << "language" << "2";
        QTest::newRow("russian") << "languageRadio4Btn" << "language" << "3";
        QTest::newRow("kmh") << "speedUnitRadio1Btn" << "speed" << "0";
        QTest::newRow("mph") << "speedUnitRadio2Btn" << "speed" << "1";
        QTest::newRow("osm") << "mapRadio1Btn" << "map" << "0";
        QTest::newRow("google") << "mapRadio2Btn" << "map" << "1";
        QTest::newRow("hard") << "hardRadioButton" << "playDecode" << "0";
        QTest::newRow("soft") << "softRadioButton" << "playDecode" << "1";
        QTest::newRow("single") << "playModeRadio1Btn" << "playMode" << "0";
        QTest::newRow("dual") << "playModeRadio2Btn" << "playMode" << "1";
        QTest::newRow("three") << "playModeRadio3Btn" << "playMode" << "2";
    }

    void clickWritesItsValue()
    {
        QFETCH(QString, button);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const SettingsStore store;
        // Start every key away from the value under test so a missing write shows.
        const QStringList keys = {"language", "speed", "map", "playDecode", "playMode"};
        for (const QString &k : keys)
            store.writeValue(k, k == key ? QStringLiteral("9") : QStringLiteral("5"));

        SettingDialog dialog;
        QSignalSpy languageChanged(&dialog, &SettingDialog::updateTREvent);
        radio(&dialog, button.toLatin1().constData())->click();

        for (const QString &k : keys)
            QCOMPARE(store.readValue(k), k == key ? value : QStringLiteral("5"));
        QVERIFY(radio(&dialog, button.toLatin1().constData())->isChecked());
        QCOMPARE(languageChanged.count(), key == QLatin1String("language") ? 1 : 0);
    }

    void languageClickRepeatsAndRereadsStore()
    {
        const SettingsStore store;
        store.initDefaults();
        SettingDialog dialog;
        QSignalSpy languageChanged(&dialog, &SettingDialog::updateTREvent);

        // Values changed behind the dialog's back are shown after the language step.
        store.writeValue("speed", "1");
        store.writeValue("capturePath", "/elsewhere");
        store.writeValue("playMode", "7");
        radio(&dialog, "languageRadio2Btn")->click();
        QCOMPARE(languageChanged.count(), 1);
        QCOMPARE(store.readValue("language"), QString("1"));
        QVERIFY(radio(&dialog, "speedUnitRadio2Btn")->isChecked());
        QCOMPARE(dialog.findChild<QLabel *>("captureLabel")->text(), QString("/elsewhere"));
        // A value that went out of range clears its group, although a button was checked.
        QVERIFY(!radio(&dialog, "playModeRadio1Btn")->isChecked());
        QVERIFY(!radio(&dialog, "playModeRadio2Btn")->isChecked());
        QVERIFY(!radio(&dialog, "playModeRadio3Btn")->isChecked());

        // The checked button clicked again repeats the whole step.
        radio(&dialog, "languageRadio2Btn")->click();
        QCOMPARE(languageChanged.count(), 2);
        QCOMPARE(store.readValue("language"), QString("1"));

        // A speed click is only stored.
        radio(&dialog, "speedUnitRadio1Btn")->click();
        QCOMPARE(languageChanged.count(), 2);
        QCOMPARE(store.readValue("speed"), QString("0"));
    }

    void chooserCancelAndChoose()
    {
        const SettingsStore store;
        store.writeValue("capturePath", "/start/here/");
        QTemporaryDir chosen;
        QVERIFY(chosen.isValid());

        ScriptedDialog dialog;
        auto *label = dialog.findChild<QLabel *>("captureLabel");
        auto *button = dialog.findChild<QToolButton *>("captureBtn");

        dialog.answer.clear(); // cancelled
        button->click();
        QCOMPARE(dialog.askedStartFolders, QStringList({"/start/here/"}));
        QCOMPARE(label->text(), QString("/start/here/"));
        QCOMPARE(store.readValue("capturePath"), QString("/start/here/"));

        dialog.answer = chosen.path();
        button->click();
        QCOMPARE(label->text(), chosen.path());
        QCOMPARE(store.readValue("capturePath"), chosen.path());

        // The next chooser starts where the last choice was stored.
        dialog.answer.clear();
        button->click();
        QCOMPARE(dialog.askedStartFolders.last(), chosen.path());
    }

    // The drive settings sit in the dialog and store each change at once; the tile source is
    // a folder, a file or nothing (online), whichever was chosen last.
    void driveSettingsStoreEachChange()
    {
        SettingDialog dialog;
        QVERIFY(dialog.findChild<DriveSettingsWidget *>());
        QSignalSpy changed(&dialog, &SettingDialog::drivePreferencesChanged);

        ScriptedDriveSettings w;
        QSignalSpy own(&w, &DriveSettingsWidget::changed);
        const SettingsStore store;
        QVERIFY(w.continueBox()->isChecked());
        w.continueBox()->click();
        QVERIFY(!DriveSettings::continueWithNextClip(store));
        w.thresholdBox()->setValue(0.8);
        QCOMPARE(DriveSettings::eventThresholdG(store), 0.8);
        w.thresholdBox()->setValue(99); // the box keeps to the range the readers accept
        QCOMPARE(DriveSettings::eventThresholdG(store), DriveSettings::maxEventThresholdG);

        const auto buttons = w.findChildren<QToolButton *>();
        QCOMPARE(buttons.size(), 3); // folder, file, online
        w.folder = "/tiles/berlin";
        buttons.at(0)->click();
        QCOMPARE(DriveSettings::tileSource(store), QString("/tiles/berlin"));
        w.file.clear(); // cancelled: nothing changes
        buttons.at(1)->click();
        QCOMPARE(w.tileSourceLabel()->text(), QString("/tiles/berlin"));
        w.file = "/maps/<b>city</b>.mbtiles";
        buttons.at(1)->click();
        QCOMPARE(w.tileSourceLabel()->text(), w.file);
        QCOMPARE(w.tileSourceLabel()->textFormat(), Qt::PlainText);
        buttons.at(2)->click();
        QVERIFY(DriveSettings::tileSource(store).isEmpty());
        QCOMPARE(own.size(), 6);

        // A fresh dialog shows what is stored.
        ScriptedDriveSettings again;
        QVERIFY(!again.continueBox()->isChecked());
        QCOMPARE(again.thresholdBox()->value(), DriveSettings::maxEventThresholdG);
        QCOMPARE(changed.size(), 0); // another widget's changes are not this dialog's
    }

    // The threshold is read on the dialog's black ground, with its unit.
    void thresholdBoxIsReadable()
    {
        SettingDialog dialog;
        auto *box = dialog.findChild<QDoubleSpinBox *>("eventThresholdBox");
        QVERIFY(box);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *edit = box->findChild<QLineEdit *>();
        QVERIFY(edit);
        QVERIFY2(edit->text().endsWith(QStringLiteral(" g")), qPrintable(edit->text()));
        const QImage shot = edit->grab().toImage();
        int light = 0;
        int dark = 0;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const int lightness = QColor(shot.pixel(x, y)).lightness();
                light += lightness > 180 ? 1 : 0;
                dark += lightness < 80 ? 1 : 0;
            }
        }
        // Light text on a dark field.
        QVERIFY2(light > 20 && dark > light, qPrintable(QStringLiteral("%1 %2").arg(light).arg(dark)));
    }

    // The default chooser is the real folder dialog; it is answered here by the test driving it.
    void realFolderDialog_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("cancel") << false;
        QTest::newRow("choose") << true;
    }

    void realFolderDialog()
    {
        QFETCH(bool, accept);
        QTemporaryDir start;
        QTemporaryDir chosen;
        QVERIFY(start.isValid() && chosen.isValid());
        const SettingsStore store;
        store.writeValue("capturePath", start.path());

        SettingDialog dialog;
        QString seenTitle;
        QString seenFolder;
        bool seenFoldersOnly = false;
        int ticks = 0;
        QTimer driver;
        connect(&driver, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                box->reject(); // an unexpected complaint must not hang the test
                return;
            }
            auto *chooser = qobject_cast<QFileDialog *>(modal);
            if (!chooser)
                return;
            if (seenTitle.isNull()) {
                seenTitle = chooser->windowTitle();
                seenFolder = chooser->directory().absolutePath();
                seenFoldersOnly = chooser->testOption(QFileDialog::ShowDirsOnly);
            }
            if (accept && ++ticks < 50) {
                chooser->setDirectory(chosen.path());
                static_cast<QDialog *>(chooser)->accept();
            } else {
                chooser->reject();
            }
        });
        driver.start(50);
        dialog.findChild<QToolButton *>("captureBtn")->click();
        driver.stop();

        QCOMPARE(seenTitle, QString("Open file"));
        QCOMPARE(QFileInfo(seenFolder).canonicalFilePath(), QFileInfo(start.path()).canonicalFilePath());
        QVERIFY(seenFoldersOnly);
        const QString expected = accept ? chosen.path() : start.path();
        const QString stored = store.readValue("capturePath");
        QCOMPARE(QFileInfo(stored).canonicalFilePath(), QFileInfo(expected).canonicalFilePath());
        QCOMPARE(dialog.findChild<QLabel *>("captureLabel")->text(), stored);
        QVERIFY(!stored.endsWith('/'));
    }

    void closingDisposesOfTheDialog()
    {
        QPointer<SettingDialog> byCancel = new SettingDialog;
        byCancel->show();
        byCancel->findChild<QToolButton *>("cancelBtn")->click();
        QVERIFY(byCancel && !byCancel->isVisible());
        QTRY_VERIFY(byCancel.isNull());

        // The native title bar's close button.
        QPointer<SettingDialog> byClose = new SettingDialog;
        byClose->show();
        QVERIFY(byClose->close());
        QTRY_VERIFY(byClose.isNull());
    }
};

QTEST_MAIN(TestSettingDialog)
#include "test_settingdialog.moc"
