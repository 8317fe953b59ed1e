#include "core/config/ConfigDiff.h"

#include "core/config/ConfigFile.h"
#include "core/config/ConfigJson.h"
#include "core/config/ConfigSchema.h"
#include "core/text/NumberText.h"

#include <QJsonArray>

#include <algorithm>

namespace veg {

namespace {

using ConfigSchema::Notation;

// One field of one record, flattened: its path, its text in the comparison's notation and its
// value as the JSON holds it.
struct Leaf
{
    QString path;
    QString text;
    QJsonValue value;

    // Floats are the same when their shortest texts are: a NaN equals itself.
    bool same(const Leaf& o) const
    {
        return value == o.value || (value.isDouble() && o.value.isDouble() && text == o.text);
    }
};

QString quoted(const QString& s)
{
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        if (c == u'"' || c == u'\\')
            out += u'\\' + QString(c);
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar(u'0'));
        else
            out += c;
    }
    return out + u'"';
}

// A speed index: the speed it stands for; an index beyond the window's list (a file can give one)
// by its position and the file's text for it.
template <std::size_t N>
QString speedText(qint64 index, const std::array<int, N>& speeds, const QStringList& fileTable)
{
    if (index >= 0 && index < qint64(N))
        return QString::number(speeds[std::size_t(index)]);
    QString s = QStringLiteral("index %1").arg(index);
    if (index >= 0 && index < fileTable.size())
        s += QStringLiteral(" (file \"%1\")").arg(fileTable.at(index));
    return s;
}

QString numberText(qint64 v, Notation n)
{
    switch (n) {
    case Notation::Hex1:
        return NumberText::hex(std::uint32_t(v), 1);
    case Notation::Hex2:
        return NumberText::hex(std::uint32_t(v), 2);
    case Notation::Hex4:
        return NumberText::hex(std::uint32_t(v), 4);
    case Notation::CanSpeed:
        return speedText(v, kCanSpeedsKbit, fileCanSpeedTable());
    case Notation::LineSpeed:
        return speedText(v, kLineSpeedsBaud, fileLineSpeedTable());
    case Notation::SubblockType: {
        static const QStringList names = {QStringLiteral("нет"), QStringLiteral("ТС"),
                                          QStringLiteral("ТУ")};
        return v >= 0 && v < names.size() ? QStringLiteral("%1 (%2)").arg(v).arg(names.at(v))
                                          : QString::number(v);
    }
    default:
        return QString::number(v);
    }
}

template <std::size_t N> QString bytesText(const std::array<std::uint8_t, N>& b, Notation n)
{
    QStringList parts;
    // The long address is shown as the file stores it, its three user bytes, as long as its first
    // two bytes are the fixed 0 and 2.
    const bool userBytesOnly = n == Notation::AdrLong && N == 5 && b[0] == 0 && b[1] == 2;
    for (std::size_t i = userBytesOnly ? 2 : 0; i < N; ++i)
        parts << NumberText::hex(b[i], 2);
    return parts.join(n == Notation::HexBytes ? QString() : QStringLiteral(" "));
}

class Flattener
{
public:
    Flattener(QString prefix, std::vector<Leaf>& out) : m_prefix(std::move(prefix)), m_out(out) {}

    template <typename T> void number(const char* name, const T& v, Notation n)
    {
        add(name, numberText(qint64(v), n), qint64(v));
    }
    void flag(const char* name, bool v) { add(name, v ? QStringLiteral("YES") : QStringLiteral("NO"), v); }
    void text(const char* name, const QString& v, Notation n, int)
    {
        QString shown = v;
        if (n == Notation::ThreadName) {
            while (shown.endsWith(u' '))
                shown.chop(1);
        }
        add(name, quoted(shown), v);
    }
    void real(const char* name, float v)
    {
        add(name, NumberText::formatFloat(v, u'.'), ConfigJson::real(v));
    }
    template <std::size_t N>
    void bytes(const char* name, const std::array<std::uint8_t, N>& v, Notation n)
    {
        QJsonArray a;
        for (std::uint8_t b : v)
            a.append(int(b));
        add(name, bytesText(v, n), a);
    }
    void core(const char* name, const ParamCore& c)
    {
        Flattener sub(m_prefix + QLatin1String(name) + u'.', m_out);
        ConfigSchema::visitCore(sub, c);
    }

private:
    void add(const char* name, QString text, QJsonValue value)
    {
        m_out.push_back({m_prefix + QLatin1String(name), std::move(text), std::move(value)});
    }

