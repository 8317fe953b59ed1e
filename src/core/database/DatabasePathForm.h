#pragma once

#include <QString>

#include <array>

namespace veg {

class Dialogs;
class ProgramSettings;

// The rules of the window "Путь к базе данных КАЛИМ-19": the four path fields (root, algorithms,
// modules, templates), manual mode, the check of the paths and its messages, and the writing of
// section "BaseK19". The edited paths and the active library directories live in the program
// settings; the window binds its controls to this form.
class DatabasePathForm
{
public:
    enum Field { Root = 0, Algorithms = 1, Modules = 2, Templates = 3 };

    DatabasePathForm(ProgramSettings& settings, Dialogs& dialogs);

    std::array<QString, 4> fields; // the texts of the four fields
    bool manual = false;           // "Ручная настройка путеей к библиотекам"
    QString message;               // the message line
    int focus = Root;              // the field that gets the focus
    bool modified = false;

    bool libraryFieldsEnabled() const { return manual; }

    void FormActivate();
    // Result codes: 0 all good, 1 no root, 2 root missing, 3/4/5 the algorithm/module/template
    // directory missing.
    int CheckPaths(bool derive, bool show);

    void editField(int field, const QString& text);
    void setManual(bool on) { manual = on; }
    // The folder button of a field: the folder dialog, then the picked path.
    void pickFolder(int field);
    void folderPicked(int field, const QString& path);
    // "Сохранить": true when the settings were written and the window closes.
    bool save();
    // Closing the window: true when it may close.
    bool closeRequested();

private:
    QString& edited(int field);
    bool write();

    ProgramSettings& m_settings;
    Dialogs& m_dialogs;
};

} // namespace veg
