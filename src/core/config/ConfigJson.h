#pragma once

#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>

namespace veg {

// A configuration as JSON, both ways: what `vegctl dump` prints and `vegctl import` reads.
//
// The object holds every member of the model under its own name: "Protocol" (0-4), the file
// state ("FileName", "IsNewFile", "IsReadBack", "HasFile", "Changed" with the fourteen changed
// flags), "Common", "Controllers" ({"Path", "NetNumber", "Present"}), "GroupParams" and the tables
// of the protocol, each an array of all its rows, a row an object of its record's fields (the
// references of a coil row nested as objects of Kind, NetNumber, ParamNumber and TaskNumber);
// numbers are decimal, texts as they stand, `AdrLong` and the passwords arrays of bytes.
namespace ConfigJson {

QJsonObject toJson(const GatewayConfig& config);

// A float as the shortest decimal text that reads back as the same float, not as the nearest
// double (0.1f is 0.1, not 0.10000000149011612).
QJsonValue real(float value);

struct ImportResult
{
    // One line per refused value, "PATH: reason" ("Common.AdrCAN: 256 вне диапазона поля
    // 0…255"), in the order of the JSON's fields. Empty when the configuration was taken.
    QStringList errors;

    bool ok() const { return errors.isEmpty(); }
};

// The inverse of toJson. Only "Protocol" is required: a missing key keeps what File -> New gives
// for the protocol (the general settings of a new configuration, empty rows, no controllers), so
// that a script writes only what it sets; an unknown key is refused, so that a misspelt one is
// never dropped unseen. A table, when given, has all of its rows. Refused: a value of the wrong
// type or outside its field, a text longer than the model keeps, a table of the wrong length, and
// a value the ".veg" file would not keep (a reload of the saved file gives another). A value that
// only an editor window would refuse when typed (ValueRules: a pulse of 0 s, an odd coil) is
// taken, as the file's own reader takes it, so that every configuration a file loads into imports
// again; the configuration check tells of it. The file state is the file's: "FileName",
// "IsNewFile", "HasFile", "Changed" and the controllers' "Present" are checked for their type only
// ("Present" is worked out from the path, as a load does), and "IsReadBack" decides the file's
// type ("Read" or "Input") as Save As does. On a refusal `config` is left as it was.
ImportResult fromJson(const QJsonObject& json, GatewayConfig& config, const LoadOptions& options);
// The same from the JSON text; a text that is not a JSON object is refused with its line and
// column.
ImportResult fromJson(const QByteArray& text, GatewayConfig& config, const LoadOptions& options);

} // namespace ConfigJson
} // namespace veg
