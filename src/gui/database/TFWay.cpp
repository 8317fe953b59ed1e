#include "gui/database/TFWay.h"
#include "gui/widgets/ScreenFit.h"

#include <QGridLayout>

#include <algorithm>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace veg {

TFWay::TFWay(ProgramSettings& settings, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_form(settings, dialogs)
{
    setObjectName(QStringLiteral("TFWay"));
    setWindowTitle(QStringLiteral("Путь к базе данных КАЛИМ-19"));
    ScreenFit::keepOnScreen(this);
    resize(560, 240);
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Путь к Базе Данных"), this);
    auto* grid = new QGridLayout(group);
    const char* captions[] = {"Библиотека", "Алгоритмов", "Модулей", "Шаблонов"};
    for (int i = 0; i < 4; ++i) {
        m_labels[i] = new QLabel(QString::fromUtf8(captions[i]), group);
        m_fields[i] = new QLineEdit(group);
        m_fields[i]->setObjectName(QStringLiteral("DirectoryEdit%1").arg(i + 1));
        m_pick[i] = new QToolButton(group);
        m_pick[i]->setText(QStringLiteral("..."));
        m_pick[i]->setObjectName(QStringLiteral("PickFolder%1").arg(i + 1));
        grid->addWidget(m_labels[i], i, 0);
        grid->addWidget(m_fields[i], i, 1);
        grid->addWidget(m_pick[i], i, 2);
        connect(m_fields[i], &QLineEdit::textEdited, this, [this, i](const QString& text) {
            if (!m_rendering)
                m_form.editField(i, text);
        });
        connect(m_pick[i], &QToolButton::clicked, this, [this, i] {
            m_form.pickFolder(i);
            render();
        });
    }
    m_manual = new QToolButton(group);
    m_manual->setObjectName(QStringLiteral("ManualMode"));
    m_manual->setCheckable(true);
    m_manual->setText(QStringLiteral("Ручная"));
    m_manual->setToolTip(QStringLiteral("Ручная настройка путеей к библиотекам"));
    grid->addWidget(m_manual, 0, 3);
    connect(m_manual, &QToolButton::toggled, this, [this](bool on) {
        if (!m_rendering) {
            m_form.setManual(on);
            render();
        }
    });
    layout->addWidget(group);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("MessageLine"));
    m_message->setStyleSheet(QStringLiteral("color: #8B0000; font-weight: bold;"));
    layout->addWidget(m_message);

    auto* save = new QPushButton(QStringLiteral("Сохранить"), this);
    save->setObjectName(QStringLiteral("ButtonSave"));
    layout->addWidget(save, 0, Qt::AlignRight);
    connect(save, &QPushButton::clicked, this, [this] {
        const bool closes = m_form.save();
        render();
        if (closes) {
            m_saved = true;
            accept();
        }
    });
}

int TFWay::exec()
{
    FormActivate();
    return QDialog::exec();
}

void TFWay::FormActivate()
{
    m_saved = false;
    m_form.FormActivate();
    render();
}

void TFWay::render()
{
    m_rendering = true;
    for (int i = 0; i < 4; ++i) {
        if (m_fields[i]->text() != m_form.fields[std::size_t(i)])
            m_fields[i]->setText(m_form.fields[std::size_t(i)]);
        const bool enabled = i == 0 || m_form.libraryFieldsEnabled();
        m_fields[i]->setEnabled(enabled);
        m_labels[i]->setEnabled(enabled);
        m_pick[i]->setEnabled(enabled);
    }
    m_manual->setChecked(m_form.manual);
    m_message->setText(m_form.message);
    m_fields[std::size_t(std::clamp(m_form.focus, 0, 3))]->setFocus();
    m_rendering = false;
}

void TFWay::done(int result)
{
    if (!m_saved && !m_form.closeRequested()) {
        render(); // the check failed: the window stays with its message
        return;
    }
    m_saved = false;
    QDialog::done(result);
}

} // namespace veg
