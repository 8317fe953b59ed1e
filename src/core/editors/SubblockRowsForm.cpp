#include "core/editors/SubblockRowsForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/editors/ReferenceRules.h"

#include <algorithm>

namespace veg {

int SubblockRowsForm::subblock() const
{
    return std::clamp(session().currentSubblock, 0, std::max(subblockCount() - 1, 0));
}

bool SubblockRowsForm::allChosen() const
{
    return !m_choices.empty() &&
           std::none_of(m_choices.begin(), m_choices.end(), [](int c) { return c < 0; });
}

int SubblockRowsForm::currentRow() const
{
    return allChosen() ? tableRow(choice(boxSelector())) : -1;
}

void SubblockRowsForm::FormActivate()
{
    m_choices.assign(selectors().size(), 0);
    m_source = -1;
    m_tree.clear();
    m_tree.visible = false;
    m_spinValue = spin() ? spin()->minimum : 0;
    // The window opens on the first group and row without a source: it follows the rows from
    // the user's first choice on.
    m_following = true;
}

bool SubblockRowsForm::closeRequested()
{
    m_choices.assign(selectors().size(), -1);
    m_source = -1;
    m_following = false;
    m_tree.clear();
    m_tree.visible = false;
    return true;
}

std::optional<SubblockRowsForm::Source> SubblockRowsForm::chosenSource() const
{
    const auto items = sources();
    if (m_source < 0 || m_source >= int(items.size()))
        return std::nullopt;
    return items[std::size_t(m_source)].second;
}

void SubblockRowsForm::followRow()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const ParamCore& c = core(row);
    const Source source = c.Kind == 255     ? Source::None
                          : isGroupRow(row) ? Source::Group
                                            : Source::Parameter;
    const auto items = sources();
    m_source = -1;
    for (int i = 0; i < int(items.size()); ++i) {
        if (items[std::size_t(i)].second == source)
            m_source = i;
    }
    if (const auto s = spin(); s && spinValueOf(row))
        m_spinValue = std::clamp(*spinValueOf(row), s->minimum, s->maximum);
    showSource(source, row);
}

void SubblockRowsForm::showSource(Source source, int row)
{
    switch (source) {
    case Source::None:
        m_tree.clear();
        m_tree.visible = false;
        return;
    case Source::Parameter: {
        m_tree.visible = true;
        if (!BuildParameterTree(m_tree, config(), treeOptions())) {
            m_tree.visible = false;
            dialogs().info(QStringLiteral("Нет списка контроллеров!"));
            return;
        }
        if (row >= 0 && core(row).Kind != 255 && !isGroupRow(row)) {
            const ParamCore& c = core(row);
            LocateReference(m_tree, config(), c.Kind, c.TaskNumber, c.ParamNumber, c.NetNumber);
        }
        return;
    }
    case Source::Group: {
        m_tree.visible = true;
        if (!BuildGroupTree(m_tree, config())) {
            m_tree.visible = false;
            dialogs().info(QStringLiteral("Нет групповых параметров"));
            return;
        }
        if (row >= 0 && isGroupRow(row)) {
            const int slot = core(row).ParamNumber >> 8;
            for (int root : m_tree.roots()) {
                const TreeNode& r = m_tree.node(root);
                if (r.slot == slot && !r.children.empty())
                    m_tree.select(r.children.front());
            }
            m_tree.requestFocus();
        }
        return;
    }
    }
}

QString SubblockRowsForm::boxText(int row) const
{
    const ParamCore& c = core(row);
    if (!config().IsReadBack)
        return name(row);
    if (c.Kind == 255)
        return emptyParamName();
    return DescribeReference(config(), c.NetNumber, c.ParamNumber, isGroupRow(row), name(row));
}

