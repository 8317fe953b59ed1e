#include "dbbuilder/DatabaseBuilder.h"

#include "core/database/DatabaseRecords.h"
#include "core/database/DatabaseSource.h"
#include "core/text/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <optional>

namespace vegdb {

using namespace veg::DbLayout;

namespace {

// A number written as text: decimal, or hexadecimal after "0x" or "0X", with an optional sign.
// A leading zero does not make it octal, as it would in C: "010" is ten.
std::optional<qint64> parseNumberText(QString text)
{
    text = text.trimmed();
    bool negative = false;
    if (text.startsWith('-') || text.startsWith('+')) {
        negative = text.front() == '-';
        text.remove(0, 1);
    }
    int base = 10;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        text.remove(0, 2);
    }
    if (text.isEmpty())
        return std::nullopt;
    for (const QChar ch : text) {
        const bool decimal = ch >= '0' && ch <= '9';
        const bool hex = decimal || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
        const bool digit = base == 16 ? hex : decimal;
        if (!digit)
            return std::nullopt;
    }
    bool ok = false;
    const qint64 n = text.toLongLong(&ok, base);
    if (!ok)
        return std::nullopt;
    return negative ? -n : n;
}

// The first error wins; every writer below checks `failed()` and stops.
class Composer
{
public:
    explicit Composer(DatabaseFiles& files) : m_files(files) {}

    bool failed() const { return !m_error.isEmpty(); }
    BuildResult result() const { return {!failed(), m_error}; }

    void fail(const QString& where, const QString& what)
    {
        if (m_error.isEmpty())
            m_error = where + ": " + what;
    }

    std::optional<qint64> number(const QJsonObject& o, const char* key, const QString& where,
                                 std::optional<qint64> fallback, qint64 min, qint64 max)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        qint64 n = 0;
        if (v.isUndefined() || v.isNull()) {
            if (!fallback)
                fail(where, QStringLiteral("\"%1\" is missing").arg(key));
            return fallback;
        }
        if (v.isDouble()) {
            const double d = v.toDouble();
            n = qint64(d);
            if (double(n) != d) {
                fail(where, QStringLiteral("\"%1\" is not an integer").arg(key));
                return std::nullopt;
            }
        } else if (v.isString()) {
            const std::optional<qint64> parsed = parseNumberText(v.toString());
            if (!parsed) {
                fail(where, QStringLiteral("\"%1\" is not a number: %2").arg(key, v.toString()));
                return std::nullopt;
            }
            n = *parsed;
        } else if (v.isBool()) {
            n = v.toBool() ? 1 : 0;
        } else {
            fail(where, QStringLiteral("\"%1\" is not a number").arg(key));
            return std::nullopt;
        }
        if (n < min || n > max) {
            fail(where,
                 QStringLiteral("\"%1\" = %2 is outside %3…%4").arg(key).arg(n).arg(min).arg(max));
            return std::nullopt;
        }
        return n;
    }

