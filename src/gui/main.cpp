#include "gui/app/QtDialogs.h"
#include "gui/app/TFNastr.h"
#include "core/settings/ProgramSettings.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // No display name: the platform would append it to every title bar, and each window's title
    // must be exactly its caption.
    QApplication::setApplicationName(QStringLiteral("vegconf"));

    // Qt's own texts (standard buttons, file dialogs) in Russian.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    veg::ProgramSettings settings(veg::ProgramSettings::defaultPath());
    veg::QtDialogs dialogs;
    veg::TFNastr window(settings, dialogs);
    dialogs.setParent(&window);
    window.show();
    return QApplication::exec();
}
