// murmurine_ini_tool read <file> <section> <key>
// murmurine_ini_tool write <file> <section> <key> <value>
// <file> is a path or the settings store's name, as for ReadIniFile/WriteIniFile.
#include "IniProcedures.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream out(stdout);
    if (args.size() == 4 && args.at(0) == QLatin1String("read")) {
        out << ReadIniFile(args.at(2), args.at(3), args.at(1)) << Qt::endl;
        return 0;
    }
    if (args.size() == 5 && args.at(0) == QLatin1String("write"))
        return WriteIniFile(args.at(2), args.at(3), args.at(4), args.at(1)) ? 0 : 1;
    QTextStream(stderr) << "usage: murmurine_ini_tool read FILE SECTION KEY | write FILE SECTION KEY VALUE\n";
    return 2;
}
