#pragma once

#include "core/exchange/ExchangeView.h"
#include "core/exchange/GatewayImage.h"
#include "core/exchange/LinkSession.h"

#include <QString>

namespace veg {

// What the write, the read-back and the search share: the link session with its last status,
// the view, the progress bar, and the steps by which every exchange with a gateway begins.
class ExchangeSteps
{
public:
    ExchangeSteps(LinkSession& session, ExchangeView& view);

    // The pause before a further round of a failed request.
    static constexpr int kRoundPauseMs = 1000;
    // A line status that another round may mend (not an abort, a refusal or a port fault).
    static bool lineFault(LinkStatus status);

protected:
    // A link object with an open port; otherwise the port's error text and false, nothing sent.
    bool linkReady();
    // Starts a stage: trace level 3, and the target of the gateway's network number (which also
    // clears the abort flag, the last status and its text).
    LinkTarget begin();
    // Records the status with its message; true for success.
    bool check(LinkStatus status);
    // The message loop, then the operator's abort: a transit request clears the abort flag when
    // it starts, so an abort given between two requests is taken here (status 9).
    bool pumpAndGoOn();
    // On a direct RS-232 line the device type is read first; then access level 2 is opened,
    // through the master module when the route goes through it.
    bool openAccess(const LinkTarget& target);
    // The gateway's version, where the protocol needs one; 60 when it is too old.
    bool checkVersion(const LinkTarget& target, int minimum);
    // The first `n` data bytes of an answer.
    static QByteArray dataOf(const LinkAnswer& answer, int n);
    // Element `index` of parameter `param` (a plain parameter: index -1) into its answer's first
    // `length` data bytes.
    LinkStatus readElement(std::uint16_t param, int index, int length, const LinkTarget& target,
                           QByteArray& bytes);
    bool directSerial() const;
    // One request with its further rounds: sent again after a pause while it fails on a line
    // fault, `m_furtherRounds` times at most (the write's setting; none for the others).
    template <typename Request> LinkStatus rounds(Request request)
    {
        LinkStatus st = request();
        for (int round = 1; round <= m_furtherRounds && lineFault(st); ++round) {
            logRound(round, st);
            if (!pause(kRoundPauseMs))
                return Status::Aborted;
            ++m_session.shared().RepeatedRequests;
            st = request();
        }
        return st;
    }
    void logRound(int round, LinkStatus status);
    // A pause of `ms` in slices, the message loop pumped; false on the operator's abort.
    bool pause(int ms);
    int m_furtherRounds = 0;

    KalO& link() { return *m_session.link(); }
    LinkSession& m_session;
    ExchangeView& m_view;
    ProgressSteps m_progress;
};

} // namespace veg
