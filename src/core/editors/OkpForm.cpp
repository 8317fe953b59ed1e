#include "core/editors/OkpForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"

namespace veg {

namespace {

// The sub-block of a field's id ("Type3", "Sub3"), -1 for another id.
int subblockOf(const QString& id, const QString& prefix, int count)
{
    if (!id.startsWith(prefix))
        return -1;
    bool ok = false;
    const int s = id.mid(prefix.size()).toInt(&ok);
    return ok && s >= 0 && s < count && id == prefix + QString::number(s) ? s : -1;
}

} // namespace

std::vector<FormField> OkpForm::fields() const
{
    // Every sub-block's line exists, also before a configuration is made: the window is laid out
    // once, at start.
    std::vector<FormField> out;
    const auto& types = config().OkpSubblockTypes;
    for (int s = 0; s < Rows::OkpSubblocks; ++s) {
        FormField button;
        button.id = subblockButton(s);
        button.caption = QStringLiteral("Субблок ") + QString::number(s);
        button.kind = FormField::Kind::Button;
        out.push_back(button);
        FormField type;
        type.id = typeField(s);
        type.kind = FormField::Kind::Choice;
        type.items = typeItems();
        type.index = s < int(types.size()) && types[std::size_t(s)] < typeItems().size()
                         ? types[std::size_t(s)]
                         : -1;
        out.push_back(type);
    }
    return out;
}

void OkpForm::chooseField(const QString& id, int index)
{
    auto& types = config().OkpSubblockTypes;
    const int s = subblockOf(id, QStringLiteral("Type"), int(types.size()));
    if (s < 0 || index < 0 || index >= typeItems().size())
        return;
    types[std::size_t(s)] = std::uint8_t(index);
    config().Changed.OkpTypesChanged = true;
}

QString OkpForm::press(const QString& id)
{
    const auto& types = config().OkpSubblockTypes;
    const int s = subblockOf(id, QStringLiteral("Sub"), int(types.size()));
    if (s < 0)
        return {};
    if (config().Controllers.empty() && !config().IsReadBack) {
        dialogs().info(QStringLiteral("Нет списка контроллеров!"));
        return {};
    }
    session().currentSubblock = s;
    switch (types[std::size_t(s)]) {
    case SubblockTc:
        return QStringLiteral("TFTC");
    case SubblockTu:
        return QStringLiteral("TFTU");
    default:
        return {};
    }
}

} // namespace veg
