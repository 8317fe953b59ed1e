#include "core/editors/ControllerRefsEditor.h"

namespace veg {

std::vector<RefsEditorKind> rebindOrder(ProtocolVariant protocol)
{
    using K = RefsEditorKind;
    switch (protocol) {
    case ProtocolVariant::Magistral1:
        return {K::GroupParams, K::Telesignals, K::IkpSubblocks};
    case ProtocolVariant::Modbus:
        return {K::GroupParams, K::Telesignals, K::ModbusTelecontrol, K::TiFloat};
    case ProtocolVariant::UnkTm:
        return {K::UnkThreads};
    case ProtocolVariant::Hart:
        return {K::Hart};
    case ProtocolVariant::KtsEnergia:
        return {K::GroupParams, K::KtsGroups, K::KtsSignals};
    case ProtocolVariant::None:
        break;
    }
    return {};
}

std::vector<RefsEditorKind> removalOrder(ProtocolVariant protocol)
{
    using K = RefsEditorKind;
    if (protocol == ProtocolVariant::Modbus)
        return {K::GroupParams, K::ModbusTelesignals, K::ModbusTelecontrol, K::TiFloat};
    return rebindOrder(protocol);
}

ControllerRefsEditor* ControllerRefsEditors::editor(RefsEditorKind kind) const
{
    const auto it = m_editors.find(kind);
    return it == m_editors.end() ? nullptr : it->second;
}

std::vector<ControllerRefsEditor*> ControllerRefsEditors::forRebind(ProtocolVariant protocol) const
{
    return registered(rebindOrder(protocol));
}

std::vector<ControllerRefsEditor*> ControllerRefsEditors::forRemoval(ProtocolVariant protocol) const
{
    return registered(removalOrder(protocol));
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
