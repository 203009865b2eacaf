#include "vordanel_window.h"

#include "vordanel/version.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VORDANEL"));
    QApplication::setApplicationVersion(QStringLiteral(VORDANEL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.vordanel.Vordanel"));

    VordanelWindow window;
    window.Form_Load();
    window.show();
    return app.exec();
}
