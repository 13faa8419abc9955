#include "application.h"

#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <exception>

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        reportFatalError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        reportFatalError(QStringLiteral("unknown error"));
    }
    std::exit(EXIT_FAILURE);
}

void reportFatalError(const QString &message)
{
    std::fprintf(stderr, "zevidud-player: fatal error: %s\n", qPrintable(message));
    std::fflush(stderr);
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    // The message may quote a path or a player error: plain text.
    QMessageBox box(QMessageBox::Critical, QStringLiteral("KORVELL ZEVIDUD PLAYER"),
                    QStringLiteral("The player cannot start:\n%1").arg(message));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
