#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace veg::ScenarioScript {

// Reading an editor script: its lines split into words, its numbers and keys, the text an editor
// holds as the keys reach it, and the description of the language. Playing the commands is the
// ScenarioRunner's.

// Splits a script line into words: blanks separate them, double quotes hold blanks (\" is a quote
// inside them), "#" starts a comment. False with the reason for an open quote.
bool splitLine(const QString& line, QStringList& words, QString& error);

// A decimal number of a script, or nullopt.
std::optional<int> number(const QString& word);

// The keys of a "type" command: "\b" is Backspace, "\\" a backslash.
QString keys(const QString& word);

// The language, as `vegctl edit --help` shows it.
QString languageHelp();

// The text of an in-cell editor or a text field as keys reach it. A masked edit ("H" places of
// its mask, shown as "_") opens with its text selected, as the windows open it: the first key
// frees every place and takes the first one, Backspace only frees them; then each key takes the
// first free place and Backspace frees the last filled one. Other editors take keys at the end of
// their text (a selected text is replaced by the first key), up to their length.
class TypedText
{
public:
    TypedText(QString text, QString mask, int maxLength, bool selected)
        : m_text(std::move(text)), m_mask(std::move(mask)), m_maxLength(maxLength),
          m_selected(selected)
    {}
    const QString& text() const { return m_text; }
    int size() const { return int(m_text.size()); }
    // How much of the text is selected: all of it or nothing.
    int selectedSize() const { return m_selected ? int(m_text.size()) : 0; }

    void type(QChar key, bool clearFirst = false)
    {
        const bool backspace = key.unicode() == 8;
        const bool selected = std::exchange(m_selected, false);
        if (!m_mask.isEmpty()) {
            if (selected || clearFirst || m_text.size() != m_mask.size()) {
                m_text = m_mask;
                m_text.replace(u'H', u'_');
                if (backspace && selected)
                    return;
            }
            for (int i = 0; i < m_mask.size(); ++i) {
                const int at = backspace ? int(m_mask.size()) - 1 - i : i;
                if (m_mask[at] != u'H')
                    continue;
                if (backspace && m_text[at] != u'_') {
                    m_text[at] = u'_';
                    return;
                }
                if (!backspace && m_text[at] == u'_') {
                    m_text[at] = key;
                    return;
                }
            }
            return;
        }
        if (clearFirst || selected)
            m_text.clear();
        if (backspace) {
            if (!selected)
                m_text.chop(1);
        } else if (m_maxLength <= 0 || m_text.size() < m_maxLength) {
            m_text += key;
        }
    }

private:
    QString m_text;
    QString m_mask;
    int m_maxLength = 0;
    bool m_selected = false;
};

} // namespace veg::ScenarioScript
