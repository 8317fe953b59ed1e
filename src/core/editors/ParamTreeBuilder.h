#pragma once

#include "core/editors/ParamTree.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace veg {

class GatewayConfig;
class Task_CL;
struct ParamCandidate;
struct TaskRecord;

// What a parameter tree offers and how it shows it; each editor states its own.
struct TreeOptions
{
    // The editor's filter on one candidate of a task (TypeCode, length, the task's algorithm).
    // Empty: every candidate.
    std::function<bool(const Task_CL&, const TaskRecord&, const ParamCandidate&)> offer;
    bool shortTaskNames = false;  // task nodes show the short task names
    bool numberInText = true;     // parameter nodes end in " (№ " + four hex digits + ")"
    bool expandAll = false;       // every controller node expanded
    std::uint8_t expandNet = 255; // the controller node with this network number is expanded
    int onlyController = -1;      // one-controller trees: the index of that controller
    bool archiveDepth = false;    // parameter nodes carry their archive depth
};

// Fills `tree` with the controllers, their tasks that offer at least one candidate, and those
// candidates. False, with an empty tree, when the configuration has no controllers (the editor
// then says "Нет списка контроллеров!").
bool BuildParameterTree(ParamTree& tree, const GatewayConfig& config, const TreeOptions& options);

// The group tree: four roots "1 параметр" ... "4 параметр", each expanded, and under the root of
// every used slot one node for the slot's parameter. Returns whether some slot is used.
bool BuildGroupTree(ParamTree& tree, const GatewayConfig& config);

// Selects the node of a reference and asks for the tree's focus: with `kind` 255 the first node;
// otherwise the parameter node of the controller with `netNumber` (its task `taskNumber`, its
// parameter `paramNumber`), or the first node when it is not in the tree; the controller node
// when that controller has no database that was read. A network number that no controller has
// changes nothing (false).
bool LocateReference(ParamTree& tree, const GatewayConfig& config, std::uint8_t kind,
                     std::uint16_t taskNumber, std::uint16_t paramNumber, std::uint8_t netNumber);

// A controller's queue file name without its folder and without everything from its first ".".
QString queueName(const QString& queuePath);
// The text of a controller's node.
QString controllerNodeText(const GatewayConfig& config, int controller);
// The controller's text in the controller drop-downs: queue name (or "Контроллер " for a
// controller without database in a read-back), "( CAN-адрес - ", two hex digits, ")".
QString controllerListText(const GatewayConfig& config, int controller);

// The archive depth of a candidate: descriptor class 1: length / 24; classes 2 and 3: 1;
// any other class: 0 (not an archive parameter).
int archiveDepth(const Task_CL& database, const ParamCandidate& candidate);
// The archive depth of a parameter a row already holds: parameter `paramNumber` of the task
// `taskNumber` (of any task when that task does not hold it). None when the database has no such
// parameter.
std::optional<int> archiveDepthOf(const Task_CL& database, std::uint16_t taskNumber,
                                  std::uint16_t paramNumber);

// What placing the parameter node `node` writes into a row.
struct PlacedParam
{
    int controller = -1;
    std::uint8_t netNumber = 255;
    std::uint16_t taskNumber = 0xFFFF;
    std::uint16_t paramNumber = 0xFFFF;
    // Parameter text + "/" + task text + "(" + controller text + ")", at most 80 characters.
    QString name;
    // Bits 8-9 of the parameter's AttributeWord (3 held as 0); none when the lookup failed.
    std::optional<std::uint8_t> valueFormat;
    int archiveDepth = 0;
};
// The Kind of a row that carries the placed parameter's value format: the format when the lookup
// found it; otherwise what the row held, 0 for a row that was empty (Kind 255), so that a placed
// parameter never leaves its row looking empty.
std::uint8_t formatKind(std::uint8_t was, const PlacedParam& placed);
// None unless `node` is a parameter node of a parameter tree.
std::optional<PlacedParam> placedParameter(const ParamTree& tree, int node,
                                           const GatewayConfig& config);

} // namespace veg