    // A flag is JSON true or false: anything else is refused rather than read as false.
    bool flag(const QJsonObject& o, const char* key, const QString& where, bool fallback)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull())
            return fallback;
        if (!v.isBool()) {
            fail(where, QStringLiteral("\"%1\" is not true or false").arg(key));
            return fallback;
        }
        return v.toBool();
    }

    quint16 u16(const QJsonObject& o, const char* key, const QString& where,
                std::optional<qint64> fallback = 0)
    {
        return quint16(number(o, key, where, fallback, 0, 0xFFFF).value_or(0));
    }
    quint8 u8(const QJsonObject& o, const char* key, const QString& where,
              std::optional<qint64> fallback = 0)
    {
        return quint8(number(o, key, where, fallback, 0, 0xFF).value_or(0));
    }

    static void putU16(QByteArray& bytes, int offset, quint16 value)
    {
        bytes[offset] = char(value & 0xFF);
        bytes[offset + 1] = char(value >> 8);
    }

    void putText(QByteArray& bytes, int offset, int capacity, const QString& text,
                 const QString& where)
    {
        const QByteArray encoded = veg::Cp1251::encode(text);
        if (encoded.size() > capacity) {
            fail(where,
                 QStringLiteral("\"%1\" is longer than %2 characters").arg(text).arg(capacity));
            return;
        }
        bytes[offset] = char(encoded.size());
        for (int i = 0; i < encoded.size(); ++i)
            bytes[offset + 1 + i] = encoded[i];
    }

    static QString numbered(QString text, int i)
    {
        return text.replace(QLatin1String("%1"), QString::number(i));
    }

    void add(const QString& path, QByteArray bytes, const QJsonObject& o, const QString& where)
    {
        if (o.contains(QLatin1String("truncate"))) {
            const auto keep = number(o, "truncate", where, 0, 0, bytes.size());
            bytes.truncate(qsizetype(keep.value_or(bytes.size())));
        }
        if (m_files.count(path))
            fail(where, QStringLiteral("the file %1 is described twice").arg(path));
        m_files[path] = std::move(bytes);
    }

    // Descriptor lengths of the described algorithms, to lay out text-valued parameters.
    std::map<std::pair<quint16, quint16>, quint16> textLengths;

    void algorithm(const QJsonObject& a, const QString& algDir, int index);
    void module(const QJsonObject& m, const QString& modDir, int index);
    QByteArray queueBody(const QJsonObject& q, const QString& where);

private:
    DatabaseFiles& m_files;
    QString m_error;
};

QString joinPath(const QString& a, const QString& b)
{
    if (a.isEmpty())
        return QDir::cleanPath(b);
    if (b.isEmpty())
        return QDir::cleanPath(a);
    return QDir::cleanPath(a + '/' + b);
}

void Composer::algorithm(const QJsonObject& a, const QString& algDir, int index)
{
    const QString where = QStringLiteral("algorithms[%1]").arg(index);
    const quint16 number = u16(a, "number", where, std::nullopt);
    QByteArray header(AlgorithmHeaderSize, '\0');
    putText(header, AlgorithmLongName, AlgorithmLongNameCapacity, a.value("longName").toString(),
            where);
    putText(header, AlgorithmShortName, AlgorithmShortNameCapacity, a.value("shortName").toString(),
            where);
    putU16(header, AlgorithmNumber, number);

    QByteArray descriptors;
    int written = 0;
    const QJsonArray list = a.value("descriptors").toArray();
    for (int i = 0; i < list.size() && !failed(); ++i) {
        const QJsonObject d = list[i].toObject();
        const QString dw = QStringLiteral("%1.descriptors[%2]").arg(where).arg(i);
        const int repeat = int(this->number(d, "repeat", dw, 1, 1, 0xFFFF).value_or(1));
        const quint16 first = u16(d, "number", dw, std::nullopt);
        const quint16 length = u16(d, "length", dw);
        const quint8 type = u8(d, "type", dw);
        const quint8 cls = u8(d, "class", dw);
        const quint8 kind = u8(d, "kind", dw);
        const quint8 format = u8(d, "format", dw);
        const bool service = flag(d, "service", dw, false);
        const bool array = flag(d, "array", dw, false);
        if (cls > 15 || kind > 15 || format > 7)
            fail(dw, "\"class\" and \"kind\" take 0…15, \"format\" 0…7");
        for (int k = 1; k <= repeat && !failed(); ++k) {
            QByteArray r(DescriptorSize, '\0');
            const quint16 n = quint16(first + k - 1);
            const quint16 owner = u16(d, "algorithm", dw, number);
            putU16(r, DescriptorAlgorithm, owner);
            putU16(r, DescriptorNumber, n);
            putText(r, DescriptorLongName, DescriptorLongNameCapacity,
                    numbered(d.value("longName").toString(), k), dw);
            putU16(r, DescriptorLength, length);
            putText(r, DescriptorShortName, DescriptorShortNameCapacity,
                    numbered(d.value("shortName").toString(), k), dw);
            r[DescriptorSubtype] = char(u8(d, "subtype", dw));
            r[DescriptorType] = char(type);
            r[DescriptorKind] = char((cls << 4) | kind);
            r[DescriptorService] = char(service ? 1 : 0);
            r[DescriptorArray] = char((array ? 1 : 0) | (format << 1));
            descriptors.append(r);
            ++written;
            if (service && array)
                textLengths.emplace(std::pair{owner, n}, length);
        }
    }
    putU16(header, AlgorithmDescriptorCount,
           u16(a, "count", where, written > 0xFFFF ? 0xFFFF : written));
    const QString file =
        a.contains("file") ? a.value("file").toString() : veg::databaseFileStem(number) + ".ALG";
    if (!failed())
        add(joinPath(joinPath(algDir, a.value("dir").toString()), file), header + descriptors, a,
            where);
}

