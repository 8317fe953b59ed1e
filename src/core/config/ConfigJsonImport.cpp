#include "core/config/ConfigJson.h"

#include "core/config/ConfigDiff.h"
#include "core/config/ConfigJsonFields.h"
#include "core/config/ConfigSchema.h"
#include "core/text/IniDocument.h"
#include "core/text/NumberText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <cfloat>
#include <cmath>
#include <limits>

// Reading a configuration from JSON (vegctl import): every value checked against what the model
// and the ".veg" file can hold; writing it is ConfigJson's.

namespace veg::ConfigJson {

namespace {

using ConfigSchema::Notation;

QString typeOf(const QJsonValue& v)
{
    switch (v.type()) {
    case QJsonValue::Bool:
        return QStringLiteral("логическое значение");
    case QJsonValue::Double:
        return QStringLiteral("число");
    case QJsonValue::String:
        return QStringLiteral("строка");
    case QJsonValue::Array:
        return QStringLiteral("массив");
    case QJsonValue::Object:
        return QStringLiteral("объект");
    default:
        return QStringLiteral("null");
    }
}

// A value as a message shows it: numbers and texts as they were written, containers by their type.
QString shown(const QJsonValue& v)
{
    switch (v.type()) {
    case QJsonValue::Double: {
        const double d = v.toDouble();
        if (std::isfinite(d) && std::trunc(d) == d && std::fabs(d) < 1e15)
            return QString::number(qint64(d));
        return QString::number(d, 'g', QLocale::FloatingPointShortest);
    }
    case QJsonValue::String: {
        QString s = v.toString();
        if (s.size() > 40)
            s = s.left(40) + u'…';
        return u'"' + s + u'"';
    }
    case QJsonValue::Bool:
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Array: {
        const QByteArray compact = QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact);
        return compact.size() <= 80 ? QString::fromUtf8(compact) : QStringLiteral("массив");
    }
    case QJsonValue::Object:
        return QStringLiteral("объект");
    case QJsonValue::Undefined:
        return QStringLiteral("нет значения");
    default:
        return QStringLiteral("null");
    }
}

// What the import has found so far: the refusals, and the fields the JSON gave.
struct ReadState
{
    QStringList errors;
    QSet<QString> given;

    void refuse(const QString& path, const QString& reason)
    {
        errors << path + QStringLiteral(": ") + reason;
    }
};

// An integer of lo...hi, or nullopt with the refusal noted.
std::optional<qint64> integer(const QJsonValue& v, const QString& path, qint64 lo, qint64 hi,
                              ReadState& st)
{
    if (!v.isDouble()) {
        st.refuse(path, QStringLiteral("%1 — %2, а нужно число %3…%4")
                            .arg(shown(v), typeOf(v))
                            .arg(lo)
                            .arg(hi));
        return std::nullopt;
    }
    const double d = v.toDouble();
    if (!std::isfinite(d) || std::trunc(d) != d) {
        st.refuse(path, QStringLiteral("%1 — не целое число").arg(shown(v)));
        return std::nullopt;
    }
    if (d < double(lo) || d > double(hi)) {
        st.refuse(path,
                  QStringLiteral("%1 вне диапазона поля %2…%3").arg(shown(v)).arg(lo).arg(hi));
        return std::nullopt;
    }
    return qint64(d);
}

// Reads the fields of one JSON object into a record; every key the record does not name is
// refused when the object is done.
class Reader
{
public:
    Reader(const QJsonObject& in, QString prefix, ReadState& st)
        : m_in(in), m_prefix(std::move(prefix)), m_st(st)
    {}

    QString path(const QString& name) const { return m_prefix + name; }

    // The value of `name`, undefined when the object does not have it; the key counts as known.
    QJsonValue take(const char* name)
    {
        const QString key = QLatin1String(name);
        m_known.insert(key);
        return m_in.value(key);
    }

