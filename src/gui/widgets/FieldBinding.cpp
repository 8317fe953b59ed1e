#include "gui/widgets/FieldBinding.h"

#include "core/editors/EditorForm.h"
#include "gui/widgets/ContextMenu.h"
#include "gui/widgets/MaskedText.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>

namespace veg {

namespace {

const FormField* find(const std::vector<FormField>& fields, const QString& id)
{
    const auto it =
        std::find_if(fields.begin(), fields.end(), [&](const FormField& f) { return f.id == id; });
    return it == fields.end() ? nullptr : &*it;
}

// A text field's text as its form holds it (a masked edit's free places as "_").
QString fieldText(const QLineEdit* edit)
{
    return edit->inputMask().isEmpty() ? edit->text() : MaskedText::text(edit);
}

QString shown(const QString& caption)
{
    QString out = caption;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return out;
}

} // namespace

FieldBinding::FieldBinding(EditorForm& form, QObject* parent) : QObject(parent), m_form(form) {}

void FieldBinding::bind(const QString& id, QWidget* control, QWidget* caption)
{
    m_bindings.push_back({id, control, caption, nullptr});
    auto act = [this](auto handler) {
        return [this, handler](auto... args) {
            if (m_rendering)
                return;
            handler(args...);
            emit changed();
        };
    };
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this,
                act([this, id, edit](const QString&) { m_form.editField(id, fieldText(edit)); }));
        edit->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(edit, &QWidget::customContextMenuRequested, this,
                [this, id, edit](const QPoint& pos) { contextMenu(id, edit, pos); });
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        connect(combo, &QComboBox::activated, this,
                act([this, id](int i) { m_form.chooseField(id, i); }));
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        connect(spin, &QSpinBox::valueChanged, this,
                act([this, id](int v) { m_form.spinField(id, v); }));
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
        connect(button, &QPushButton::clicked, this, act([this, id](bool) {
                    const QString window = m_form.press(id);
                    if (!window.isEmpty())
                        emit openWindow(window);
                }));
    } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
        connect(check, &QCheckBox::clicked, this,
                act([this, id](bool on) { m_form.checkField(id, on); }));
    }
}

void FieldBinding::bindChoice(const QString& id, QButtonGroup* buttons)
{
    m_bindings.push_back({id, nullptr, nullptr, buttons});
    connect(buttons, &QButtonGroup::idClicked, this, [this, id](int i) {
        if (m_rendering)
            return;
        m_form.chooseField(id, i);
        emit changed();
    });
}

void FieldBinding::bindGroup(QWidget* box, const QStringList& ids)
{
    m_groups.push_back({box, ids});
}

const FieldBinding::Binding* FieldBinding::bindingOf(QObject* control) const
{
    for (const Binding& b : m_bindings) {
        if (b.control == control)
            return &b;
    }
    return nullptr;
}

bool FieldBinding::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    const Binding* b = bindingOf(watched);
    if (!edit || !b)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        m_form.clickField(b->id);
        emit changed();
    } else if (event->type() == QEvent::FocusOut) {
        // Left for another control of the window; not when a box or another window takes the
        // focus (the window's own questions would otherwise come twice).
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
            reason == Qt::BacktabFocusReason) {
            m_form.leaveField(b->id);
            emit changed();
        }
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool backspace = key->key() == Qt::Key_Backspace;
        // Only printable characters and Backspace go through the form's filter: Tab, Enter and
        // Esc keep their work.
        if (backspace || (!text.isEmpty() && text.at(0).isPrint())) {
            const QChar typed = backspace ? QChar(8) : text.at(0);
            const QChar k = m_form.fieldKey(b->id, typed, int(edit->text().size()),
                                            int(edit->selectedText().size()));
            if (k.isNull())
                return true;
            if (k != typed) {
                edit->insert(QString(k));
                m_form.editField(b->id, fieldText(edit));
                emit changed();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void FieldBinding::contextMenu(const QString& id, QWidget* control, const QPoint& pos)
{
    const QString chosen =
        chooseFromMenu(control, m_form.contextMenu({-1, -1, id}), control->mapToGlobal(pos));
    if (!chosen.isEmpty()) {
        m_form.contextCommand(chosen);
        emit changed();
    }
}

void FieldBinding::render()
{
    m_rendering = true;
    const std::vector<FormField> fields = m_form.fields();
    for (const Binding& b : m_bindings) {
        const FormField* f = find(fields, b.id);
        if (!f)
            continue;
        if (b.buttons) {
            QAbstractButton* on = b.buttons->button(f->index);
            b.buttons->setExclusive(false); // no entry chosen is a state too
            for (QAbstractButton* button : b.buttons->buttons()) {
                const QSignalBlocker block(button);
                button->setChecked(button == on);
                button->setEnabled(f->enabled);
                button->setVisible(f->visible);
            }
            b.buttons->setExclusive(true);
        } else if (auto* edit = qobject_cast<QLineEdit*>(b.control)) {
            if (!f->mask.isEmpty()) {
                if (edit->inputMask().isEmpty())
                    MaskedText::apply(edit, f->mask);
                MaskedText::show(edit, f->text);
            } else if (edit->text() != f->text) {
                edit->setText(f->text);
            }
            edit->setReadOnly(f->readOnly);
            if (f->mask.isEmpty())
                edit->setMaxLength(f->maxLength > 0 ? f->maxLength : 32767);
        } else if (auto* combo = qobject_cast<QComboBox*>(b.control)) {
            const QSignalBlocker block(combo);
            if (combo->count() != f->items.size()) {
                combo->clear();
                combo->addItems(f->items);
            }
            combo->setCurrentIndex(f->index);
        } else if (auto* spin = qobject_cast<QSpinBox*>(b.control)) {
            const QSignalBlocker block(spin);
            spin->setRange(f->minimum, f->maximum);
            spin->setValue(f->value);
        } else if (auto* check = qobject_cast<QCheckBox*>(b.control)) {
            check->setChecked(f->checked);
            check->setText(shown(f->caption));
        } else if (auto* label = qobject_cast<QLabel*>(b.control)) {
            label->setText(shown(f->text));
        }
        if (auto* caption = qobject_cast<QLabel*>(b.caption))
            caption->setText(shown(f->caption));
        else if (auto* box = qobject_cast<QGroupBox*>(b.caption))
            box->setTitle(shown(f->caption));
        if (b.control) {
            b.control->setVisible(f->visible);
            b.control->setEnabled(f->enabled);
            b.control->setToolTip(f->hint);
        }
        if (b.caption)
            b.caption->setVisible(f->visible);
    }
    for (const Group& g : m_groups) {
        const bool any = std::any_of(g.ids.begin(), g.ids.end(), [&](const QString& id) {
            const FormField* f = find(fields, id);
            return f && f->visible;
        });
        g.box->setVisible(any);
    }
    m_rendering = false;
}

} // namespace veg
