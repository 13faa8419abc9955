// The help dialog: its texts, its lifetime, its frameless window that can still be dragged, and
// the help button that hands the local help page to the desktop.
#include "helpwindowdialog.h"

#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

namespace {

// Stands in for the desktop's browser through Qt's own URL handler registry.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

QString readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

class TestHelpWindowDialog : public QObject
{
    Q_OBJECT

private slots:
    void showsProductAndVersion()
    {
        QPointer<HelpWindowDialog> dialog = new HelpWindowDialog;
        dialog->setTitleText("Help");
        QCOMPARE(dialog->findChild<QLabel *>("titleLabel")->text(), QString("Help"));
        // The version of the build, as `zevidud-player --version` prints it.
        QCOMPARE(dialog->findChild<QLabel *>("versionValueLabel")->text(),
                 QString(ZEVIDUD_VERSION));
        QCOMPARE(dialog->findChild<QLabel *>("nameLabel")->text(),
                 QString("KORVELL ZEVIDUD PLAYER"));
        QVERIFY(!dialog->findChild<QLabel *>("noticeLabel")->text().isEmpty());
        QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
        delete dialog;
    }

    // The keys given by the window are listed row for row, readable on the black body.
    void listsTheKeysGiven()
    {
        HelpWindowDialog dialog;
        auto *table = dialog.findChild<QTableWidget *>("keysTable");
        QVERIFY(table);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!table->isVisible()); // nothing to list yet

        QList<QPair<QString, QString>> keys;
        for (int i = 0; i < 25; ++i)
            keys.append({QStringLiteral("Key %1").arg(i), QStringLiteral("Does thing %1").arg(i)});
        dialog.setKeys(keys);
        QTRY_VERIFY(table->isVisible());
        QCOMPARE(table->rowCount(), keys.size());
        for (int row = 0; row < keys.size(); ++row) {
            QCOMPARE(table->item(row, 0)->text(), keys.at(row).first);
            QCOMPARE(table->item(row, 1)->text(), keys.at(row).second);
        }
        const QImage shot = table->viewport()->grab().toImage();
        int light = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                light += QColor(shot.pixel(x, y)).lightness() > 160 ? 1 : 0;
        QVERIFY(light > 0);
        QVERIFY(QColor(shot.pixel(shot.width() - 2, shot.height() - 2)).lightness() < 60);
    }

    // Where no browser takes the page, the "?" button still answers: it says where the page is.
    void helpButtonWithoutBrowserSaysWhereThePageIs()
    {
        struct NoBrowser : HelpWindowDialog
        {
            QList<QUrl> asked;
            bool openPage(const QUrl &page) override
            {
                asked << page;
                return false;
            }
        } dialog;
        auto *note = dialog.findChild<QLabel *>("pageNoteLabel");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!note->isVisible());
        QTest::mouseClick(dialog.findChild<QToolButton *>("helpBtn"), Qt::LeftButton);
        QCOMPARE(dialog.asked, QList<QUrl>{HelpWindowDialog::helpPageUrl()});
        QTRY_VERIFY(note->isVisible());
        QVERIFY2(note->text().contains(HelpWindowDialog::helpPageUrl().toLocalFile()),
                 qPrintable(note->text()));
    }

    // With a parent, the frameless dialog must stay a window of its own, not a child drawn inside.
    void parentedDialogIsAWindow()
    {
        QWidget owner;
        owner.resize(800, 600);
        owner.show();
        auto *dialog = new HelpWindowDialog(&owner);
        QVERIFY(dialog->isWindow());
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        dialog->close();
    }

    void closingDeletes_data()
    {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("cancel button") << true;
        QTest::newRow("any other close") << false;
    }

    void closingDeletes()
    {
        QFETCH(bool, byButton);
        QPointer<HelpWindowDialog> dialog = new HelpWindowDialog;
        dialog->setModal(true);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        if (byButton)
            QTest::mouseClick(dialog->findChild<QToolButton *>("cancelBtn"), Qt::LeftButton);
        else
            dialog->close();
        QVERIFY(dialog.isNull() || !dialog->isVisible());
        QTRY_VERIFY(dialog.isNull());

        // Opening again builds a fresh dialog.
        QPointer<HelpWindowDialog> again = new HelpWindowDialog;
        QCOMPARE(again->findChild<QLabel *>("versionValueLabel")->text(), QString(ZEVIDUD_VERSION));
        delete again;
    }

    void helpButtonOpensLocalPage()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("file", &catcher, "open");
        QDesktopServices::setUrlHandler("http", &catcher, "open");
        QDesktopServices::setUrlHandler("https", &catcher, "open");
        auto *dialog = new HelpWindowDialog;
        QTest::mouseClick(dialog->findChild<QToolButton *>("helpBtn"), Qt::LeftButton);
        delete dialog;
        QDesktopServices::unsetUrlHandler("file");
        QDesktopServices::unsetUrlHandler("http");
        QDesktopServices::unsetUrlHandler("https");

        QCOMPARE(catcher.opened.size(), 1);
        const QUrl page = catcher.opened.first();
        QVERIFY2(page.isLocalFile(), qPrintable(page.toString()));
        QCOMPARE(page, HelpWindowDialog::helpPageUrl());

        // The page found is the current one, not a stale copy, and carries its style sheet along.
        const QString html = readAll(page.toLocalFile());
        QCOMPARE(html, readAll(ZEVIDUD_SOURCE_DIR "/src/resources/help/index.html"));
        QVERIFY(QFile::exists(QFileInfo(page.toLocalFile()).dir().filePath("help.css")));
        for (const char *section : {"id=\"keyboard\"", "id=\"cameras\"", "id=\"playback\""})
            QVERIFY2(html.contains(section), section);
        // Only our own page: no address elsewhere.
        QVERIFY(!html.contains("http:", Qt::CaseInsensitive));
        QVERIFY(!html.contains("https:", Qt::CaseInsensitive));
        QVERIFY(!html.contains("www.", Qt::CaseInsensitive));
    }

    void topBarDragsTheWindow()
    {
        HelpWindowDialog dialog;
        dialog.move(100, 100);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint start = dialog.pos();
        auto *bar = dialog.findChild<QWidget *>("topWidget");
        QVERIFY(bar);
        const QPoint local(5, 5);
        const QPoint global = bar->mapToGlobal(local);
        const QPoint step(40, 25);

        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(bar, &press);
        QMouseEvent move(QEvent::MouseMove, local + step, global + step, Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, local + step, global + step,
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &release);
        QCOMPARE(dialog.pos(), start + step);

        // After the release, moving the mouse no longer drags.
        QMouseEvent stray(QEvent::MouseMove, local, global, Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(bar, &stray);
        QCOMPARE(dialog.pos(), start + step);
    }
};

QTEST_MAIN(TestHelpWindowDialog)
#include "test_helpwindowdialog.moc"