std::vector<FormField> SubblockRowsForm::fields() const
{
    std::vector<FormField> out;
    const auto sels = selectors();
    for (std::size_t i = 0; i < sels.size(); ++i) {
        FormField f;
        f.id = sels[i].id;
        f.caption = sels[i].caption;
        f.kind = FormField::Kind::Choice;
        for (int k = 1; k <= sels[i].count; ++k)
            f.items << QString::number(k);
        f.index = choice(int(i));
        out.push_back(f);
    }
    FormField position;
    position.id = positionField();
    position.text = currentRow() < 0 ? QString() : positionText();
    out.push_back(position);
    const bool open = allChosen();
    for (int b = 0; b < boxCount(); ++b) {
        FormField box;
        box.id = boxField(b);
        box.caption = boxCaption(b);
        box.kind = FormField::Kind::Text;
        box.readOnly = true;
        if (open) {
            const int row = tableRow(b);
            box.text = boxText(row);
            box.hint = refText(core(row));
        }
        out.push_back(box);
    }
    const QString page = pageCaption();
    FormField source;
    source.id = sourceField();
    source.caption = page;
    source.kind = FormField::Kind::Choice;
    for (const auto& [text, kind] : sources())
        source.items << text;
    source.index = m_source;
    source.group = page;
    out.push_back(source);
    if (const auto s = spin()) {
        FormField f;
        f.id = s->id;
        f.caption = s->caption;
        f.kind = FormField::Kind::Spin;
        f.minimum = s->minimum;
        f.maximum = s->maximum;
        f.value = m_spinValue;
        f.visible = !s->shownFor || chosenSource() == s->shownFor;
        f.group = page;
        out.push_back(f);
    }
    FormField button;
    button.id = placeButton();
    button.caption = QStringLiteral("<< Поместить");
    button.kind = FormField::Kind::Button;
    button.group = page;
    out.push_back(button);
    return out;
}

void SubblockRowsForm::chooseField(const QString& id, int index)
{
    const auto sels = selectors();
    for (std::size_t i = 0; i < sels.size(); ++i) {
        if (sels[i].id != id)
            continue;
        if (index < 0 || index >= sels[i].count)
            return;
        if (m_choices.size() != sels.size())
            m_choices.assign(sels.size(), -1);
        m_choices[i] = index;
        // Until both choices of a two-choice window are made there is no row to follow.
        if (m_following && allChosen())
            followRow();
        return;
    }
    if (id == sourceField()) {
        const auto items = sources();
        if (index < 0 || index >= int(items.size()))
            return;
        m_source = index;
        const int row = currentRow();
        // The tree shows the row's own reference when the row has this source.
        const Source source = items[std::size_t(index)].second;
        const bool own = row >= 0 && core(row).Kind != 255 &&
                         (source == Source::Group) == isGroupRow(row);
        showSource(source, own ? row : -1);
    }
}

void SubblockRowsForm::spinField(const QString& id, int value)
{
    const auto s = spin();
    if (s && id == s->id)
        m_spinValue = std::clamp(value, s->minimum, s->maximum);
}

void SubblockRowsForm::clickField(const QString& id)
{
    for (int b = 0; b < boxCount(); ++b) {
        if (id == boxField(b)) {
            const auto sels = selectors();
            if (boxSelector() < int(sels.size()))
                chooseField(sels[std::size_t(boxSelector())].id, b);
            return;
        }
    }
}

QString SubblockRowsForm::press(const QString& id)
{
    if (id == placeButton())
        place();
    return {};
}

void SubblockRowsForm::place(int)
{
    const int row = currentRow();
    const auto source = chosenSource();
    if (row < 0 || !source)
        return;
    switch (*source) {
    case Source::None:
        emptyRow(row);
        break;
    case Source::Parameter: {
        const auto placed = placedParameter(m_tree, m_tree.selected(), config());
        if (!placed)
            return; // a node of another level: the row does not change
        storeParameter(row, *placed);
        m_tree.requestFocus();
        break;
    }
    case Source::Group: {
        const int node = m_tree.selected();
        if (m_tree.kind != ParamTree::Kind::Groups || node < 0 || node >= m_tree.size() ||
            m_tree.node(node).level != 1)
            return;
        storeGroupBit(row, m_tree.node(node).slot, m_spinValue, m_tree.node(node).text);
        m_tree.requestFocus();
        break;
    }
    }
    markChanged();
}

} // namespace veg
