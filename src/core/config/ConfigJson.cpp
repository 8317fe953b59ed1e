#include "core/config/ConfigJson.h"

#include "core/config/ConfigJsonFields.h"
#include "core/config/ConfigSchema.h"
#include "core/text/NumberText.h"

#include <QJsonArray>

// Writing a configuration as JSON (vegctl dump); reading it back is ConfigJsonImport's.

namespace veg::ConfigJson {

namespace {

using ConfigSchema::Notation;

template <std::size_t N> QJsonArray byteArray(const std::array<std::uint8_t, N>& bytes)
{
    QJsonArray out;
    for (std::uint8_t b : bytes)
        out.append(int(b));
    return out;
}

class Writer
{
public:
    QJsonObject out;

    template <typename T> void number(const char* name, const T& v, Notation)
    {
        out.insert(QLatin1String(name), qint64(v));
    }
    void flag(const char* name, bool v) { out.insert(QLatin1String(name), v); }
    void text(const char* name, const QString& v, Notation, int)
    {
        out.insert(QLatin1String(name), v);
    }
    void real(const char* name, float v) { out.insert(QLatin1String(name), ConfigJson::real(v)); }
    template <std::size_t N>
    void bytes(const char* name, const std::array<std::uint8_t, N>& v, Notation)
    {
        out.insert(QLatin1String(name), byteArray(v));
    }
    void core(const char* name, const ParamCore& c)
    {
        Writer w;
        ConfigSchema::visitCore(w, c);
        out.insert(QLatin1String(name), w.out);
    }
};

template <typename Row> QJsonValue rowJson(const Row& row)
{
    if constexpr (std::is_same_v<Row, std::uint8_t>) {
        return int(row);
    } else {
        Writer w;
        ConfigSchema::visitRow(w, row);
        return w.out;
    }
}

} // namespace

QJsonValue real(float value)
{
    return NumberText::formatFloat(value, u'.').toDouble();
}

QJsonObject toJson(const GatewayConfig& c)
{
    QJsonObject o;
    o["Protocol"] = int(c.Protocol);
    o["FileName"] = c.FileName;
    o["IsNewFile"] = c.IsNewFile;
    o["IsReadBack"] = c.IsReadBack;
    o["HasFile"] = c.HasFile;

    Writer common;
    ConfigSchema::visitCommon(common, c.Common);
    o["Common"] = common.out;

    QJsonArray controllers;
    for (const ControllerEntry& e : c.Controllers)
        controllers.append(
            QJsonObject{{"Path", e.QueuePath}, {"NetNumber", e.NetNumber}, {"Present", e.Present}});
    o["Controllers"] = controllers;

    // Every protocol has group parameters; a configuration without a protocol shows none.
    if (c.Protocol == ProtocolVariant::None)
        o["GroupParams"] = QJsonArray();
    ConfigSchema::forEachTable(c.Protocol, [&](const char* name, auto member) {
        const auto& table = c.*member;
        if constexpr (isBytes<std::remove_cvref_t<decltype(table)>>) {
            o.insert(QLatin1String(name), byteArray(table));
        } else {
            QJsonArray rows;
            for (const auto& row : table)
                rows.append(rowJson(row));
            o.insert(QLatin1String(name), rows);
        }
    });

    QJsonObject changed;
    for (const FlagName& f : kChangedFlags)
        changed.insert(QLatin1String(f.name), c.Changed.*(f.flag));
    o["Changed"] = changed;
    return o;
}

} // namespace veg::ConfigJson
