#include "core/exchange/QuickAnswerTime.h"

#include "core/exchange/GatewayImage.h"
#include "core/link/LinkFrames.h"
#include "core/link/LinkRequests.h"

#include <algorithm>
#include <cmath>

namespace veg {

namespace {

// The probe asks for two data bytes; an answer with up to three more is still taken.
constexpr int kProbeDataBytes = 2;
constexpr int kLongestProbeData = kProbeDataBytes + 3;

double wireMs(int characters, int baud)
{
    return characters * double(QuickAnswerTime::kBitsPerCharacter) * 1000.0 / baud;
}

int lineBaud(const ExchangeSettings& s)
{
    const QStringList speeds = ExchangeSettings::serialSpeeds();
    // A speed the list does not hold opens the line at 9600 baud.
    return s.SpeedIndex >= 0 && s.SpeedIndex < speeds.size() ? speeds[s.SpeedIndex].toInt() : 9600;
}

int canKbit(const ExchangeSettings& s)
{
    const QStringList speeds = ExchangeSettings::canSpeeds();
    return s.CanSpeedIndex >= 0 && s.CanSpeedIndex < speeds.size()
               ? speeds[s.CanSpeedIndex].trimmed().toInt()
               : QuickAnswerTime::kSlowestCanKbit;
}

} // namespace

QuickAnswerTime QuickAnswerTime::of(const ExchangeSettings& s)
{
    QuickAnswerTime t;
    const bool can = s.AdapterKind == ExchangeSettings::kCanBus;
    const bool transit = !can && s.ViaAdapter;
    if (can) {
        t.serialWireMs = wireMs(2 * LinkFrames::kCanFrameSize, kAdapterBaud);
        t.canWireMs = 2.0 * kCanFrameBits / canKbit(s);
    } else {
        const QByteArray request = transit
                                       ? LinkRequests::transitRead(0, GatewayImage::kDeviceType)
                                       : LinkRequests::read(GatewayImage::kDeviceType);
        const int requestChars = int(
            LinkFrames::serialFrame(request, LinkFrames::kRequestControl, 0, s.ChecksumKind)
                .whole()
                .size());
        const int answerChars =
            int(LinkFrames::serialFrame(QByteArray(kLongestProbeData, '\0'), 0, 0, s.ChecksumKind)
                    .whole()
                    .size());
        t.serialWireMs = wireMs(requestChars + answerChars, lineBaud(s));
        if (transit)
            t.canWireMs = 2.0 * kCanFrameBits / kSlowestCanKbit;
    }
    t.turnaroundMs = kGatewayTurnaroundMs + (can || transit ? kRelayTurnaroundMs : 0);
    const double wait = kMarginFactor * (t.serialWireMs + t.canWireMs + t.turnaroundMs);
    t.totalMs = std::max(kFloorMs, int(std::ceil(wait - 1e-9)));
    return t;
}

} // namespace veg
