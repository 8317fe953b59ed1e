#pragma once

#include "core/editors/EditorForm.h"

namespace veg {

// "Интеллектуальное КП" (TFIKP): the 12 sub-blocks of the intelligent controlled point, each with
// its button ("Sub0" ... "Sub11"), which opens TFNastrIKP for it, and a read-only box ("Has0" ...)
// that says "есть" when the sub-block's first measurement holds a parameter and "нет" otherwise.
// The boxes are read from the model whenever the window is shown, so they follow every closing
// of the sub-block window.
class IkpForm : public EditorForm
{
public:
    explicit IkpForm(EditorSession& session) : EditorForm(session) {}

    QString windowName() const override { return QStringLiteral("TFIKP"); }
    QString caption() const override { return QStringLiteral("Интеллектуальное КП"); }
    void FormActivate() override {}

    std::vector<FormField> fields() const override;
    QChar fieldKey(const QString&, QChar, int, int) override { return QChar(0); }
    QString press(const QString& id) override;

    static QString subblockButton(int subblock) { return QStringLiteral("Sub%1").arg(subblock); }
    static QString presenceField(int subblock) { return QStringLiteral("Has%1").arg(subblock); }
};

} // namespace veg