    QString m_prefix;
    std::vector<Leaf>& m_out;
};

class Comparison
{
public:
    explicit Comparison(std::vector<ConfigDifference>& out) : m_out(out) {}

    void add(QString path, QString left, QString right, QJsonValue lv, QJsonValue rv)
    {
        m_out.push_back({std::move(path), std::move(left), std::move(right), std::move(lv),
                         std::move(rv)});
    }

    // Two lists of the same fields; `keep` picks the fields compared.
    template <typename Keep = bool (*)(const Leaf&)>
    void leaves(const std::vector<Leaf>& a, const std::vector<Leaf>& b, Keep keep = nullptr)
    {
        for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
            if ((!keep || keep(a[i])) && !a[i].same(b[i]))
                add(a[i].path, a[i].text, b[i].text, a[i].value, b[i].value);
        }
    }
    // A record that one side has and the other has not: each of its fields against "-".
    void oneSided(const std::vector<Leaf>& fields, bool left)
    {
        for (const Leaf& f : fields) {
            if (left)
                add(f.path, f.text, QStringLiteral("-"), f.value, QJsonValue::Undefined);
            else
                add(f.path, QStringLiteral("-"), f.text, QJsonValue::Undefined, f.value);
        }
    }

private:
    std::vector<ConfigDifference>& m_out;
};

template <typename Row> std::vector<Leaf> flatten(const QString& prefix, const Row& row)
{
    std::vector<Leaf> out;
    Flattener f(prefix, out);
    if constexpr (std::is_same_v<Row, std::uint8_t>)
        out.push_back({prefix.chopped(1), numberText(row, Notation::SubblockType), int(row)});
    else if constexpr (std::is_same_v<Row, CommonSettings>)
        ConfigSchema::visitCommon(f, row);
    else
        ConfigSchema::visitRow(f, row);
    return out;
}

std::vector<Leaf> flattenController(const QString& prefix, const ControllerEntry& e,
                                    bool withPath)
{
    std::vector<Leaf> out;
    Flattener f(prefix, out);
    if (withPath)
        f.text("Path", e.QueuePath, Notation::Text, -1);
    f.number("NetNumber", e.NetNumber, Notation::Hex2);
    return out;
}

// The general settings that every protocol's file keeps: the ones two configurations of
// different protocols still share.
bool keptByEveryProtocol(const Leaf& leaf)
{
    static const QStringList names = {
        QStringLiteral("Common.AdrCAN"), QStringLiteral("Common.V_CAN"),
        QStringLiteral("Common.V_Ext"),  QStringLiteral("Common.RBit"),
        QStringLiteral("Common.TBit"),   QStringLiteral("Common.tbegin"),
        QStringLiteral("Common.trepeat"), QStringLiteral("Common.TimeR_T")};
    return names.contains(leaf.path);
}

QString fileType(bool readBack)
{
    return readBack ? QStringLiteral("Read") : QStringLiteral("Input");
}

} // namespace

QString ConfigDifference::text() const
{
    return path + QStringLiteral(": ") + left + QStringLiteral(" -> ") + right;
}

namespace {

// The caption of the window that shows a table, or a record outside the tables.
QString windowOf(const QString& table)
{
    static const std::pair<const char*, const char*> captions[] = {
        {"Protocol", "Протокол"},
        {"IsReadBack", "Тип файла"},
        {"Common", "Общие настройки"},
        {"Controllers", "Список контроллеров"},
        {"GroupParams", "Настройка групповых параметров"},
        {"OkpSubblockTypes", "Настройка обычного КП"},
        {"TcTuTable", "Настройка обычного КП"},
        {"IkpTable", "Интеллектуальное КП"},
        {"ModbusCoilTable", "Телеуправление"},
        {"ModbusTcTable", "Телесигнализация"},
        {"TiFloatTable", "ТИ с плавающей точкой"},
        {"UnkThreads", "Вычислитель"},
        {"ParoleWr", "Вычислитель"},
        {"HartDevices", "Настройка параметров"},
        {"KtsGroups", "Гребёнка"},
        {"KtsSignals", "Настройка ТС"},
    };
    for (const auto& [name, caption] : captions)
        if (table == QLatin1String(name))
            return QString::fromUtf8(caption);
    return table;
}

} // namespace

