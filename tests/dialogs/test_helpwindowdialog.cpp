// The help dialog: its texts, its lifetime, its frameless window that can still be dragged, and
// the help button that hands the local help page to the desktop.
#include "helpwindowdialog.h"

#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
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
        QCOMPARE(dialog->findChild<QLabel *>("versionValueLabel")->text(), QString("3.6.6"));
        QCOMPARE(dialog->findChild<QLabel *>("nameLabel")->text(),
                 QString("KORVELL ZEVIDUD PLAYER"));
        QVERIFY(!dialog->findChild<QLabel *>("noticeLabel")->text().isEmpty());
        QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(dialog->maximumWidth() <= 550 && dialog->maximumHeight() <= 350);
        delete dialog;
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
        QCOMPARE(again->findChild<QLabel *>("versionValueLabel")->text(), QString("3.6.6"));
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
