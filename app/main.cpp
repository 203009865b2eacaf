#include "vordanel_window.h"

#include "vordanel/version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// --help and --version are answered before any window exists, so they work without a display.
void answerOptions(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vordanel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VORDANEL_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("VORDANEL: the overflow head of a circular weir by the Staus formula, in a window.\n"
                       "For scripts and tables, see vordanel-cli."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Options of Qt's own (-platform, -style) are left to QApplication.
    if (!parser.parse(QCoreApplication::arguments())) return;
    if (parser.isSet(help)) parser.showHelp(0);
    if (parser.isSet(version)) parser.showVersion();
}

// Qt aborts when it finds no display to open a window on; say so in one line instead.
bool displayAvailable()
{
    const auto set = [](const char* name) { return std::getenv(name) && *std::getenv(name); };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char* argv[])
{
    answerOptions(argc, argv);
    if (!displayAvailable()) {
        std::fprintf(stderr, "vordanel: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VORDANEL"));
    QApplication::setApplicationVersion(QStringLiteral(VORDANEL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.vordanel.Vordanel"));

    VordanelWindow window;
    window.Form_Load();
    window.show();
    return app.exec();
}
