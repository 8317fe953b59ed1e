#include "core/text/IniDocument.h"

#include "core/text/Cp1251.h"

#include <QFile>
#include <QSaveFile>

namespace veg {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

// Narrows [off, off+len) of `text` to its content without surrounding blanks.
void trim(std::string_view text, std::uint32_t& off, std::uint32_t& len)
{
    while (len > 0 && isBlank(text[off])) {
        ++off;
        --len;
    }
    while (len > 0 && isBlank(text[off + len - 1]))
        --len;
}

// Names and values are single-line texts: a line break written into the file would turn the
// rest of a value into lines of their own.
std::string singleLine(const QString& text)
{
    std::string out;
    Cp1251::encodeAppend(text, out);
    for (char& c : out) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return out;
}

} // namespace

IniDocument::IniDocument()
{
    m_sections.emplace_back(); // the lines before the first heading
}

IniDocument IniDocument::fromBytes(const QByteArray& bytes)
{
    IniDocument doc;
    doc.m_arena.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    doc.parse();
    return doc;
}

IniDocument IniDocument::fromFile(const QString& path, FileStatus* status, QString* error)
{
    auto set = [&](FileStatus s, const QString& message) {
        if (status)
            *status = s;
        if (error)
            *error = message;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            set(FileStatus::Missing, QString());
        else
            set(FileStatus::Failed, QStringLiteral("Не удалось открыть файл %1: %2")
                                        .arg(path, file.errorString()));
        return IniDocument();
    }
    if (file.size() > kMaxFileSize) {
        set(FileStatus::Failed, QStringLiteral("Файл %1 слишком велик").arg(path));
        return IniDocument();
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        set(FileStatus::Failed, QStringLiteral("Не удалось прочитать файл %1: %2")
                                    .arg(path, file.errorString()));
        return IniDocument();
    }
    set(FileStatus::Ok, QString());
    return fromBytes(bytes);
}

void IniDocument::parse()
{
    m_sections.clear();
    m_sections.emplace_back();
    const std::string_view text(m_arena);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        const bool last = end == std::string_view::npos;
        if (last)
            end = text.size();
        std::uint32_t lineLen = static_cast<std::uint32_t>(end - pos);
        if (lineLen > 0 && text[pos + lineLen - 1] == '\r')
            --lineLen;
        const auto lineOff = static_cast<std::uint32_t>(pos);
        pos = last ? text.size() : end + 1;

        std::uint32_t off = lineOff, len = lineLen;
        trim(text, off, len);
        if (len > 0 && text[off] == '[') {
            Section s;
            s.hasHeading = true;
            s.heading = {lineOff, lineLen};
            std::uint32_t nameOff = off + 1;
            const std::size_t close = text.substr(0, off + len).find(']', nameOff);
            std::uint32_t nameLen = static_cast<std::uint32_t>(
                (close == std::string_view::npos ? off + len : close) - nameOff);
            trim(text, nameOff, nameLen);
            s.name = {nameOff, nameLen};
            m_sections.push_back(std::move(s));
            continue;
        }
        Line line;
        line.text = {lineOff, lineLen};
        if (len > 0 && text[off] != ';') {
            const std::size_t eq = text.substr(0, off + len).find('=', off);
            if (eq != std::string_view::npos) {
                std::uint32_t keyOff = off, keyLen = static_cast<std::uint32_t>(eq - off);
                trim(text, keyOff, keyLen);
                std::uint32_t valOff = static_cast<std::uint32_t>(eq + 1);
                std::uint32_t valLen = off + len - valOff;
                trim(text, valOff, valLen);
                line.isEntry = true;
                line.key = {keyOff, keyLen};
                line.value = {valOff, valLen};
            }
        }
        m_sections.back().lines.push_back(line);
    }
    rebuildSectionIndex();
}

std::uint32_t IniDocument::append(std::string_view text)
{
    const auto off = static_cast<std::uint32_t>(m_arena.size());
    m_arena.append(text);
    return off;
}

QString IniDocument::decoded(Span s) const
{
    return Cp1251::decode(QByteArrayView(m_arena.data() + s.off, s.len));
}

std::string IniDocument::encodeName(const QString& name)
{
    std::string out = singleLine(name.trimmed());
    for (char& c : out)
        c = static_cast<char>(Cp1251::foldCase(static_cast<unsigned char>(c)));
    return out;
}

std::uint64_t IniDocument::foldedHash(std::string_view name)
{
    std::uint64_t h = 1469598103934665603ULL;
    for (char c : name) {
        h ^= Cp1251::foldCase(static_cast<unsigned char>(c));
        h *= 1099511628211ULL;
    }
    return h;
}

