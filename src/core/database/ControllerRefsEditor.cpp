#include "core/database/ControllerRefsEditor.h"

namespace veg {

ControllerRefsEditor* ControllerRefsEditors::editor(RefsEditorKind kind) const
{
    const auto it = m_editors.find(kind);
    return it == m_editors.end() ? nullptr : it->second;
}

std::vector<ControllerRefsEditor*> ControllerRefsEditors::forRebind(ProtocolVariant protocol) const
{
    return registered(catalogueOf(protocol).rebindOrder);
}

std::vector<ControllerRefsEditor*> ControllerRefsEditors::forRemoval(ProtocolVariant protocol) const
{
    return registered(catalogueOf(protocol).removalOrder);
}

std::vector<ControllerRefsEditor*>
ControllerRefsEditors::registered(const std::vector<RefsEditorKind>& kinds) const
{
    std::vector<ControllerRefsEditor*> out;
    for (RefsEditorKind k : kinds) {
        if (ControllerRefsEditor* e = editor(k))
            out.push_back(e);
    }
    return out;
}

} // namespace veg
