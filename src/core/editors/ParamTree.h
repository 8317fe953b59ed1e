#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace veg {

// One node of an editor's tree. The ties let placing and locating work without parsing texts.
struct TreeNode
{
    QString text;
    int parent = -1;
    int row = 0; // position among its parent's children (or among the roots)
    std::vector<int> children;
    // Parameter trees: 0 controller, 1 task, 2 parameter. Group trees: 0 slot root, 1 the slot's
    // parameter.
    std::uint8_t level = 0;
    bool expanded = false;
    int controller = -1;                // index in the configuration's controllers
    int task = -1;                      // task and parameter nodes: index in the controller's tasks
    std::int16_t taskNumber = 0;        // task and parameter nodes
    int param = -1;                     // parameter nodes: index in the controller's parameters
    std::uint16_t paramNumber = 0xFFFF; // parameter nodes
    int archiveDepth = 0;               // parameter nodes of trees that test archives
    int slot = -1;                      // group trees: the group-parameter slot (0-3)
};

// An editor's parameter tree (or group tree) as data: the nodes with their ties, which node is
// selected, whether the tree is shown and whether it is to take the focus.
class ParamTree
{
public:
    enum class Kind
    {
        None,
        Parameters,
        Groups
    };

    void clear();
    // Appends a node under `parent` (-1: a root); returns its index.
    int add(int parent, TreeNode node);
    void reserve(std::size_t nodes) { m_nodes.reserve(nodes); }

    int size() const { return int(m_nodes.size()); }
    bool empty() const { return m_nodes.empty(); }
    const TreeNode& node(int index) const { return m_nodes[std::size_t(index)]; }
    TreeNode& node(int index) { return m_nodes[std::size_t(index)]; }
    const std::vector<int>& roots() const { return m_roots; }
    // The first node of the tree (the first root), -1 for an empty tree.
    int firstNode() const { return m_roots.empty() ? -1 : m_roots.front(); }
    const std::vector<int>& childrenOf(int parent) const
    {
        return parent < 0 ? m_roots : m_nodes[std::size_t(parent)].children;
    }

    // The node reached from the roots by these texts, -1 when there is none.
    int find(const QStringList& path) const;
    QStringList path(int node) const;

    int selected() const { return m_selected; }
    // Selects a node (-1: none); the nodes above it are expanded so that it can be seen.
    void select(int node);
    bool isSelected(int node) const { return node >= 0 && node == m_selected; }

    Kind kind = Kind::None;
    bool visible = true;
    int taskNodes = 0; // task nodes of the last parameter tree built
    // The controller a one-controller tree was built for (-1: all of them).
    int controller = -1;

    // The window gives the tree the focus once after an action asked for it (taking the request
    // is the view's part, so it works on a tree it may only read).
    void requestFocus() { m_focus = true; }
    bool takeFocusRequest() const
    {
        const bool f = m_focus;
        m_focus = false;
        return f;
    }
    bool focusRequested() const { return m_focus; }

    // Grows whenever the nodes are made anew, so that a view knows to rebuild.
    int revision() const { return m_revision; }

private:
    std::vector<TreeNode> m_nodes;
    std::vector<int> m_roots;
    int m_selected = -1;
    mutable bool m_focus = false;
    int m_revision = 0;
};

} // namespace veg
