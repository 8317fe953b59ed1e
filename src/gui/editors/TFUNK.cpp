#include "gui/editors/TFUNK.h"

#include "core/editors/UnkThreadsForm.h"
#include "gui/widgets/EditorGridView.h"
#include "gui/widgets/FieldBinding.h"
#include "gui/widgets/ParamTreeView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace veg {

TFUNK::TFUNK(UnkThreadsForm& form, QWidget* parent) : EditorDialog(form, parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* split = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(split, 1);

    auto* left = new QWidget(split);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    m_grid = new EditorGridView(form, left);
    leftLayout->addWidget(m_grid, 1);
    auto* passwordRow = new QHBoxLayout;
    auto* label = new QLabel(left);
    m_timePassword = new QLineEdit(left);
    m_timePassword->setObjectName(UnkThreadsForm::timePasswordField());
    m_timePassword->setMinimumWidth(m_timePassword->fontMetrics().horizontalAdvance(
        UnkThreadsForm::passwordMask() + QStringLiteral("__")));
    passwordRow->addWidget(label);
    passwordRow->addWidget(m_timePassword);
    passwordRow->addStretch();
    leftLayout->addLayout(passwordRow);
    split->addWidget(left);

    auto* right = new QWidget(split);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* place = new QPushButton(QStringLiteral("<< Поместить"), right);
    place->setObjectName(QStringLiteral("ButtonPlace"));
    place->setAutoDefault(false);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(place);
    buttonRow->addStretch();
    rightLayout->addLayout(buttonRow);
    m_tree = new ParamTreeView(form, right);
    rightLayout->addWidget(m_tree, 1);
    split->addWidget(right);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);

    auto* fields = new FieldBinding(form, this);
    fields->bind(TableEditorForm::placeButton(), place);
    fields->bind(UnkThreadsForm::timePasswordField(), m_timePassword, label);
    attach(m_grid);
    attach(m_tree);
    attach(fields);

    m_grid->render();
    int width = 0;
    for (int c = 0; c < form.grid()->columnCount(); ++c)
        width += m_grid->headingView()->columnWidth(c);
    resize(std::min(width + 420, 1600), 860);
}

} // namespace veg
