#include "MDIForm1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Wayland lets no client place itself above others, which the Messenger
    // needs; both programs go through XWayland unless the user chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qgetenv("XDG_SESSION_TYPE") == "wayland")
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    // Lets the desktop match our windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.murmurine.MurmurineSettings"));
    MDIForm1 frame;
    QObject::connect(&frame, &MDIForm1::programEnded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (!frame.MDIForm_Load())
        return 0;
    return app.exec();
}
