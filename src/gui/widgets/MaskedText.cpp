#include "gui/widgets/MaskedText.h"

#include <QLineEdit>

namespace veg::MaskedText {

void apply(QLineEdit* edit, const QString& mask)
{
    QString input = QStringLiteral(">");
    for (QChar c : mask) {
        if (c == u'H')
            input += u'H';
        else
            input += QStringLiteral("\\") + c;
    }
    edit->setInputMask(input + QStringLiteral(";_"));
}

void show(QLineEdit* edit, const QString& text)
{
    if (text == MaskedText::text(edit))
        return;
    edit->setText(QString());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool digit =
            (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
        if (!digit)
            continue; // a free place or a character the mask stands there itself
        edit->setCursorPosition(i);
        edit->insert(QString(text[i]));
    }
    edit->setCursorPosition(0);
}

QString text(const QLineEdit* edit)
{
    return edit->displayText();
}

} // namespace veg::MaskedText
