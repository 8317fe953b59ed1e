#include "core/editors/ParamTree.h"

namespace veg {

void ParamTree::clear()
{
    m_nodes.clear();
    m_roots.clear();
    m_selected = -1;
    taskNodes = 0;
    controller = -1;
    ++m_revision;
}

int ParamTree::add(int parent, TreeNode node)
{
    const int index = int(m_nodes.size());
    std::vector<int>& siblings = parent < 0 ? m_roots : m_nodes[std::size_t(parent)].children;
    node.parent = parent;
    node.row = int(siblings.size());
    siblings.push_back(index);
    m_nodes.push_back(std::move(node));
    ++m_revision;
    return index;
}

int ParamTree::find(const QStringList& path) const
{
    int current = -1;
    for (const QString& text : path) {
        int next = -1;
        for (int child : childrenOf(current)) {
            if (m_nodes[std::size_t(child)].text == text) {
                next = child;
                break;
            }
        }
        if (next < 0)
            return -1;
        current = next;
    }
    return current;
}

QStringList ParamTree::path(int node) const
{
    QStringList out;
    for (int n = node; n >= 0 && n < size(); n = m_nodes[std::size_t(n)].parent)
        out.prepend(m_nodes[std::size_t(n)].text);
    return out;
}

void ParamTree::select(int node)
{
    if (node < 0 || node >= size()) {
        m_selected = -1;
        return;
    }
    m_selected = node;
    for (int p = m_nodes[std::size_t(node)].parent; p >= 0; p = m_nodes[std::size_t(p)].parent)
        m_nodes[std::size_t(p)].expanded = true;
}

} // namespace veg