    template <typename T> void number(const char* name, T& field, Notation)
    {
        const QJsonValue v = take(name);
        if (v.isUndefined())
            return;
        const QString p = path(QLatin1String(name));
        if (const auto n = integer(v, p, qint64(std::numeric_limits<T>::min()),
                                   qint64(std::numeric_limits<T>::max()), m_st)) {
            field = T(*n);
            m_st.given.insert(p);
        }
    }
    void flag(const char* name, bool& field)
    {
        const QJsonValue v = take(name);
        if (v.isUndefined())
            return;
        const QString p = path(QLatin1String(name));
        if (!v.isBool()) {
            m_st.refuse(p,
                        QStringLiteral("%1 — %2, а нужно true или false").arg(shown(v), typeOf(v)));
            return;
        }
        field = v.toBool();
        m_st.given.insert(p);
    }
    void text(const char* name, QString& field, Notation n, int maxLength)
    {
        const QJsonValue v = take(name);
        if (v.isUndefined())
            return;
        const QString p = path(QLatin1String(name));
        if (!v.isString()) {
            m_st.refuse(p, QStringLiteral("%1 — %2, а нужна строка").arg(shown(v), typeOf(v)));
            return;
        }
        const QString s = v.toString();
        if (maxLength >= 0 && s.size() > maxLength) {
            m_st.refuse(p, QStringLiteral("длина %1, а конфигурация хранит не больше %2 символов")
                               .arg(s.size())
                               .arg(maxLength));
            return;
        }
        field = n == Notation::ThreadName ? threadName(s) : s;
        m_st.given.insert(p);
    }
    void real(const char* name, float& field)
    {
        const QJsonValue v = take(name);
        if (v.isUndefined())
            return;
        const QString p = path(QLatin1String(name));
        if (!v.isDouble()) {
            m_st.refuse(p, QStringLiteral("%1 — %2, а нужно число").arg(shown(v), typeOf(v)));
            return;
        }
        const double d = v.toDouble();
        if (!std::isfinite(d) || std::fabs(d) > double(FLT_MAX)) {
            m_st.refuse(p, QStringLiteral("%1 не помещается в 32-битное число с плавающей точкой")
                               .arg(shown(v)));
            return;
        }
        field = float(d);
        m_st.given.insert(p);
    }
    template <std::size_t N>
    void bytes(const char* name, std::array<std::uint8_t, N>& field, Notation)
    {
        const QJsonValue v = take(name);
        if (v.isUndefined())
            return;
        const QString p = path(QLatin1String(name));
        if (!v.isArray() || v.toArray().size() != qsizetype(N)) {
            m_st.refuse(p, QStringLiteral("%1, а нужен массив из %2 байт")
                               .arg(v.isArray()
                                        ? QStringLiteral("массив длиной %1").arg(v.toArray().size())
                                        : shown(v) + QStringLiteral(" — ") + typeOf(v))
                               .arg(N));
            return;
        }
        const QJsonArray a = v.toArray();
        std::array<std::uint8_t, N> out{};
        bool ok = true;
        for (std::size_t i = 0; i < N; ++i) {
            const auto b =
                integer(a.at(qsizetype(i)), QStringLiteral("%1[%2]").arg(p).arg(i), 0, 255, m_st);
            ok = ok && b;
            if (b)
                out[i] = std::uint8_t(*b);
        }
        if (ok) {
            field = out;
            m_st.given.insert(p);
        }
    }
    void core(const char* name, ParamCore& c)
    {
        const QJsonValue v = take(name);
        if (v.isUndefined())
            return;
        const QString p = path(QLatin1String(name));
        if (!v.isObject()) {
            m_st.refuse(p, QStringLiteral("%1 — %2, а нужен объект с ключами Kind, NetNumber, "
                                          "ParamNumber и TaskNumber")
                               .arg(shown(v), typeOf(v)));
            return;
        }
        Reader sub(v.toObject(), p + u'.', m_st);
        ConfigSchema::visitCore(sub, c);
        sub.finish();
    }