bool IniDocument::foldedEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Cp1251::foldCase(static_cast<unsigned char>(a[i])) !=
            Cp1251::foldCase(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

void IniDocument::rebuildSectionIndex()
{
    m_sectionIndex.clear();
    for (std::uint32_t i = 1; i < m_sections.size(); ++i)
        m_sectionIndex.try_emplace(foldedHash(view(m_sections[i].name)), i);
}

int IniDocument::findSection(std::string_view encodedName) const
{
    const auto it = m_sectionIndex.find(foldedHash(encodedName));
    if (it != m_sectionIndex.end() && foldedEqual(view(m_sections[it->second].name), encodedName))
        return static_cast<int>(it->second);
    if (it == m_sectionIndex.end())
        return -1;
    // Two names with one hash: fall back to a scan.
    for (std::size_t i = 1; i < m_sections.size(); ++i) {
        if (foldedEqual(view(m_sections[i].name), encodedName))
            return static_cast<int>(i);
    }
    return -1;
}

void IniDocument::indexSection(const Section& section) const
{
    if (section.indexed)
        return;
    std::size_t entries = 0;
    for (const Line& line : section.lines)
        entries += line.isEntry;
    std::size_t size = 8;
    while (size < entries * 2)
        size *= 2;
    section.keyTable.assign(size, 0);
    section.indexedEntries = 0;
    section.indexed = true;
    for (std::uint32_t i = 0; i < section.lines.size(); ++i) {
        if (section.lines[i].isEntry)
            indexLine(section, i);
    }
}

bool IniDocument::indexLine(const Section& section, std::uint32_t index) const
{
    if ((section.indexedEntries + 1) * 2 > section.keyTable.size())
        return false;
    Line& line = const_cast<Line&>(section.lines[index]);
    const std::string_view key = view(line.key);
    line.hash = foldedHash(key);
    const std::size_t mask = section.keyTable.size() - 1;
    for (std::size_t s = line.hash & mask;; s = (s + 1) & mask) {
        const std::uint32_t slot = section.keyTable[s];
        if (slot == 0) {
            section.keyTable[s] = index + 1;
            ++section.indexedEntries;
            return true;
        }
        const Line& other = section.lines[slot - 1];
        if (other.hash == line.hash && foldedEqual(view(other.key), key))
            return true; // a duplicate: the first one stays the one read
    }
}

int IniDocument::findLine(const Section& section, std::string_view encodedKey) const
{
    indexSection(section);
    const std::uint64_t hash = foldedHash(encodedKey);
    const std::size_t mask = section.keyTable.size() - 1;
    for (std::size_t s = hash & mask;; s = (s + 1) & mask) {
        const std::uint32_t slot = section.keyTable[s];
        if (slot == 0)
            return -1;
        const Line& line = section.lines[slot - 1];
        if (line.hash == hash && foldedEqual(view(line.key), encodedKey))
            return int(slot - 1);
    }
}

IniDocument::SectionView IniDocument::section(const QString& name) const
{
    const int s = findSection(encodeName(name));
    return s < 0 ? SectionView() : SectionView(this, s);
}

std::optional<std::string_view> IniDocument::SectionView::raw(std::string_view key) const
{
    if (!m_doc)
        return std::nullopt;
    const Section& sec = m_doc->m_sections[std::size_t(m_index)];
    const int l = m_doc->findLine(sec, key);
    if (l < 0)
        return std::nullopt;
    return m_doc->view(sec.lines[std::size_t(l)].value);
}

QByteArray IniDocument::toBytes() const
{
    std::size_t total = 0;
    for (const Section& s : m_sections) {
        if (s.hasHeading)
            total += s.heading.len + 2;
        for (const Line& l : s.lines)
            total += l.text.len + 2;
    }
    QByteArray out;
    out.reserve(static_cast<qsizetype>(total));
    auto put = [&](Span sp) {
        out.append(m_arena.data() + sp.off, sp.len);
        out.append("\r\n", 2);
    };
    for (const Section& s : m_sections) {
        if (s.hasHeading)
            put(s.heading);
        for (const Line& l : s.lines)
            put(l.text);
    }
    return out;
}

bool IniDocument::saveAtomic(const QString& path, QString* error) const
{
    QSaveFile file(path);
    const QByteArray bytes = toBytes();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Не удалось записать файл %1: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

bool IniDocument::hasSection(const QString& section) const
{
    return findSection(encodeName(section)) >= 0;
}

QStringList IniDocument::sectionNames() const
{
    QStringList names;
    for (std::size_t i = 1; i < m_sections.size(); ++i)
        names << decoded(m_sections[i].name);
    return names;
}

QStringList IniDocument::keys(const QString& section) const
{
    QStringList out;
    const int s = findSection(encodeName(section));
    if (s < 0)
        return out;
    for (const Line& l : m_sections[s].lines) {
        if (l.isEntry)
            out << decoded(l.key);
    }
    return out;
}

std::vector<std::pair<QString, QString>> IniDocument::entries(const QString& section) const
{
    std::vector<std::pair<QString, QString>> out;
    const int s = findSection(encodeName(section));
    if (s < 0)
        return out;
    for (const Line& l : m_sections[s].lines) {
        if (l.isEntry)
            out.emplace_back(decoded(l.key), decoded(l.value));
    }
    return out;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const int s = findSection(encodeName(section));
    if (s < 0)
        return std::nullopt;
    const int l = findLine(m_sections[s], encodeName(key));
    if (l < 0)
        return std::nullopt;
    return decoded(m_sections[s].lines[l].value);
}

bool IniDocument::hasKey(const QString& section, const QString& key) const
{
    const int s = findSection(encodeName(section));
    return s >= 0 && findLine(m_sections[s], encodeName(key)) >= 0;
}

QString IniDocument::readString(const QString& section, const QString& key, const QString& def) const
{
    if (auto v = value(section, key))
        return *v;
    return def.trimmed();
}

void IniDocument::writeString(const QString& section, const QString& key, const QString& value)
{
    writeRaw(sectionForWrite(section), singleLine(key.trimmed()), singleLine(value));
}

int IniDocument::sectionForWrite(const QString& section)
{
    const std::string sectionName = singleLine(section.trimmed());
    const int s = findSection(sectionName);
    if (s >= 0)
        return s;
    Section fresh;
    fresh.hasHeading = true;
    const std::uint32_t off = append("[" + sectionName + "]");
    fresh.heading = {off, static_cast<std::uint32_t>(sectionName.size() + 2)};
    fresh.name = {off + 1, static_cast<std::uint32_t>(sectionName.size())};
    m_sections.push_back(std::move(fresh));
    const auto index = static_cast<std::uint32_t>(m_sections.size() - 1);
    m_sectionIndex.try_emplace(foldedHash(sectionName), index);
    return int(index);
}

void IniDocument::writeRaw(int s, std::string_view keyName, std::string_view valueText)
{
    Section& sec = m_sections[std::size_t(s)];
    const int existing = findLine(sec, keyName);

    // The line keeps the key's spelling as the file has it.
    // (Copied first: growing the arena would move the text it is taken from.)
    const std::string key(existing >= 0 ? view(sec.lines[std::size_t(existing)].key) : keyName);
    const auto keyLen = static_cast<std::uint32_t>(key.size());
    const auto off = static_cast<std::uint32_t>(m_arena.size());
    m_arena.append(key);
    m_arena.push_back('=');
    m_arena.append(valueText);
    Line line;
    line.isEntry = true;
    line.text = {off, static_cast<std::uint32_t>(keyLen + 1 + valueText.size())};
    line.key = {off, keyLen};
    std::uint32_t vOff = off + keyLen + 1, vLen = static_cast<std::uint32_t>(valueText.size());
    trim(m_arena, vOff, vLen);
    line.value = {vOff, vLen};

    if (existing >= 0) {
        line.hash = sec.lines[std::size_t(existing)].hash;
        sec.lines[std::size_t(existing)] = line;
        return;
    }
    // After the last non-blank line of the section, so blank lines stay before the next heading.
    std::size_t at = sec.lines.size();
    while (at > 0 && view(sec.lines[at - 1].text).find_first_not_of(" \t") == std::string_view::npos)
        --at;
    const bool shifts = at != sec.lines.size();
    sec.lines.insert(sec.lines.begin() + static_cast<std::ptrdiff_t>(at), line);
    if (shifts || (sec.indexed && !indexLine(sec, static_cast<std::uint32_t>(at))))
        sec.indexed = false;
}

void IniDocument::eraseSection(const QString& section)
{
    const std::string name = encodeName(section);
    // Every copy of a duplicated section goes: a copy left behind would stand before the section
    // written anew and be the one read.
    for (int s = findSection(name); s >= 0; s = findSection(name)) {
        m_sections.erase(m_sections.begin() + s);
        rebuildSectionIndex();
    }
}

} // namespace veg
