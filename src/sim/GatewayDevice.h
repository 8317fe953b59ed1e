#pragma once

#include "sim/SimOptions.h"

#include <QByteArray>
#include <QJsonObject>

#include <cstdint>
#include <map>
#include <utility>

namespace veg::sim {

// The gateway's parameter store and control parameters as the simulator keeps them.
// Every number and element index written is kept; reads are answered from the store, a
// parameter never written reads as one zero byte.
class GatewayDevice
{
public:
    static constexpr int kPlain = -1; // the element index of a plain parameter

    explicit GatewayDevice(const SimOptions& options);

    QByteArray read(std::uint16_t param);
    void write(std::uint16_t param, const QByteArray& data);
    QByteArray readAt(std::uint16_t param, std::uint16_t index) const;
    void writeAt(std::uint16_t param, std::uint16_t index, const QByteArray& data);
    // The parameter later element writes without a parameter number go to.
    void select(std::uint16_t param) { m_selected = param; }
    void writeSelected(std::uint16_t index, const QByteArray& data);
    // Returns the level in force afterwards: levels 2 and 3 need the configured code.
    int setAccess(int level, const QByteArray& code);

    std::uint16_t typeCode() const;
    int accessLevel() const { return m_accessLevel; }
    std::uint8_t runState() const { return m_runState; }
    const std::map<std::pair<std::uint16_t, int>, QByteArray>& store() const { return m_store; }

    QJsonObject toJson() const;

private:
    SimOptions m_options;
    std::map<std::pair<std::uint16_t, int>, QByteArray> m_store;
    std::uint16_t m_selected = 0xFFFF;
    int m_accessLevel = 0;
    std::uint8_t m_runState = 0;
    int m_pollsLeft = 0;
};

} // namespace veg::sim
