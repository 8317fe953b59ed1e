#pragma once

#include "core/config/ProtocolVariant.h"
#include "sim/SimOptions.h"

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <utility>

namespace veg::sim {

// The gateway's parameter store and control parameters as the simulator keeps them.
// Every number and element index written is kept; reads are answered from the store. A
// parameter never written reads as zeros of the length the gateway's map gives it for the
// simulated protocol (one zero byte for a parameter outside the map), except the protocol code,
// which names that protocol.
class GatewayDevice
{
public:
    static constexpr int kPlain = -1; // the element index of a plain parameter

    explicit GatewayDevice(const SimOptions& options);

    QByteArray read(std::uint16_t param);
    // False for a parameter the options make the gateway refuse: nothing is stored.
    bool write(std::uint16_t param, const QByteArray& data);
    QByteArray readAt(std::uint16_t param, std::uint16_t index);
    void writeAt(std::uint16_t param, std::uint16_t index, const QByteArray& data);
    // The parameter later element writes without a parameter number go to.
    void select(std::uint16_t param);
    void writeSelected(std::uint16_t index, const QByteArray& data);
    // Returns the level in force afterwards: levels 2 and 3 need the configured code.
    int setAccess(int level, const QByteArray& code);

    std::uint16_t typeCode() const;
    ProtocolVariant protocol() const;
    int accessLevel() const { return m_accessLevel; }
    std::uint8_t runState() const { return m_runState; }
    const std::map<std::pair<std::uint16_t, int>, QByteArray>& store() const { return m_store; }

    // What an image of toJson gives back: the gateway's number, its protocol (named by its type
    // code), its run state and access level, and every element it holds.
    struct Image
    {
        std::uint8_t gatewayNumber = 0x25;
        int variant = 1;
        std::uint8_t runState = 0;
        int accessLevel = 0;
        std::map<std::pair<std::uint16_t, int>, QByteArray> store;
    };

    QJsonObject toJson() const;
    // The image of toJson read back; nullopt with the reason in `error` when it does not read.
    static std::optional<Image> fromJson(const QJsonObject& json, QString* error);
    // Takes the run state, the access level and the store of an image (the gateway's number
    // and protocol are the options' business). A gateway stopping goes on stopping.
    void restore(const Image& image);

    // Every request the gateway served, in order: "read F000", "write 0100 02",
    // "writeAt 0301[0] FF FF FF FF", "readAt 0301[0]", "select 0301", "access 2".
    const QStringList& journal() const { return m_journal; }
    void clearJournal() { m_journal.clear(); }

private:
    QByteArray unwritten(std::uint16_t param) const;

    SimOptions m_options;
    std::map<std::uint16_t, int> m_lengths; // of the parameters of the simulated protocol's map
    std::map<std::pair<std::uint16_t, int>, QByteArray> m_store;
    std::uint16_t m_selected = 0xFFFF;
    int m_accessLevel = 0;
    QStringList m_journal;
    std::uint8_t m_runState = 0;
    int m_pollsLeft = 0;
};

} // namespace veg::sim
