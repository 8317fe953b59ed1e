#include "core/editors/CommonSettingsForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/text/HexKeyFilter.h"
#include "core/text/NumberText.h"

#include <algorithm>
#include <optional>
#include <tuple>

namespace veg {

namespace {

using P = ProtocolVariant;
using K = FormField::Kind;

// The ranges of the spin boxes. The modem times are held in 8 bits by the configuration and the
// gateway, so their boxes stop at 255.
struct SpinRange
{
    const char* id;
    int minimum, maximum;
};
constexpr SpinRange kSpins[] = {
    {"tbegin", 3, 255},   {"trepeat", 1, 65535}, {"TimeR_T", 0, 255},
    {"TimeRes", 19, 255}, {"RTSoff", 19, 255},   {"RTSon", 0, 255},
};

const SpinRange* spinRange(const QString& id)
{
    for (const SpinRange& s : kSpins) {
        if (id == QLatin1String(s.id))
            return &s;
    }
    return nullptr;
}

// The hexadecimal boxes and how many digits each holds: the addresses two (the HART long
// address two per byte), the CRC constant four; 0 for the other fields.
int hexBoxWidth(const QString& id)
{
    if (id == u"AdrCAN" || id == u"AdrExt" || id == u"AdrIKP" || id == u"AdrOKP" ||
        id == u"AdrShort" || (id.startsWith(u"AdrLong") && id.size() == 8))
        return 2;
    if (id == u"Const1")
        return 4;
    return 0;
}

// A box's text read as the gateway's value: hexadecimal digits only, at most as many as the box
// holds. A blank anywhere does not read.
std::optional<std::uint32_t> hexBoxValue(const QString& text, int width)
{
    if (text.size() > width || text.contains(u' '))
        return std::nullopt;
    return NumberText::parseHex(text);
}

QString titleOf(P p)
{
    switch (p) {
    case P::Magistral1:
        return QStringLiteral("Магистраль-1");
    case P::Modbus:
        return QStringLiteral("MODBUS");
    case P::UnkTm:
        return QStringLiteral("УНК ТМ");
    case P::Hart:
        return QStringLiteral("HART");
    case P::KtsEnergia:
        return QStringLiteral("КТС Энергия");
    case P::None:
        break;
    }
    return {};
}

bool among(P p, std::initializer_list<P> ps)
{
    return std::find(ps.begin(), ps.end(), p) != ps.end();
}

} // namespace

QStringList CommonSettingsForm::canSpeeds()
{
    return {QStringLiteral("300"), QStringLiteral("150"), QStringLiteral("100"),
            QStringLiteral("  50"), QStringLiteral("  20")};
}

QStringList CommonSettingsForm::lineSpeeds()
{
    return {QStringLiteral("300"),  QStringLiteral("600"),  QStringLiteral("1200"),
            QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"),
            QStringLiteral("19200")};
}

QStringList CommonSettingsForm::parities()
{
    return {QStringLiteral("Контроль по четности"), QStringLiteral("Контроль по нечетности"),
            QStringLiteral("Контроля нет")};
}

void CommonSettingsForm::FormActivate()
{
    const CommonSettings& m = config().Common;
    auto hex2 = [](int v) { return NumberText::hex(std::uint32_t(v), 2); };
    auto clampTo = [](const char* id, int v) {
        const SpinRange* r = spinRange(QLatin1String(id));
        return std::clamp(v, r->minimum, r->maximum);
    };
    m_adrCan = hex2(m.AdrCAN);
    m_adrExt = m_adrIkp = m_adrShort = hex2(m.AdrExt);
    m_adrOkp = hex2(m.AdrOKP);
    m_const1 = NumberText::hex(m.Const1, 4);
    for (std::size_t i = 0; i < m_adrLong.size(); ++i)
        m_adrLong[i] = hex2(m.AdrLong[i]);
    // A speed index beyond the lists (a file can give one) shows no choice and is kept.
    m_vCan = m.V_CAN < canSpeeds().size() ? m.V_CAN : -1;
    m_vExt = m.V_Ext < lineSpeeds().size() ? m.V_Ext : -1;
    m_rBit = m.RBit <= 1 ? m.RBit : -1;
    m_tBit = m.TBit <= 1 ? m.TBit : -1;
    m_rCon = m.RCon <= 2 ? m.RCon : -1;
    m_tCon = m.TCon <= 2 ? m.TCon : -1;
    m_tbegin = clampTo("tbegin", m.tbegin);
    m_trepeat = clampTo("trepeat", m.trepeat);
    m_timeRT = clampTo("TimeR_T", m.TimeR_T);
    m_timeRes = clampTo("TimeRes", m.TimeRes);
    m_rtsOff = clampTo("RTSoff", m.RTSoff);
    m_rtsOn = clampTo("RTSon", m.RTSon);
    m_invers = m.Invers;
    m_swap = m.SWAP;
    m_modem = m.Modem;
    m_synch = m.Synch;
}

std::vector<FormField> CommonSettingsForm::fields() const
{
    const P p = config().Protocol;
    const bool kts = p == P::KtsEnergia;
    std::vector<FormField> out;
    auto add = [&](QString id, QString caption, K kind, QString group = {}) -> FormField& {
        FormField f;
        f.id = std::move(id);
        f.caption = std::move(caption);
        f.kind = kind;
        f.group = std::move(group);
        out.push_back(std::move(f));
        return out.back();
    };
    auto text = [&](const char* id, const QString& caption, const QString& value, int maxLength,
                    const QString& group = {}) -> FormField& {
        FormField& f = add(QLatin1String(id), caption, K::Text, group);
        f.text = value;
        f.maxLength = maxLength;
        return f;
    };
    auto choice = [&](const char* id, const QString& caption, const QStringList& items, int index,
                      const QString& group = {}) -> FormField& {
        FormField& f = add(QLatin1String(id), caption, K::Choice, group);
        f.items = items;
        f.index = index;
        return f;
    };
    auto spin = [&](const char* id, const QString& caption, int value,
                    const QString& group = {}) -> FormField& {
        FormField& f = add(QLatin1String(id), caption, K::Spin, group);
        const SpinRange* r = spinRange(f.id);
        f.minimum = r->minimum;
        f.maximum = r->maximum;
        f.value = value;
        return f;
    };
    auto check = [&](const char* id, const QString& caption, bool on,
                     const QString& group = {}) -> FormField& {
        FormField& f = add(QLatin1String(id), caption, K::Check, group);
        f.checked = on;
        return f;
    };

    add(QStringLiteral("Title"), {}, K::Label).text = titleOf(p);
    text("AdrCAN", QStringLiteral("Адрес ВЕГ по шине CAN-BUS"), m_adrCan, 2);
    choice("V_CAN", QStringLiteral("Частота обмена по шине \r\nCAN-BUS (Kбод)"), canSpeeds(),
           m_vCan);
    choice("V_Ext", QStringLiteral("Частота обмена\r\nвнешняя линия - ВЕГ"), lineSpeeds(), m_vExt)
        .enabled = !kts;

    const QString receive = QStringLiteral("Прием"), transmit = QStringLiteral("Передача");
    FormField& rBit = choice("RBit", QStringLiteral("Формат "), formats(), m_rBit, receive);
    FormField& rCon = choice("RCon", {}, parities(), m_rCon, receive);
    rBit.visible = rCon.visible = !kts;
    rCon.enabled = m_rBit != 1; // "10 бит" has no parity
    FormField& tBit = choice("TBit", QStringLiteral("Формат "), formats(), m_tBit, transmit);
    FormField& tCon = choice("TCon", {}, parities(), m_tCon, transmit);
    tCon.enabled = m_tBit != 1;
    if (kts)
        tBit.enabled = tCon.enabled = false;

    spin("tbegin", QStringLiteral("Время обнаружения конца посылки, мс"), m_tbegin).visible = !kts;
    spin("trepeat", QStringLiteral("Период  опроса ВЕГ-КАЛИМ, с"), m_trepeat).visible = !kts;
    spin("TimeR_T", QStringLiteral("Задержка с приема на передачу, такт 100 мкс"), m_timeRT)
        .visible = !kts;

    const QString slave = p == P::UnkTm ? QStringLiteral("Slave-адрес ВЕГ протокола УНК ТМ")
                                        : QStringLiteral("Slave-адрес ВЕГ протокола Modbus");
    text("AdrExt", slave, m_adrExt, 2).visible = among(p, {P::Modbus, P::UnkTm});
    text("AdrIKP", QStringLiteral("Адрес интеллектуального КП"), m_adrIkp, 2).visible =
        p == P::Magistral1;
    text("AdrOKP", QStringLiteral("Адрес обычного КП"), m_adrOkp, 2).visible = p == P::Magistral1;
    text("Const1", QStringLiteral("Константа 1"), m_const1, 4,
         QStringLiteral("Константа кода CRC-16"))
        .visible = among(p, {P::Modbus, P::UnkTm});

    const QString order = QStringLiteral("Порядок байт в числах с плавающей запятой");
    check("Invers",
          QStringLiteral("Инвертировать порядок байт в числах  формата \"с плавающей точкой\""),
          m_invers, order)
        .visible = among(p, {P::Modbus, P::Hart});
    check("SWAP", QStringLiteral("Поменять местами старшие и младшие части в числе"), m_swap, order)
        .visible = among(p, {P::Modbus, P::Hart});

    const QString modem = QStringLiteral("Модем");
    const bool unk = p == P::UnkTm;
    check("Modem", QStringLiteral("Наличие модема"), m_modem, modem).visible = unk;
    spin("TimeRes", QStringLiteral("Задержка\r\nна приём"), m_timeRes, modem).visible =
        unk && m_modem;
    spin("RTSoff", QStringLiteral("Выдержка \r\nснятия RTS"), m_rtsOff, modem).visible =
        unk && m_modem;
    spin("RTSon", QStringLiteral("Задержка на \r\nвыдачу RTS"), m_rtsOn, modem).visible =
        unk && m_modem;

    const QString hart = QStringLiteral("Обмен HART-ВЕГ");
    const bool isHart = p == P::Hart;
    text("AdrShort", QStringLiteral("Короткий адрес"), m_adrShort, 2, hart).visible = isHart;
    for (int i = 0; i < 5; ++i) {
        const QByteArray id = "AdrLong" + QByteArray::number(i);
        FormField& f = text(id.constData(), QStringLiteral("Длинный адрес"),
                            m_adrLong[std::size_t(i)], 2, hart);
        f.id = QString::fromLatin1(id);
        f.visible = isHart;
        f.enabled = i >= 2; // bytes 0 and 1 are fixed
    }
    check("Synch", QStringLiteral("Синхронизация времени на КАЛИМЕ включена"), m_synch).visible =
        isHart;

    add(QStringLiteral("Поместить"), QStringLiteral("Поместить"), K::Button);
    add(QStringLiteral("Выход"), QStringLiteral("Выход"), K::Button);
    return out;
}

QString* CommonSettingsForm::textValue(const QString& id)
{
    if (id == u"AdrCAN")
        return &m_adrCan;
    if (id == u"AdrExt")
        return &m_adrExt;
    if (id == u"AdrIKP")
        return &m_adrIkp;
    if (id == u"AdrOKP")
        return &m_adrOkp;
    if (id == u"Const1")
        return &m_const1;
    if (id == u"AdrShort")
        return &m_adrShort;
    for (int i = 2; i < 5; ++i) {
        if (id == QStringLiteral("AdrLong%1").arg(i))
            return &m_adrLong[std::size_t(i)];
    }
    return nullptr;
}

int* CommonSettingsForm::spinValue(const QString& id)
{
    if (id == u"tbegin")
        return &m_tbegin;
    if (id == u"trepeat")
        return &m_trepeat;
    if (id == u"TimeR_T")
        return &m_timeRT;
    if (id == u"TimeRes")
        return &m_timeRes;
    if (id == u"RTSoff")
        return &m_rtsOff;
    if (id == u"RTSon")
        return &m_rtsOn;
    return nullptr;
}

void CommonSettingsForm::changed()
{
    config().Changed.CommonChanged = true;
}

QChar CommonSettingsForm::fieldKey(const QString& id, QChar key, int length, int)
{
    const int width = hexBoxWidth(id);
    if (width == 0)
        return key;
    if (key.unicode() == 8)
        return key;
    // A full box takes Backspace only, even when its text is selected.
    if (length >= width)
        return QChar(0);
    return HexKeyFilter(key);
}

void CommonSettingsForm::editField(const QString& id, const QString& text)
{
    if (QString* v = textValue(id)) {
        // A box holds no more digits than it has places.
        const int width = hexBoxWidth(id);
        *v = width > 0 ? text.left(width) : text;
        changed();
    }
}

void CommonSettingsForm::chooseField(const QString& id, int index)
{
    if (id == u"V_CAN" && index >= 0 && index < canSpeeds().size())
        m_vCan = index;
    else if (id == u"V_Ext" && index >= 0 && index < lineSpeeds().size())
        m_vExt = index;
    else if ((id == u"RBit" || id == u"TBit") && index >= 0 && index <= 1) {
        int& bits = id == u"RBit" ? m_rBit : m_tBit;
        int& parity = id == u"RBit" ? m_rCon : m_tCon;
        bits = index;
        // "10 бит" has no parity bit; КТС Энергия's transmit choice changes nothing else.
        if (index == 1 && !(id == u"TBit" && config().Protocol == P::KtsEnergia))
            parity = 2;
    } else if (id == u"RCon" && index >= 0 && index <= 2)
        m_rCon = index;
    else if (id == u"TCon" && index >= 0 && index <= 2)
        m_tCon = index;
    else
        return;
    changed();
}

void CommonSettingsForm::checkField(const QString& id, bool checked)
{
    if (id == u"Invers")
        m_invers = checked;
    else if (id == u"SWAP")
        m_swap = checked;
    else if (id == u"Modem")
        m_modem = checked;
    else if (id == u"Synch")
        m_synch = checked;
    else
        return;
    changed();
}

void CommonSettingsForm::spinField(const QString& id, int value)
{
    int* v = spinValue(id);
    const SpinRange* r = spinRange(id);
    if (!v || !r)
        return;
    *v = std::clamp(value, r->minimum, r->maximum);
    changed();
}

bool CommonSettingsForm::StoreCommonSettings()
{
    const P p = config().Protocol;
    // The boxes stored for this protocol, read first: a text that is not hexadecimal stops the
    // storing before anything changed.
    std::vector<std::tuple<const QString*, std::uint32_t*, int>> boxes;
    std::uint32_t adrCan = 0, adrExt = 0, adrOkp = 0, const1 = 0;
    std::array<std::uint32_t, 5> adrLong{};
    boxes.push_back({&m_adrCan, &adrCan, 2});
    switch (p) {
    case P::Magistral1:
        boxes.push_back({&m_adrIkp, &adrExt, 2});
        boxes.push_back({&m_adrOkp, &adrOkp, 2});
        break;
    case P::Modbus:
    case P::UnkTm:
        boxes.push_back({&m_adrExt, &adrExt, 2});
        boxes.push_back({&m_const1, &const1, 4});
        break;
    case P::Hart:
        boxes.push_back({&m_adrShort, &adrExt, 2});
        for (std::size_t i = 0; i < 5; ++i)
            boxes.push_back({&m_adrLong[i], &adrLong[i], 2});
        break;
    default:
        break;
    }
    for (const auto& [text, value, width] : boxes) {
        const auto v = hexBoxValue(*text, width);
        if (!v) {
            dialogs().info(NumberText::notAnInteger(*text));
            return false;
        }
        *value = *v;
    }

    const CommonSettings before = config().Common;
    CommonSettings& m = config().Common;
    m.AdrCAN = std::uint8_t(adrCan);
    if (m_vCan >= 0)
        m.V_CAN = std::uint8_t(m_vCan);
    if (m_vExt >= 0)
        m.V_Ext = std::uint8_t(m_vExt);
    if (m_rBit >= 0)
        m.RBit = std::uint8_t(m_rBit);
    if (m_tBit >= 0)
        m.TBit = std::uint8_t(m_tBit);
    m.tbegin = std::uint8_t(m_tbegin);
    m.trepeat = std::uint16_t(m_trepeat);
    m.TimeR_T = std::uint8_t(m_timeRT);
    // HART and КТС Энергия keep the parities of File -> New.
    if (among(p, {P::Magistral1, P::Modbus, P::UnkTm})) {
        if (m_rCon >= 0)
            m.RCon = std::uint8_t(m_rCon);
        if (m_tCon >= 0)
            m.TCon = std::uint8_t(m_tCon);
    }
    switch (p) {
    case P::Magistral1:
        m.AdrExt = std::uint8_t(adrExt);
        m.AdrOKP = std::uint8_t(adrOkp);
        break;
    case P::Modbus:
        m.AdrExt = std::uint8_t(adrExt);
        m.Const1 = std::uint16_t(const1);
        m.Invers = m_invers;
        m.SWAP = m_swap;
        break;
    case P::UnkTm:
        m.AdrExt = std::uint8_t(adrExt);
        m.Const1 = std::uint16_t(const1);
        m.Modem = m_modem;
        m.TimeRes = std::uint8_t(m_timeRes);
        m.RTSoff = std::uint8_t(m_rtsOff);
        m.RTSon = std::uint8_t(m_rtsOn);
        break;
    case P::Hart:
        m.AdrExt = std::uint8_t(adrExt);
        for (std::size_t i = 0; i < 5; ++i)
            m.AdrLong[i] = std::uint8_t(adrLong[i]);
        m.Invers = m_invers;
        m.SWAP = m_swap;
        m.Synch = m_synch;
        break;
    default:
        break;
    }
    if (m != before)
        changed();
    return true;
}

QString CommonSettingsForm::press(const QString& id)
{
    if (id == u"Поместить") {
        if (StoreCommonSettings())
            askToClose();
    } else if (id == u"Выход") {
        askToClose();
    }
    return {};
}

bool CommonSettingsForm::closeRequested()
{
    return !config().Changed.CommonChanged || StoreCommonSettings();
}

} // namespace veg
