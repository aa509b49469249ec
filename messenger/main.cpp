#include "frmMessage.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Wayland lets no client stay above the others or read the screen: go through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    // Also the window's WM_CLASS, by which other programs can find it.
    QApplication::setApplicationName(QStringLiteral("murmurine"));
    QApplication::setQuitOnLastWindowClosed(false);

    frmMessage form;
    QObject::connect(&form, &frmMessage::ended, &app, [] { QCoreApplication::exit(0); });
    if (!form.Form_Load())
        return 0;
    return app.exec();
}