void Composer::module(const QJsonObject& m, const QString& modDir, int index)
{
    const QString where = QStringLiteral("modules[%1]").arg(index);
    const quint16 code = u16(m, "code", where, std::nullopt);
    const QJsonArray list = m.value("algorithms").toArray();
    QByteArray bytes(ModuleHeaderSize, '\0');
    for (int i = 0; i < list.size() && !failed(); ++i) {
        QJsonObject holder{{"algorithm", list[i]}};
        QByteArray entry(ModuleEntrySize, '\0');
        putU16(entry, ModuleEntryAlgorithm,
               u16(holder, "algorithm", QStringLiteral("%1.algorithms[%2]").arg(where).arg(i),
                   std::nullopt));
        bytes.append(entry);
    }
    putU16(bytes, ModuleEntryCount, u16(m, "count", where, list.size()));
    if (!failed())
        add(joinPath(modDir, veg::databaseFileStem(code) + ".mod"), bytes, m, where);
}

QByteArray Composer::queueBody(const QJsonObject& q, const QString& where)
{
    QByteArray bytes(QueueHeaderSize, '\0');
    putU16(bytes, QueueNetNumber, u16(q, "netNumber", where));
    putU16(bytes, QueueModuleCode, u16(q, "moduleCode", where));
    const QJsonArray tasks = q.value("tasks").toArray();
    putU16(bytes, QueueTaskCount, u16(q, "taskCount", where, tasks.size()));

    for (int t = 0; t < tasks.size() && !failed(); ++t) {
        const QJsonObject task = tasks[t].toObject();
        const QString tw = QStringLiteral("%1.tasks[%2]").arg(where).arg(t);
        const quint16 algorithm = u16(task, "algorithm", tw);
        QByteArray record(TaskRecordSize, '\0');
        putText(record, TaskLongName, TaskLongNameCapacity, task.value("longName").toString(), tw);
        putText(record, TaskShortName, TaskShortNameCapacity, task.value("shortName").toString(),
                tw);
        putU16(record, TaskNumber,
               quint16(qint16(number(task, "number", tw, 0, -32768, 32767).value_or(0))));
        putU16(record, TaskAlgorithm, algorithm);
        putU16(record, TaskAttributeWord, u16(task, "attributeWord", tw));
        const bool inUse = flag(task, "inUse", tw, true);
        record[TaskFlags] = char(u8(task, "flags", tw, inUse ? veg::TaskInUse : 0));

        QByteArray params;
        int written = 0;
        const QJsonArray list = task.value("params").toArray();
        for (int i = 0; i < list.size() && !failed(); ++i) {
            const QJsonObject p = list[i].toObject();
            const QString pw = QStringLiteral("%1.params[%2]").arg(tw).arg(i);
            const int repeat = int(number(p, "repeat", pw, 1, 1, 0xFFFF).value_or(1));
            const quint16 firstNumber = u16(p, "number", pw);
            const quint16 firstDescriptor = u16(p, "descriptor", pw);
            for (int k = 1; k <= repeat && !failed(); ++k) {
                QByteArray r(ParamRecordSize, '\0');
                const quint16 descriptor = quint16(firstDescriptor + k - 1);
                putText(r, ParamLongName, ParamLongNameCapacity,
                        numbered(p.value("longName").toString(), k), pw);
                putText(r, ParamShortName, ParamShortNameCapacity,
                        numbered(p.value("shortName").toString(), k), pw);
                putU16(r, ParamAttributeWord, u16(p, "attributeWord", pw));
                putU16(r, ParamDescriptorNumber, descriptor);
                ++written;
                if (!p.contains("text")) {
                    putU16(r, ParamNumber, quint16(firstNumber + k - 1));
                    putU16(r, ParamFormat, u16(p, "format", pw));
                    params.append(r);
                    continue;
                }
                QByteArray chars = veg::Cp1251::encode(p.value("text").toString());
                const auto known = textLengths.find({algorithm, descriptor});
                const int length = known != textLengths.end() ? known->second : chars.size();
                const int records =
                    std::max(1, (length + TextCharsPerRecord - 1) / TextCharsPerRecord);
                chars = chars.left(length);
                chars.resize(records * TextCharsPerRecord, '\0');
                for (int c = 0; c < records; ++c) {
                    for (int b = 0; b < TextCharsPerRecord; ++b)
                        r[ParamNumber + b] = chars[c * TextCharsPerRecord + b];
                    params.append(r);
                }
            }
        }
        putU16(record, TaskParamCount, u16(task, "paramCount", tw, written));
        bytes.append(record);
        bytes.append(params);
    }
    return bytes;
}

} // namespace

