#pragma once

#include "core/config/ConfigRecords.h"
#include "core/config/ProtocolCatalogue.h"

#include <map>
#include <vector>

namespace veg {

// What the controller list needs of a table editor: the editor's table names controllers by
// their network numbers, so a new task queue for a controller must be checked against the
// table, and a removed controller must take its rows with it. The controller list declares it;
// the editors of core/editors implement it.
class ControllerRefsEditor
{
public:
    virtual ~ControllerRefsEditor() = default;

    // Called after controller `controllerIndex` got a new database object from another queue
    // file. True when every reference of the table to that controller's network number still
    // names a parameter of the new database; the references are then re-described from it. False
    // leaves the table as it was.
    virtual bool RebindController(int controllerIndex) = 0;
    // Called while the controller is still in the list (the editor finds its network number by
    // the index): removes or empties the table's rows that belong to it.
    virtual void RemoveControllerRefs(int controllerIndex) = 0;
    // The flag of the file section this editor's table is saved in; the controller list sets it
    // after the editor changed the table for it.
    virtual bool ChangedFlags::*changedFlag() const = 0;
};

// The editors that exist in the program, each under the table it edits. An editor that is not
// registered is simply not asked; the registry does not own the editors.
class ControllerRefsEditors
{
public:
    void add(RefsEditorKind kind, ControllerRefsEditor* editor) { m_editors[kind] = editor; }
    ControllerRefsEditor* editor(RefsEditorKind kind) const;

    // The registered editors of the protocol's `rebindOrder` / `removalOrder`, in that order.
    std::vector<ControllerRefsEditor*> forRebind(ProtocolVariant protocol) const;
    std::vector<ControllerRefsEditor*> forRemoval(ProtocolVariant protocol) const;

private:
    std::vector<ControllerRefsEditor*> registered(const std::vector<RefsEditorKind>& kinds) const;

    std::map<RefsEditorKind, ControllerRefsEditor*> m_editors;
};

} // namespace veg