QString ConfigDifference::inWords(const QString& leftName, const QString& rightName) const
{
    // "Table[12].Field.Sub" -> table, row 13, field "Field.Sub".
    QString table = path.section(u'.', 0, 0);
    QString field = path.section(u'.', 1);
    QString row;
    const qsizetype bracket = table.indexOf(u'[');
    if (bracket > 0 && table.endsWith(u']')) {
        const int index = table.mid(bracket + 1, table.size() - bracket - 2).toInt();
        const QString name = table.left(bracket);
        if (name == QLatin1String("UnkThreads"))
            row = QStringLiteral("нитка %1").arg(index + 1);
        else if (name == QLatin1String("Controllers"))
            row = QStringLiteral("контроллер %1").arg(index + 1);
        else
            row = QStringLiteral("строка %1").arg(index + 1);
        table = name;
    }
    QStringList where{windowOf(table)};
    if (!row.isEmpty())
        where << row;
    if (!field.isEmpty())
        where << field;
    return where.join(QStringLiteral(", ")) + QStringLiteral(": ") + rightName + u' ' + right +
           QStringLiteral(", ") + leftName + u' ' + left;
}

std::vector<ConfigDifference> compareConfigs(const GatewayConfig& a, const GatewayConfig& b,
                                             const DiffOptions& options)
{
    std::vector<ConfigDifference> out;
    Comparison cmp(out);
    const bool sameProtocol = a.Protocol == b.Protocol;
    if (!sameProtocol)
        cmp.add(QStringLiteral("Protocol"), protocolName(a.Protocol), protocolName(b.Protocol),
                int(a.Protocol), int(b.Protocol));
    if (options.fileType && a.IsReadBack != b.IsReadBack)
        cmp.add(QStringLiteral("IsReadBack"), fileType(a.IsReadBack), fileType(b.IsReadBack),
                a.IsReadBack, b.IsReadBack);

    const QString common = QStringLiteral("Common.");
    cmp.leaves(flatten(common, a.Common), flatten(common, b.Common),
               sameProtocol ? nullptr : keptByEveryProtocol);

    if (options.controllers) {
        const bool paths = options.controllerPaths;
        const std::size_t n = std::max(a.Controllers.size(), b.Controllers.size());
        for (std::size_t i = 0; i < n; ++i) {
            const QString prefix = QStringLiteral("Controllers[%1].").arg(i);
            if (i >= a.Controllers.size())
                cmp.oneSided(flattenController(prefix, b.Controllers[i], paths), false);
            else if (i >= b.Controllers.size())
                cmp.oneSided(flattenController(prefix, a.Controllers[i], paths), true);
            else
                cmp.leaves(flattenController(prefix, a.Controllers[i], paths),
                           flattenController(prefix, b.Controllers[i], paths));
        }
    }
    if (!sameProtocol)
        return out;

    ConfigSchema::forEachTable(a.Protocol, [&](const char* name, auto member) {
        const auto& ta = a.*member;
        const auto& tb = b.*member;
        using Table = std::remove_cvref_t<decltype(ta)>;
        if constexpr (std::is_same_v<Table, Password>) {
            std::vector<Leaf> la, lb;
            Flattener(QString(), la).bytes(name, ta, Notation::HexBytes);
            Flattener(QString(), lb).bytes(name, tb, Notation::HexBytes);
            cmp.leaves(la, lb);
        } else {
            // Tables of one protocol have the same rows; rows only one side has are its own.
            const std::size_t n = std::max(ta.size(), tb.size());
            for (std::size_t i = 0; i < n; ++i) {
                const QString prefix = QStringLiteral("%1[%2].").arg(QLatin1String(name)).arg(i);
                if (i >= ta.size())
                    cmp.oneSided(flatten(prefix, tb[i]), false);
                else if (i >= tb.size())
                    cmp.oneSided(flatten(prefix, ta[i]), true);
                else
                    cmp.leaves(flatten(prefix, ta[i]), flatten(prefix, tb[i]));
            }
        }
    });
    return out;
}

} // namespace veg
