// The floor for zevidud-telemetry as a whole process: a Qt Core program that starts, opens the
// file named on its command line and exits.

#include <QCoreApplication>
#include <QFile>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QFile file(QString::fromLocal8Bit(argv[1]));
    return file.open(QIODevice::ReadOnly) ? 0 : 1;
}
