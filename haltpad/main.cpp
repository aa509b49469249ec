#include "Form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("haltpad"));
    // The tray icon is no window: closing a menu must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    Form1 form(QCoreApplication::applicationDirPath());
    QObject::connect(&form, &Form1::quitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (!form.Form_Load())
        return 0;
    return app.exec();
}
