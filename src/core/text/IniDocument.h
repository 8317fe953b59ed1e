#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace veg {

// An INI text as the Windows profile functions see it, held in Windows-1251 as on disk.
//
// - Section and key names are matched without regard to letter case, Cyrillic included.
// - Values are read with leading and trailing blanks removed.
// - Writing a key replaces its value in place; a key that does not exist is appended after the
//   last entry of its section, and a section that does not exist is appended to the text.
// - Erasing a section removes its heading and every line under it.
// - With duplicated sections or keys, the first one is read and written.
// - Lines that are neither headings nor "key=value" (blank lines, comments) are kept as they
//   stand and never read as keys.
//
// The document lives in memory; `saveAtomic` puts it on disk whole, so that a file is never
// left half written.
class IniDocument
{
public:
    IniDocument();

    static IniDocument fromBytes(const QByteArray& bytes);

    enum class FileStatus { Ok, Missing, Failed };
    // A missing file gives an empty document and FileStatus::Missing. Files larger than
    // `kMaxFileSize` are refused: no file of the program is anywhere near that size.
    static IniDocument fromFile(const QString& path, FileStatus* status, QString* error);
    static constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

    // Windows-1251 text, lines ended by CR LF.
    QByteArray toBytes() const;
    // Writes the whole text to a temporary file beside `path` and renames it over `path`.
    bool saveAtomic(const QString& path, QString* error) const;

    bool hasSection(const QString& section) const;
    QStringList sectionNames() const;
    // The key names of a section, in file order (duplicates included).
    QStringList keys(const QString& section) const;
    // The key/value pairs of a section in file order, values trimmed.
    std::vector<std::pair<QString, QString>> entries(const QString& section) const;

    std::optional<QString> value(const QString& section, const QString& key) const;
    // The value, or `def` when the key is missing; a default made of blanks yields "".
    QString readString(const QString& section, const QString& key, const QString& def) const;
    bool hasKey(const QString& section, const QString& key) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void eraseSection(const QString& section);

    // Access for readers that look up many keys of one section: the section is found once, keys
    // are Windows-1251 bytes, values the trimmed bytes of the file. A view is valid until the
    // document is changed.
    class SectionView
    {
    public:
        SectionView() = default;
        explicit operator bool() const { return m_doc != nullptr; }
        std::optional<std::string_view> raw(std::string_view key) const;

    private:
        friend class IniDocument;
        SectionView(const IniDocument* doc, int index) : m_doc(doc), m_index(index) {}
        const IniDocument* m_doc = nullptr;
        int m_index = -1;
    };
    SectionView section(const QString& name) const;

    // Writing for writers that put many keys into one section: the section is found (or
    // appended) once; key and value are Windows-1251 bytes of one line each.
    int sectionForWrite(const QString& name);
    void writeRaw(int section, std::string_view key, std::string_view value);

private:
    struct Span
    {
        std::uint32_t off = 0;
        std::uint32_t len = 0;
    };
    struct Line
    {
        Span text;  // the whole line, without its line end
        Span key;   // trimmed key name (entries only)
        Span value; // trimmed value (entries only)
        bool isEntry = false;
        std::uint64_t hash = 0; // folded key name, set when the section is indexed
    };
    struct Section
    {
        bool hasHeading = false; // false only for the lines before the first heading
        Span heading;            // the heading line
        Span name;               // the trimmed name inside the brackets
        std::vector<Line> lines;
        // Open-addressing table of the entries (line index + 1, 0 = free slot), the first of
        // duplicated keys only; built on first use.
        mutable std::vector<std::uint32_t> keyTable;
        mutable std::uint32_t indexedEntries = 0;
        mutable bool indexed = false;
    };

    std::uint32_t append(std::string_view text);
    std::string_view view(Span s) const { return std::string_view(m_arena).substr(s.off, s.len); }
    QString decoded(Span s) const;
    static std::string encodeName(const QString& name);
    static std::uint64_t foldedHash(std::string_view name);
    static bool foldedEqual(std::string_view a, std::string_view b);

    void parse();
    void rebuildSectionIndex();
    int findSection(std::string_view encodedName) const;
    int findLine(const Section& section, std::string_view encodedKey) const;
    void indexSection(const Section& section) const;
    // Adds one entry to an indexed section's table; false when the table must be rebuilt.
    bool indexLine(const Section& section, std::uint32_t line) const;

    std::string m_arena; // the file's bytes followed by every text written since
    std::vector<Section> m_sections;
    std::unordered_map<std::uint64_t, std::uint32_t> m_sectionIndex;
};

} // namespace veg
