#include "core/editors/EditorSet.h"

#include "core/config/GatewayConfig.h"
#include "core/editors/CommonSettingsForm.h"
#include "core/database/ControllerRefsEditor.h"
#include "core/editors/GroupParamsForm.h"
#include "core/editors/HartDevicesForm.h"
#include "core/editors/IkpForm.h"
#include "core/editors/IkpSubblockForm.h"
#include "core/editors/KtsGroupsForm.h"
#include "core/editors/KtsSignalsForm.h"
#include "core/editors/ModbusTelecontrolForm.h"
#include "core/editors/ModbusTelesignalForm.h"
#include "core/editors/OkpForm.h"
#include "core/editors/TcSubblockForm.h"
#include "core/editors/TiFloatForm.h"
#include "core/editors/TuSubblockForm.h"
#include "core/editors/UnkThreadsForm.h"

namespace veg {

template <typename Form>
Form& EditorSet::add(std::optional<EditorId> menu, std::optional<RefsEditorKind> refs)
{
    auto form = std::make_unique<Form>(m_session);
    Form& f = *form;
    Entry e;
    e.menu = menu;
    e.refs = refs;
    if constexpr (std::is_base_of_v<ControllerRefsEditor, Form>)
        e.refsEditor = &f;
    e.form = std::move(form);
    m_entries.push_back(std::move(e));
    return f;
}

EditorSet::EditorSet(EditorSession& session) : m_session(session)
{
    m_common = &add<CommonSettingsForm>(EditorId::GatewayCommon, std::nullopt);
    m_group = &add<GroupParamsForm>(EditorId::Group, RefsEditorKind::GroupParams);
    m_modbusTu = &add<ModbusTelecontrolForm>(EditorId::ModbusTu, RefsEditorKind::ModbusTelecontrol);
    add<UnkThreadsForm>(EditorId::Unk, RefsEditorKind::UnkThreads);
    add<HartDevicesForm>(EditorId::Hart, RefsEditorKind::Hart);
    add<KtsGroupsForm>(EditorId::KtsGroups, RefsEditorKind::KtsGroups);
    add<KtsSignalsForm>(EditorId::KtsSignals, RefsEditorKind::KtsSignals);
    // Магистраль-1's controlled points: the sub-block windows are reached through their point's
    // window. The telesignal window answers for every row of the ТС/ТУ table (and for the Modbus
    // discrete inputs' re-check, which share its layout).
    add<OkpForm>(EditorId::Okp, std::nullopt);
    add<TcSubblockForm>(EditorId::Okp, RefsEditorKind::Telesignals);
    add<TuSubblockForm>(EditorId::Okp, std::nullopt);
    add<IkpForm>(EditorId::Ikp, std::nullopt);
    add<IkpSubblockForm>(EditorId::Ikp, RefsEditorKind::IkpSubblocks);
    add<ModbusTelesignalForm>(EditorId::ModbusTc, RefsEditorKind::ModbusTelesignals);
    add<TiFloatForm>(EditorId::TiFloat, RefsEditorKind::TiFloat);
}

EditorSet::~EditorSet() = default;

CommonSettingsForm& EditorSet::commonSettings() const
{
    return *m_common;
}

GroupParamsForm& EditorSet::groupParams() const
{
    return *m_group;
}

ModbusTelecontrolForm& EditorSet::modbusTelecontrol() const
{
    return *m_modbusTu;
}

const EditorSet::Entry* EditorSet::entry(const QString& windowName) const
{
    for (const Entry& e : m_entries) {
        if (e.form->windowName() == windowName)
            return &e;
    }
    return nullptr;
}

EditorForm* EditorSet::form(const QString& windowName) const
{
    const Entry* e = entry(windowName);
    return e ? e->form.get() : nullptr;
}

QStringList EditorSet::windowNames() const
{
    QStringList out;
    for (const Entry& e : m_entries)
        out << e.form->windowName();
    return out;
}

std::optional<EditorId> EditorSet::menuItem(const QString& windowName) const
{
    const Entry* e = entry(windowName);
    return e ? e->menu : std::nullopt;
}

QString EditorSet::windowOf(EditorId item) const
{
    // A point's window is registered before the sub-block windows it opens.
    for (const Entry& e : m_entries) {
        if (e.menu == item)
            return e.form->windowName();
    }
    return {};
}

bool EditorSet::available(const QString& windowName) const
{
    const Entry* e = entry(windowName);
    return e && e->menu && m_session.config.catalogue().has(*e->menu);
}

void EditorSet::registerRefsEditors(ControllerRefsEditors& registry) const
{
    for (const Entry& e : m_entries) {
        if (e.refs && e.refsEditor)
            registry.add(*e.refs, e.refsEditor);
    }
}

} // namespace veg
