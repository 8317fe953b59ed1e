#include "core/editors/ScenarioPrinter.h"

#include "core/editors/EditorForm.h"

namespace veg::ScenarioPrinter {

namespace {

QString range(int first, int count)
{
    return count > 1 ? QStringLiteral("%1-%2").arg(first).arg(first + count - 1)
                     : QString::number(first);
}

QString cellText(const GridCell& c)
{
    QString out;
    if (c.grey)
        out += u'~';
    if (c.marked)
        out += u'!';
    if (c.kind == CellKind::Check)
        out += c.checked ? QStringLiteral("[x] ") : QStringLiteral("[ ] ");
    out += oneLine(c.text);
    if (!c.hint.isEmpty())
        out += QStringLiteral(" {") + c.hint + u'}';
    return out;
}

} // namespace

QString oneLine(const QString& text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
    out.replace(u'\n', QStringLiteral("\\n"));
    return out;
}

QStringList grid(const EditorForm& form)
{
    const EditorGrid* g = form.grid();
    if (!g)
        return {QStringLiteral("grid: none")};
    QStringList out;
    out << QStringLiteral("grid: %1 x %2%3, current %4 %5")
               .arg(g->rowCount())
               .arg(g->columnCount())
               .arg(g->visible ? QString() : QStringLiteral(" (hidden)"))
               .arg(g->currentRow)
               .arg(g->currentColumn);
    for (int r = 0; r < g->headingRows(); ++r) {
        for (int c = 0; c < g->columnCount(); ++c) {
            if (g->covered(r, c))
                continue;
            const EditorGrid::Span* s = g->spanAt(r, c);
            const QString& text = g->cell(r, c).text;
            if (!s && text.isEmpty())
                continue;
            out << QStringLiteral("heading %1 %2: %3")
                       .arg(range(r, s ? s->rows : 1), range(c, s ? s->columns : 1), oneLine(text));
        }
    }
    for (int r = g->headingRows(); r < g->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < g->columnCount(); ++c)
            cells << cellText(g->cell(r, c));
        out << QStringLiteral("row %1: ").arg(r) + cells.join(QStringLiteral(" | "));
    }
    return out;
}

QStringList tree(const EditorForm& form)
{
    const ParamTree* t = form.tree();
    return t ? tree(*t) : QStringList{QStringLiteral("tree: none")};
}

QStringList tree(const ParamTree& tree)
{
    const ParamTree* t = &tree;
    if (!t->visible)
        return {QStringLiteral("tree: hidden")};
    QStringList out{t->empty() ? QStringLiteral("tree: empty") : QStringLiteral("tree:")};
    // Depth first, in the order the tree shows its nodes.
    std::vector<int> stack(t->roots().rbegin(), t->roots().rend());
    while (!stack.empty()) {
        const int n = stack.back();
        stack.pop_back();
        const TreeNode& node = t->node(n);
        out << (t->isSelected(n) ? QStringLiteral("> ") : QStringLiteral("  ")) +
                   QString(2 * node.level, u' ') + oneLine(node.text);
        stack.insert(stack.end(), node.children.rbegin(), node.children.rend());
    }
    return out;
}

QStringList fields(const EditorForm& form)
{
    QStringList out;
    for (const FormField& f : form.fields()) {
        QString value;
        switch (f.kind) {
        case FormField::Kind::Label:
        case FormField::Kind::Text:
            value = oneLine(f.text);
            break;
        case FormField::Kind::Choice:
            value = (f.index >= 0 && f.index < f.items.size() ? f.items[f.index]
                                                              : QStringLiteral("(none)")) +
                    QStringLiteral(" (") + f.items.join(u'|') + u')';
            break;
        case FormField::Kind::Check:
            value = f.checked ? QStringLiteral("[x]") : QStringLiteral("[ ]");
            break;
        case FormField::Kind::Spin:
            value = QStringLiteral("%1 (%2..%3)").arg(f.value).arg(f.minimum).arg(f.maximum);
            break;
        case FormField::Kind::Button:
            value = QStringLiteral("button");
            break;
        }
        QString line = f.id;
        if (!f.caption.isEmpty() && f.caption != f.id)
            line += QStringLiteral(" \"") + oneLine(f.caption) + u'"';
        line += QStringLiteral(": ") + value;
        if (!f.visible)
            line += QStringLiteral(" [hidden]");
        if (!f.enabled)
            line += QStringLiteral(" [disabled]");
        if (!f.hint.isEmpty())
            line += QStringLiteral(" {") + f.hint + u'}';
        out << line;
    }
    return out;
}

QStringList note(const EditorForm& form)
{
    return {QStringLiteral("note: ") + oneLine(form.note())};
}

} // namespace veg::ScenarioPrinter
