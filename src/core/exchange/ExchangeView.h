#pragma once

#include <QString>

#include <cstdint>

namespace veg {

// A row of the search result: a gateway (with its check box) or the master module (without).
struct FoundDevice
{
    std::uint8_t number = 0;
    QString device;
    bool checkable = false;
    bool checked = false;

    friend bool operator==(const FoundDevice&, const FoundDevice&) = default;
};

// What the commands of the exchange show while they run: the caption, the progress bar (0 to
// 128), the devices a search finds. The exchange window renders them; tests record them.
class ExchangeView
{
public:
    static constexpr int kProgressMaximum = 128;

    virtual ~ExchangeView() = default;
    virtual void setCaption(const QString& text) = 0;
    virtual void setProgress(int position) = 0;
    virtual void clearFound() = 0;
    virtual void addFound(const FoundDevice& row) = 0;
};

// The progress bar as a command advances it: from 0 at the start of a stage to 128 at its end,
// in proportion to the steps done (a stage of more than 128 steps still moves the bar).
class ProgressSteps
{
public:
    explicit ProgressSteps(ExchangeView& view) : m_view(view) {}

    void restart(int steps)
    {
        m_steps = steps > 0 ? steps : 1;
        m_done = 0;
        m_view.setProgress(0);
    }
    void advance()
    {
        if (m_done < m_steps)
            ++m_done;
        m_view.setProgress(position());
    }
    int position() const { return m_done * ExchangeView::kProgressMaximum / m_steps; }

private:
    ExchangeView& m_view;
    int m_steps = 1;
    int m_done = 0;
};

} // namespace veg
