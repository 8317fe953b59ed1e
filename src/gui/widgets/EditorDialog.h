#pragma once

#include <QDialog>

#include <functional>

class QLabel;

namespace veg {

class EditorForm;
class EditorGridView;
class FieldBinding;
class ParamTreeView;

// The shell of every editor window: activation fills the form from the configuration and the
// window renders it; every control bound to the form renders the whole window again after the
// user's action; closing (Esc, the title bar, a button that asks for it) goes through the form's
// closing checks, which may keep the window open.
class EditorDialog : public QDialog
{
    Q_OBJECT
public:
    EditorDialog(EditorForm& form, QWidget* parent = nullptr);

    EditorForm& form() const { return m_form; }
    int exec() override; // activation, then the modal loop
    // Activation, row `index` of the window's table made current (where its grid shows it),
    // then the modal loop.
    int execOnTableRow(int index);
    void FormActivate();
    void render();

    // Opens another window over this one by its name (the main window knows the windows).
    void setWindowOpener(std::function<void(const QString&)> open) { m_open = std::move(open); }

protected:
    void attach(EditorGridView* grid);
    void attach(ParamTreeView* tree);
    void attach(FieldBinding* fields);
    // The line under the grid or the fields.
    void attachNote(QLabel* note);
    // After activation, before the first rendering: a window lays out what depends on the
    // configuration (its protocol).
    virtual void activated() {}
    void done(int result) override;
    void showEvent(QShowEvent* event) override;

private:
    void afterAction();

    EditorForm& m_form;
    EditorGridView* m_grid = nullptr;
    ParamTreeView* m_tree = nullptr;
    FieldBinding* m_fields = nullptr;
    QLabel* m_note = nullptr;
    std::function<void(const QString&)> m_open;
};

} // namespace veg
