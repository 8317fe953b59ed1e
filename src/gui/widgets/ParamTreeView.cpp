#include "gui/widgets/ParamTreeView.h"

#include "core/editors/EditorForm.h"

#include <QAbstractItemModel>
#include <QMimeData>

namespace veg {

// The form's tree as an item model; the internal id of an index is the node's number.
class ParamTreeView::Model : public QAbstractItemModel
{
public:
    Model(EditorForm& form, QObject* parent) : QAbstractItemModel(parent), m_form(form) {}

    const ParamTree* tree() const { return m_form.tree(); }
    int nodeOf(const QModelIndex& index) const
    {
        return index.isValid() ? int(index.internalId()) : -1;
    }
    QModelIndex indexOf(int node) const
    {
        const ParamTree* t = tree();
        if (!t || node < 0 || node >= t->size())
            return {};
        return createIndex(t->node(node).row, 0, quintptr(node));
    }

    QModelIndex index(int row, int column, const QModelIndex& parent) const override
    {
        const ParamTree* t = tree();
        if (!t || column != 0)
            return {};
        const std::vector<int>& children = t->childrenOf(nodeOf(parent));
        if (row < 0 || row >= int(children.size()))
            return {};
        return createIndex(row, 0, quintptr(children[std::size_t(row)]));
    }
    QModelIndex parent(const QModelIndex& child) const override
    {
        const ParamTree* t = tree();
        const int node = nodeOf(child);
        if (!t || node < 0 || node >= t->size())
            return {};
        return indexOf(t->node(node).parent);
    }
    int rowCount(const QModelIndex& parent) const override
    {
        const ParamTree* t = tree();
        if (!t || parent.column() > 0)
            return 0;
        return int(t->childrenOf(nodeOf(parent)).size());
    }
    int columnCount(const QModelIndex&) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        const ParamTree* t = tree();
        const int node = nodeOf(index);
        if (!t || node < 0 || node >= t->size() || role != Qt::DisplayRole)
            return {};
        return t->node(node).text;
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled
                               : Qt::NoItemFlags;
    }
    QStringList mimeTypes() const override { return {ParamTreeView::mimeType()}; }
    QMimeData* mimeData(const QModelIndexList& indexes) const override
    {
        if (indexes.isEmpty())
            return nullptr;
        auto* data = new QMimeData;
        data->setData(ParamTreeView::mimeType(), QByteArray::number(nodeOf(indexes.first())));
        return data;
    }
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
    void reset()
    {
        beginResetModel();
        endResetModel();
    }

private:
    EditorForm& m_form;
};

ParamTreeView::ParamTreeView(EditorForm& form, QWidget* parent) : QTreeView(parent), m_form(form)
{
    setObjectName(QStringLiteral("ParamTree"));
    m_model = new Model(form, this);
    setModel(m_model);
    setHeaderHidden(true);
    setUniformRowHeights(true); // a big tree lays out without measuring every row
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (m_rendering)
                    return;
                m_form.selectNode(m_model->nodeOf(current));
                emit changed();
            });
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        m_form.treeDoubleClick(m_model->nodeOf(index));
        emit changed();
    });
}

ParamTreeView::~ParamTreeView() = default;

QModelIndex ParamTreeView::indexOfNode(int node) const
{
    return m_model->indexOf(node);
}

int ParamTreeView::nodeOf(const QMimeData* data)
{
    if (!data || !data->hasFormat(mimeType()))
        return -1;
    bool ok = false;
    const int node = data->data(mimeType()).toInt(&ok);
    return ok ? node : -1;
}

void ParamTreeView::render()
{
    const ParamTree* t = m_form.tree();
    if (!t)
        return;
    m_rendering = true;
    if (t->revision() != m_revision) {
        m_revision = t->revision();
        m_model->reset();
        for (int n = 0; n < t->size(); ++n) {
            if (t->node(n).expanded && !t->node(n).children.empty())
                setExpanded(m_model->indexOf(n), true);
        }
    }
    setVisible(t->visible);
    const QModelIndex selected = m_model->indexOf(t->selected());
    if (selected != currentIndex()) {
        if (selected.isValid()) {
            setCurrentIndex(selected);
            scrollTo(selected);
        } else {
            selectionModel()->clear();
        }
    }
    if (t->takeFocusRequest() && isVisible())
        setFocus(Qt::OtherFocusReason);
    m_rendering = false;
}

} // namespace veg
