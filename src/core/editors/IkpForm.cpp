#include "core/editors/IkpForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"

namespace veg {

std::vector<FormField> IkpForm::fields() const
{
    std::vector<FormField> out;
    const auto& rows = config().IkpTable;
    // Every sub-block's line exists, also before a configuration is made: the window is laid out
    // once, at start.
    for (int s = 0; s < Rows::IkpSubblocks; ++s) {
        FormField button;
        button.id = subblockButton(s);
        button.caption = QStringLiteral("Субблок") + QString::number(s);
        button.kind = FormField::Kind::Button;
        out.push_back(button);
        FormField box;
        box.id = presenceField(s);
        box.kind = FormField::Kind::Text;
        box.readOnly = true;
        const bool set = ikpRow(s, 0) < int(rows.size()) && rows[std::size_t(ikpRow(s, 0))].Kind != 255;
        box.text = set ? QStringLiteral("есть") : QStringLiteral("нет");
        out.push_back(box);
    }
    return out;
}

QString IkpForm::press(const QString& id)
{
    for (int s = 0; s < Rows::IkpSubblocks; ++s) {
        if (id != subblockButton(s))
            continue;
        if (config().Controllers.empty() && !config().IsReadBack) {
            dialogs().info(QStringLiteral("Нет списка контроллеров!"));
            return {};
        }
        session().currentSubblock = s;
        return QStringLiteral("TFNastrIKP");
    }
    return {};
}

} // namespace veg
