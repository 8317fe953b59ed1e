#pragma once

#include "core/editors/EditorForm.h"

namespace veg {

// "Настройка обычного КП" (TFOKP): the type of each of the 14 ordinary sub-blocks ("Type0" ...
// "Type13": "нет", "ТС", "ТУ") and the sub-block buttons ("Sub0" ... "Sub13"), which open the
// sub-block's ТС window (TFTC) or ТУ window (TFTU). A type chosen leaves the sub-block's rows as
// they are (the file keeps them all).
class OkpForm : public EditorForm
{
public:
    explicit OkpForm(EditorSession& session) : EditorForm(session) {}

    QString windowName() const override { return QStringLiteral("TFOKP"); }
    QString caption() const override { return QStringLiteral("Настройка обычного КП"); }
    void FormActivate() override {}

    std::vector<FormField> fields() const override;
    void chooseField(const QString& id, int index) override;
    QString press(const QString& id) override;

    static QString typeField(int subblock) { return QStringLiteral("Type%1").arg(subblock); }
    static QString subblockButton(int subblock) { return QStringLiteral("Sub%1").arg(subblock); }
    static QStringList typeItems()
    {
        return {QStringLiteral("нет"), QStringLiteral("ТС"), QStringLiteral("ТУ")};
    }
};

} // namespace veg
