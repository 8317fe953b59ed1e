// vegdb-build DESCRIPTION.json OUTDIR: writes the controller database described by the JSON file.
#include "dbbuilder/DatabaseBuilder.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 3) {
        err << "usage: vegdb-build DESCRIPTION.json OUTDIR\n";
        return 2;
    }
    const vegdb::BuildResult r = vegdb::buildDatabaseFromFile(args[1], args[2]);
    if (!r.Ok) {
        err << "vegdb-build: " << r.Error << "\n";
        return 1;
    }
    return 0;
}