    // Refuses every key that was not asked for; `elsewhere` may say more of a key than that it is
    // unknown.
    void finish(const std::function<QString(const QString& key)>& elsewhere = {})
    {
        for (auto it = m_in.begin(); it != m_in.end(); ++it) {
            if (m_known.contains(it.key()))
                continue;
            const QString why = elsewhere ? elsewhere(it.key()) : QString();
            m_st.refuse(path(it.key()), why.isEmpty() ? QStringLiteral("неизвестный ключ") : why);
        }
    }

private:
    const QJsonObject& m_in;
    QString m_prefix;
    ReadState& m_st;
    QSet<QString> m_known;
};

// A value of the file state: only its type is checked.
void stateValue(Reader& r, const char* name, QJsonValue::Type type, ReadState& st)
{
    const QJsonValue v = r.take(name);
    if (v.isUndefined() || v.type() == type)
        return;
    st.refuse(r.path(QLatin1String(name)),
              (type == QJsonValue::Bool ? QStringLiteral("%1 — %2, а нужно true или false")
                                        : QStringLiteral("%1 — %2, а нужна строка"))
                  .arg(shown(v), typeOf(v)));
}

void readChanged(Reader& top, ReadState& st)
{
    const QJsonValue v = top.take("Changed");
    if (v.isUndefined())
        return;
    if (!v.isObject()) {
        st.refuse(
            QStringLiteral("Changed"),
            QStringLiteral("%1 — %2, а нужен объект флагов изменений").arg(shown(v), typeOf(v)));
        return;
    }
    const QJsonObject o = v.toObject();
    Reader r(o, QStringLiteral("Changed."), st);
    for (const FlagName& f : kChangedFlags)
        stateValue(r, f.name, QJsonValue::Bool, st);
    r.finish();
}

// An object member of `top` read by `visit`; a value that is no object is refused.
template <typename Visit>
void readObject(Reader& top, const char* name, ReadState& st, Visit&& visit)
{
    const QJsonValue v = top.take(name);
    if (v.isUndefined())
        return;
    const QString p = QLatin1String(name);
    if (!v.isObject()) {
        st.refuse(p, QStringLiteral("%1 — %2, а нужен объект").arg(shown(v), typeOf(v)));
        return;
    }
    const QJsonObject o = v.toObject();
    Reader r(o, p + u'.', st);
    visit(r);
    r.finish();
}

void readControllers(Reader& top, GatewayConfig& c, const LoadOptions& options, ReadState& st)
{
    const QJsonValue v = top.take("Controllers");
    if (v.isUndefined())
        return;
    if (!v.isArray()) {
        st.refuse(QStringLiteral("Controllers"),
                  QStringLiteral("%1 — %2, а нужен массив контроллеров").arg(shown(v), typeOf(v)));
        return;
    }
    const QJsonArray a = v.toArray();
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QString p = QStringLiteral("Controllers[%1]").arg(i);
        if (!a.at(i).isObject()) {
            st.refuse(p, QStringLiteral("%1 — %2, а нужен объект с ключами Path и NetNumber")
                             .arg(shown(a.at(i)), typeOf(a.at(i))));
            continue;
        }
        const QJsonObject o = a.at(i).toObject();
        Reader r(o, p + u'.', st);
        QString path;
        std::uint8_t net = 0;
        r.text("Path", path, Notation::Text, -1);
        r.number("NetNumber", net, Notation::Hex2);
        stateValue(r, "Present", QJsonValue::Bool, st);
        r.finish();
        c.Controllers.push_back(makeController(path, net, options));
    }
}

// The rows of one table; the table keeps its length, so a JSON table of another length is
// refused whole.
template <typename Row>
void readTable(Reader& top, const char* name, std::vector<Row>& rows, ProtocolVariant protocol,
               ReadState& st)
{
    const QJsonValue v = top.take(name);
    if (v.isUndefined())
        return;
    const QString p = QLatin1String(name);
    if (!v.isArray()) {
        st.refuse(p, QStringLiteral("%1 — %2, а нужен массив строк таблицы (их %3)")
                         .arg(shown(v), typeOf(v))
                         .arg(rows.size()));
        return;
    }
    const QJsonArray a = v.toArray();
    if (a.size() != qsizetype(rows.size())) {
        st.refuse(p, QStringLiteral("строк в массиве %1, а в конфигурации %2 их %3")
                         .arg(a.size())
                         .arg(protocolName(protocol))
                         .arg(rows.size()));
        return;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QString rp = QStringLiteral("%1[%2]").arg(p).arg(i);
        if constexpr (std::is_same_v<Row, std::uint8_t>) {
            if (const auto n = integer(a.at(i), rp, 0, 255, st)) {
                rows[std::size_t(i)] = std::uint8_t(*n);
                st.given.insert(rp);
            }
        } else {
            if (!a.at(i).isObject()) {
                st.refuse(rp, QStringLiteral("%1 — %2, а нужен объект строки")
                                  .arg(shown(a.at(i)), typeOf(a.at(i))));
                continue;
            }
            const QJsonObject o = a.at(i).toObject();
            Reader r(o, rp + u'.', st);
            ConfigSchema::visitRow(r, rows[std::size_t(i)]);
            r.finish();
        }
    }
}

// A key of the top level that names a table of another protocol.
QString tableOfAnotherProtocol(const QString& key, ProtocolVariant protocol)
{
    for (int i = 0; i < kProtocolCount; ++i) {
        const auto other = ProtocolVariant(i);
        QString found;
        ConfigSchema::forEachTable(other, [&](const char* name, auto) {
            if (key == QLatin1String(name))
                found = protocolName(other);
        });
        if (!found.isEmpty() && other != protocol)
            return QStringLiteral("таблица протокола %1, а не %2")
                .arg(found, protocolName(protocol));
    }
    return {};
}