BuildResult composeDatabase(const QJsonObject& description, DatabaseFiles& files)
{
    Composer c(files);
    const QJsonObject dirs = description.value("directories").toObject();
    const QString algDir = dirs.value("alg").toString("ALG");
    const QString modDir = dirs.value("mod").toString("MOD");
    const QString tskDir = dirs.value("tsk").toString("TASK");

    const QJsonArray algorithms = description.value("algorithms").toArray();
    for (int i = 0; i < algorithms.size() && !c.failed(); ++i)
        c.algorithm(algorithms[i].toObject(), algDir, i);
    const QJsonArray modules = description.value("modules").toArray();
    for (int i = 0; i < modules.size() && !c.failed(); ++i)
        c.module(modules[i].toObject(), modDir, i);
    const QJsonArray templates = description.value("templates").toArray();
    for (int i = 0; i < templates.size() && !c.failed(); ++i) {
        const QJsonObject t = templates[i].toObject();
        const QString where = QStringLiteral("templates[%1]").arg(i);
        const quint16 code = c.u16(t, "code", where, std::nullopt);
        const QByteArray bytes = c.queueBody(t, where);
        if (!c.failed())
            c.add(joinPath(tskDir, veg::databaseFileStem(code) + ".tsk"), bytes, t, where);
    }
    const QJsonArray queues = description.value("queues").toArray();
    for (int i = 0; i < queues.size() && !c.failed(); ++i) {
        const QJsonObject q = queues[i].toObject();
        const QString where = QStringLiteral("queues[%1]").arg(i);
        const QString file = q.value("file").toString();
        if (file.isEmpty()) {
            c.fail(where, "\"file\" is missing");
            break;
        }
        const QByteArray bytes = c.queueBody(q, where);
        if (!c.failed())
            c.add(QDir::cleanPath(file), bytes, q, where);
    }
    return c.result();
}

BuildResult buildDatabase(const QJsonObject& description, const QString& outDir)
{
    DatabaseFiles files;
    BuildResult r = composeDatabase(description, files);
    if (!r.Ok)
        return r;
    const QDir out(outDir);
    for (const auto& [relative, bytes] : files) {
        const QString path = out.filePath(relative);
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return {false, QStringLiteral("%1: cannot create the directory").arg(path)};
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            return {false, QStringLiteral("%1: %2").arg(path, file.errorString())};
    }
    return {true, {}};
}

BuildResult buildDatabaseFromFile(const QString& descriptionPath, const QString& outDir)
{
    QFile file(descriptionPath);
    if (!file.open(QIODevice::ReadOnly))
        return {false, QStringLiteral("%1: %2").arg(descriptionPath, file.errorString())};
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        return {false, QStringLiteral("%1: offset %2: %3")
                           .arg(descriptionPath)
                           .arg(error.offset)
                           .arg(error.errorString())};
    if (!doc.isObject())
        return {false, descriptionPath + ": the description must be a JSON object"};
    return buildDatabase(doc.object(), outDir);
}

} // namespace vegdb
