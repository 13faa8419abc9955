// Build-time helper: writes QtWebChannel's client script to a file. The script exists only as a
// resource inside libQt5WebChannel (":/qtwebchannel/qwebchannel.js"), so the map page's copy is
// taken from there at build time instead of being kept in the repository.
#include <QCoreApplication>
#include <QFile>
#include <QWebChannel>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
        return 2;
    }
    // Using the library keeps the linker from dropping it, and with it the resource.
    QWebChannel channel;
    Q_UNUSED(channel);

    QFile in(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "qwebchannel.js is missing from QtWebChannel's resources\n");
        return 1;
    }
    const QByteArray script = in.readAll();
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (script.isEmpty() || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || out.write(script) != script.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