// Why the file does not keep a value the JSON gave, where the cause is a rule of the file.
QString notKeptBecause(const GatewayConfig& c, const QString& path)
{
    static const QRegularExpression rowPath(QStringLiteral("^(\\w+)\\[(\\d+)\\]"));
    const auto m = rowPath.match(path);
    if (path.startsWith(QStringLiteral("Common."))) {
        const QString field = path.mid(7);
        if (c.Protocol == ProtocolVariant::Hart && field == u"AdrLong")
            return QStringLiteral("файл хранит байты 2–4 длинного адреса, байты 0 и 1 "
                                  "всегда равны 0 и 2");
        if (c.Protocol == ProtocolVariant::UnkTm &&
            (field == u"TimeRes" || field == u"RTSoff" || field == u"RTSon") && !c.Common.Modem)
            return QStringLiteral("файл УНК ТМ хранит его только при включённом Modem");
        return QStringLiteral("файл %1 не хранит %2").arg(protocolName(c.Protocol), field);
    }
    if (!m.hasMatch())
        return {};
    const QString table = m.captured(1);
    const int row = m.captured(2).toInt();
    if (table == u"ModbusCoilTable" && row < int(c.ModbusCoilTable.size()) &&
        c.ModbusCoilTable[std::size_t(row)].Coil == 0xFFFF)
        return QStringLiteral("строка не используется (Coil 65535), а больше ничего из такой "
                              "строки файл не хранит");
    if (table == u"TcTuTable") {
        const int s = row / Rows::SignalsPerTcSubblock, n = row % Rows::SignalsPerTcSubblock;
        const int type = s < int(c.OkpSubblockTypes.size()) ? c.OkpSubblockTypes[std::size_t(s)]
                                                            : int(SubblockNone);
        static const QStringList types = {QStringLiteral("нет"), QStringLiteral("ТС"),
                                          QStringLiteral("ТУ")};
        const QString kind = types.value(type);
        if (type != SubblockTc && n >= Rows::OperationsPerTuSubblock)
            return QStringLiteral("подблок %1 — \"%2\": файл хранит только его строки 0…5")
                .arg(s)
                .arg(kind);
        if (type != SubblockTu && path.endsWith(QStringLiteral(".Extra")))
            return QStringLiteral("подблок %1 — \"%2\": файл хранит длительности импульса "
                                  "только у подблоков \"ТУ\"")
                .arg(s)
                .arg(kind);
    }
    return {};
}

// The values the JSON gave that the ".veg" file would not give back: the configuration is saved
// into a document in memory and loaded from it again.
void checkKeptByFile(const GatewayConfig& c, ReadState& st)
{
    IniDocument doc;
    WriteConfiguration(c, doc, true);
    GatewayConfig reloaded;
    if (!LoadConfiguration(reloaded, doc, QString(), LoadOptions{}).loaded()) {
        st.errors << QStringLiteral("Сохранённая конфигурация не загружается обратно");
        return;
    }
    DiffOptions options;
    options.fileType = false; // Save As's own rule: a read-back whose databases are all found
    for (const ConfigDifference& d : compareConfigs(c, reloaded, options)) {
        if (!st.given.contains(d.path))
            continue;
        QString reason =
            QStringLiteral("%1 не сохраняется в файле .veg (после повторной загрузки — %2)")
                .arg(shown(d.leftValue), shown(d.rightValue));
        const QString because = notKeptBecause(c, d.path);
        if (!because.isEmpty())
            reason += QStringLiteral(": ") + because;
        else if (d.leftValue.isString())
            reason +=
                QStringLiteral(": файл хранит тексты в кодировке Windows-1251, одной строкой, "
                               "без пробелов по краям");
        st.refuse(d.path, reason);
    }
}

