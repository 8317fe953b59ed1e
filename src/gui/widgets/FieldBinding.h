#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class QButtonGroup;
class QWidget;

namespace veg {

class EditorForm;

// Binds the controls of a window without a grid to the fields of its form by their ids: a line
// edit (its keys filtered through the form), a drop-down or a group of radio buttons (a choice),
// a check box, a spin box, a button, a label. Rendering sets every control from its field
// (text, choice, value, visible, enabled, hint); every user action goes to the form.
class FieldBinding : public QObject
{
    Q_OBJECT
public:
    FieldBinding(EditorForm& form, QObject* parent);

    // `caption`: a label (or a group box, whose title it is) that shows and hides with the
    // control.
    void bind(const QString& id, QWidget* control, QWidget* caption = nullptr);
    // A choice as radio buttons: each button shows, hides and is enabled with the field.
    void bindChoice(const QString& id, QButtonGroup* buttons);
    // A box around controls: shown while any of their fields is visible.
    void bindGroup(QWidget* box, const QStringList& ids);
    void render();

signals:
    void changed();
    // A button asked to open another window over this one.
    void openWindow(const QString& windowName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Binding
    {
        QString id;
        QWidget* control = nullptr;
        QWidget* caption = nullptr;
        QButtonGroup* buttons = nullptr;
    };
    struct Group
    {
        QWidget* box;
        QStringList ids;
    };
    const Binding* bindingOf(QObject* control) const;
    void contextMenu(const QString& id, QWidget* control, const QPoint& pos);

    EditorForm& m_form;
    std::vector<Binding> m_bindings;
    std::vector<Group> m_groups;
    bool m_rendering = false;
};

} // namespace veg
