#pragma once

#include <QTreeView>

class QMimeData;

namespace veg {

class EditorForm;

// An editor's parameter tree (or group tree), bound to its form: the nodes come from the form's
// tree as they are needed (a big site's tree holds tens of thousands of nodes), a click selects,
// a double click places, and a node can be dragged onto the editor's grid.
class ParamTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit ParamTreeView(EditorForm& form, QWidget* parent = nullptr);
    ~ParamTreeView() override;

    // Shows the form's tree as it is now: rebuilt when its nodes were made anew, the form's
    // selection, the focus when the form asked for it.
    void render();
    // The model index of a node (for tests and drags).
    QModelIndex indexOfNode(int node) const;

    // The drag's data: the node's index in the tree.
    static QString mimeType() { return QStringLiteral("application/x-vegconf-tree-node"); }
    static int nodeOf(const QMimeData* data);

signals:
    void changed();

private:
    class Model;

    EditorForm& m_form;
    Model* m_model = nullptr;
    int m_revision = -1;
    bool m_rendering = false;
};

} // namespace veg
