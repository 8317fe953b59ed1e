#include "core/database/DatabasePathForm.h"

#include "core/ui/Dialogs.h"
#include "core/settings/ProgramSettings.h"

#include <QDir>
#include <QFileInfo>

namespace veg {

namespace {

bool isDirectory(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString missing(const QString& path)
{
    return QStringLiteral("Каталог %1 не существует").arg(path);
}

// The library directories under the root: "ALG", "MOD" and "TASK", joined with the separator of
// the system the program runs on.
QString under(const QString& root, const char* name)
{
    QString base = root;
    while (base.size() > 1 && (base.endsWith(u'/') || base.endsWith(u'\\')))
        base.chop(1);
    return base + QDir::separator() + QString::fromLatin1(name);
}

} // namespace

DatabasePathForm::DatabasePathForm(ProgramSettings& settings, Dialogs& dialogs)
    : m_settings(settings), m_dialogs(dialogs)
{
}

QString& DatabasePathForm::edited(int field)
{
    DatabaseDirectories& d = m_settings.editedDatabase;
    switch (field) {
    case Algorithms:
        return d.WayAlg;
    case Modules:
        return d.WayMod;
    case Templates:
        return d.WayTask;
    default:
        return d.Way;
    }
}

void DatabasePathForm::FormActivate()
{
    for (int f = Root; f <= Templates; ++f)
        fields[std::size_t(f)] = edited(f);
    CheckPaths(false, false);
    focus = Root;
    modified = false;
}

int DatabasePathForm::CheckPaths(bool derive, bool show)
{
    message.clear();
    int code = 0;
    if (derive) {
        if (!manual) {
            const QString& root = edited(Root);
            if (root.isEmpty()) {
                code = 1;
            } else if (!isDirectory(root)) {
                code = 2;
            } else {
                const char* names[] = {"ALG", "MOD", "TASK"};
                for (int f = Algorithms; f <= Templates; ++f) {
                    edited(f) = under(root, names[f - 1]);
                    fields[std::size_t(f)] = edited(f);
                }
            }
        }
        if (code == 0) {
            DatabaseDirectories& active = m_settings.database;
            active.Way = edited(Root);
            active.WayAlg = edited(Algorithms);
            active.WayMod = edited(Modules);
            active.WayTask = edited(Templates);
        }
    }
    const DatabaseDirectories& active = m_settings.database;
    const QString* libraries[] = {&active.WayAlg, &active.WayMod, &active.WayTask};
    if (code == 0) {
        for (int i = 0; i < 3; ++i) {
            if (!isDirectory(*libraries[i])) {
                code = 3 + i;
                break;
            }
        }
    }
    if (show && code != 0) {
        switch (code) {
        case 1:
            message = QStringLiteral("Необходимо указать путь к базе данных КАЛИМ-19");
            focus = Root;
            break;
        case 2:
            message = missing(edited(Root));
            focus = Root;
            break;
        default:
            message = missing(*libraries[code - 3]);
            manual = true; // the library fields open for correction
            focus = Algorithms + (code - 3);
            break;
        }
    }
    return code;
}

void DatabasePathForm::editField(int field, const QString& text)
{
    if (field < Root || field > Templates)
        return;
    fields[std::size_t(field)] = text;
    modified = true;
}

void DatabasePathForm::pickFolder(int field)
{
    if (field < Root || field > Templates)
        return;
    if (const auto path = m_dialogs.pickFolder(fields[std::size_t(field)]))
        folderPicked(field, *path);
}

void DatabasePathForm::folderPicked(int field, const QString& path)
{
    if (field < Root || field > Templates)
        return;
    QString clean = path;
    clean.remove(u'"');
    edited(field) = clean;
    const std::array<QString, 4> before = fields;
    // The field shows the picked folder only when the paths pass. A root pick also derives the
    // three library fields, whether or not they then pass: any field whose text changed makes
    // the window modified.
    if (CheckPaths(true, true) == 0)
        fields[std::size_t(field)] = clean;
    if (fields != before)
        modified = true;
}

bool DatabasePathForm::write()
{
    QString error;
    if (m_settings.WriteDatabaseDirectories(&error))
        return true;
    m_dialogs.info(error);
    return false;
}

bool DatabasePathForm::save()
{
    for (int f = Root; f <= Templates; ++f)
        edited(f) = fields[std::size_t(f)];
    if (CheckPaths(true, true) != 0 || !write())
        return false;
    modified = false;
    return true;
}

bool DatabasePathForm::closeRequested()
{
    if (!modified)
        return true;
    modified = false; // a second attempt to close does not ask again
    if (!m_dialogs.confirm(QStringLiteral("Сохранить изменения?")))
        return true;
    for (int f = Root; f <= Templates; ++f)
        edited(f) = fields[std::size_t(f)];
    return CheckPaths(true, true) == 0 && write();
}

} // namespace veg
