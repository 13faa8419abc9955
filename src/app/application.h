#pragma once

#include <QApplication>

// The player's application object. Event dispatch goes to QApplication unchanged; the one
// addition is that an exception escaping an event handler (the video widget throws when it
// cannot create its player or GL context) is reported to the user and ends the program with a
// non-zero status, instead of unwinding through Qt and aborting.
class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

// Shows a fatal start-up error in a message box (when a GUI is possible) and on stderr.
void reportFatalError(const QString &message);
