#pragma once

#include "core/config/ProtocolVariant.h"

#include <QString>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <initializer_list>
#include <string_view>

// The sections and keys of the configuration file, shared by its reader and its writer.
namespace veg::configfile {

const QString kProtokol = QStringLiteral("Protokol");
const QString kCommon = QStringLiteral("Common");
const QString kConfig = QStringLiteral("Config");
const QString kGroup = QStringLiteral("GROUP");
const QString kOkp = QStringLiteral("OKP");
const QString kTuModbus = QStringLiteral("TU Modbus");
const QString kTcModbus = QStringLiteral("TC Modbus");
const QString kTiFloatModbus = QStringLiteral("TIFloat Modbus");
const QString kUnk = QStringLiteral("UNK");
const QString kEmptyRef = QStringLiteral("$FF.");

inline QString okpSection(int s) { return QStringLiteral("OKP Субблок %1").arg(s); }
inline QString ikpSection(int s) { return QStringLiteral("IKP Субблок %1").arg(s); }
inline QString unkSection(int t) { return QStringLiteral("UNK Nitka%1").arg(t); }
inline QString hartSection(int d) { return QStringLiteral("HART %1").arg(d); }
inline QString ktsGroupSection(int g) { return QStringLiteral("KTC Gr %1").arg(g); }
inline QString ktsSignalSection(int r) { return QStringLiteral("KTC TC %1").arg(r); }

inline bool isProtocol(ProtocolVariant p, std::initializer_list<ProtocolVariant> set)
{
    for (ProtocolVariant q : set) {
        if (p == q)
            return true;
    }
    return false;
}

using P = ProtocolVariant;

class Key
{
public:
    Key(const char* prefix, int n)
    {
        const std::size_t len = std::min(std::strlen(prefix), sizeof m_buf - 12);
        std::memcpy(m_buf, prefix, len);
        const auto end = std::to_chars(m_buf + len, m_buf + sizeof m_buf, n).ptr;
        m_view = std::string_view(m_buf, std::size_t(end - m_buf));
    }
    explicit Key(const char* name) : m_view(name) {}
    operator std::string_view() const { return m_view; }
    QString text() const { return QString::fromLatin1(m_view.data(), qsizetype(m_view.size())); }

private:
    char m_buf[32];
    std::string_view m_view;
};

} // namespace veg::configfile