// What is wrong with a text that is not JSON, in the words of the program's messages.
QString parseErrorText(QJsonParseError::ParseError error)
{
    switch (error) {
    case QJsonParseError::UnterminatedObject:
        return QStringLiteral("объект не закрыт");
    case QJsonParseError::MissingNameSeparator:
        return QStringLiteral("после имени ключа нет двоеточия");
    case QJsonParseError::UnterminatedArray:
        return QStringLiteral("массив не закрыт");
    case QJsonParseError::MissingValueSeparator:
        return QStringLiteral("между значениями нет запятой");
    case QJsonParseError::IllegalValue:
        return QStringLiteral("недопустимое значение");
    case QJsonParseError::TerminationByNumber:
        return QStringLiteral("текст обрывается на числе");
    case QJsonParseError::IllegalNumber:
        return QStringLiteral("недопустимое число");
    case QJsonParseError::IllegalEscapeSequence:
        return QStringLiteral("недопустимая escape-последовательность");
    case QJsonParseError::IllegalUTF8String:
        return QStringLiteral("строка не в UTF-8");
    case QJsonParseError::UnterminatedString:
        return QStringLiteral("строка не закрыта");
    case QJsonParseError::MissingObject:
        return QStringLiteral("нет объекта");
    case QJsonParseError::DeepNesting:
        return QStringLiteral("слишком глубокая вложенность");
    case QJsonParseError::DocumentTooLarge:
        return QStringLiteral("слишком большой документ");
    case QJsonParseError::GarbageAtEnd:
        return QStringLiteral("лишний текст после конца документа");
    case QJsonParseError::NoError:
        break;
    }
    return QStringLiteral("ошибка разбора");
}

} // namespace

ImportResult fromJson(const QJsonObject& json, GatewayConfig& config, const LoadOptions& options)
{
    ReadState st;
    const QJsonValue protocol = json.value(QStringLiteral("Protocol"));
    const QString protocols = QStringLiteral("0 Магистраль-1, 1 Modbus, 2 УНК ТМ, 3 HART, "
                                             "4 КТС Энергия");
    if (protocol.isUndefined()) {
        st.refuse(QStringLiteral("Protocol"),
                  QStringLiteral("обязательный ключ не задан; от него зависят таблицы (%1)")
                      .arg(protocols));
        return {st.errors};
    }
    const auto code = integer(protocol, QStringLiteral("Protocol"), 0, 255, st);
    if (!code)
        return {st.errors};
    if (*code >= kProtocolCount) {
        st.refuse(QStringLiteral("Protocol"),
                  QStringLiteral("%1 — не из списка протоколов (%2)").arg(*code).arg(protocols));
        return {st.errors};
    }

    // Built aside from what File -> New gives, and taken over only when nothing was refused.
    GatewayConfig c;
    c.Protocol = ProtocolVariant(*code);
    c.CreateFor(c.Protocol);
    c.ResetCommon();
    c.ClearControllers();
    c.IsNewFile = true;

    Reader top(json, QString(), st);
    top.take("Protocol");
    stateValue(top, "FileName", QJsonValue::String, st);
    stateValue(top, "IsNewFile", QJsonValue::Bool, st);
    stateValue(top, "HasFile", QJsonValue::Bool, st);
    readChanged(top, st);
    top.flag("IsReadBack", c.IsReadBack);
    readObject(top, "Common", st, [&](Reader& r) { ConfigSchema::visitCommon(r, c.Common); });
    readControllers(top, c, options, st);
    ConfigSchema::forEachTable(c.Protocol, [&](const char* name, auto member) {
        auto& table = c.*member;
        if constexpr (isBytes<std::remove_cvref_t<decltype(table)>>)
            top.bytes(name, table, Notation::HexBytes);
        else
            readTable(top, name, table, c.Protocol, st);
    });
    top.finish([&](const QString& key) { return tableOfAnotherProtocol(key, c.Protocol); });
    if (!st.errors.isEmpty())
        return {st.errors};

    // A value that only a window would refuse when typed (a pulse of 0 s, an odd coil) is held
    // by the model and the file, as a file's own reader gives it: vegctl check tells of it.
    checkKeptByFile(c, st);
    if (!st.errors.isEmpty())
        return {st.errors};
    config = std::move(c);
    return {};
}

ImportResult fromJson(const QByteArray& text, GatewayConfig& config, const LoadOptions& options)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        const QByteArray before = text.left(error.offset);
        const int line = int(before.count('\n')) + 1;
        const int column =
            int(QString::fromUtf8(before.mid(before.lastIndexOf('\n') + 1)).size()) + 1;
        return {{QStringLiteral("%1:%2: ошибка JSON: %3")
                     .arg(line)
                     .arg(column)
                     .arg(parseErrorText(error.error))}};
    }
    if (!doc.isObject())
        return {{QStringLiteral("В JSON нет объекта конфигурации")}};
    return fromJson(doc.object(), config, options);
}

} // namespace veg::ConfigJson
