#include "gui/editors/TFCommon.h"

#include "core/config/GatewayConfig.h"
#include "core/editors/CommonSettingsForm.h"
#include "gui/widgets/FieldBinding.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace veg {

namespace {

QLineEdit* hexBox(QWidget* parent, const QString& id)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(id);
    edit->setFixedWidth(QFontMetrics(edit->font()).horizontalAdvance(QStringLiteral("WWW")) + 12);
    return edit;
}

// A box with one control under its caption (captions may hold line breaks, which group box
// titles do not show).
QGroupBox* boxed(QWidget* parent, QWidget* control, QLabel*& caption)
{
    auto* box = new QGroupBox(parent);
    auto* l = new QVBoxLayout(box);
    caption = new QLabel(box);
    l->addWidget(caption);
    l->addWidget(control);
    control->setParent(box);
    return box;
}

QButtonGroup* radios(QWidget* container, QGridLayout* grid, int column, const QStringList& items,
                     const QString& name)
{
    auto* group = new QButtonGroup(container);
    group->setObjectName(name);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], container);
        b->setObjectName(name + QString::number(i));
        group->addButton(b, i);
        grid->addWidget(b, i + 1, column);
    }
    return group;
}

} // namespace

TFCommon::TFCommon(CommonSettingsForm& form, QWidget* parent)
    : EditorDialog(form, parent), m_common(form)
{
    auto* fields = new FieldBinding(form, this);
    auto* outer = new QVBoxLayout(this);
    m_layout = new QGridLayout;
    outer->addLayout(m_layout);

    auto* title = new QLabel(this);
    title->setObjectName(QStringLiteral("Title"));
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);
    fields->bind(QStringLiteral("Title"), title);
    m_layout->addWidget(title, 0, 0, 1, 3);

    auto* adrCan = hexBox(this, QStringLiteral("AdrCAN"));
    QLabel* canCaption = nullptr;
    QGroupBox* canBox = boxed(this, adrCan, canCaption);
    fields->bind(QStringLiteral("AdrCAN"), adrCan, canCaption);
    m_layout->addWidget(canBox, 1, 0);
    for (const auto& [id, column] : {std::pair{"V_CAN", 1}, std::pair{"V_Ext", 2}}) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(QLatin1String(id));
        QLabel* caption = nullptr;
        QGroupBox* box = boxed(this, combo, caption);
        fields->bind(QLatin1String(id), combo, caption);
        m_layout->addWidget(box, 1, column);
    }

    // "Прием" and "Передача": format and parity.
    for (const char* direction : {"R", "T"}) {
        const bool receive = direction[0] == 'R';
        auto* box =
            new QGroupBox(receive ? QStringLiteral("Прием") : QStringLiteral("Передача"), this);
        box->setObjectName(receive ? QStringLiteral("GroupReceive")
                                   : QStringLiteral("GroupTransmit"));
        auto* grid = new QGridLayout(box);
        grid->addWidget(new QLabel(QStringLiteral("Формат "), box), 0, 0);
        const QString bits = QLatin1String(direction) + QStringLiteral("Bit");
        const QString parity = QLatin1String(direction) + QStringLiteral("Con");
        fields->bindChoice(bits, radios(box, grid, 0, CommonSettingsForm::formats(), bits));
        fields->bindChoice(parity, radios(box, grid, 1, CommonSettingsForm::parities(), parity));
        fields->bindGroup(box, {bits, parity});
        (receive ? m_receive : m_transmit) = box;
    }
    m_layout->addWidget(m_receive, 2, 0);
    m_layout->addWidget(m_transmit, 2, 1);

    auto* timing = new QWidget(this);
    auto* timingGrid = new QGridLayout(timing);
    timingGrid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    for (const char* id : {"tbegin", "trepeat", "TimeR_T"}) {
        auto* label = new QLabel(timing);
        label->setWordWrap(true);
        auto* spin = new QSpinBox(timing);
        spin->setObjectName(QLatin1String(id));
        timingGrid->addWidget(label, row, 0);
        timingGrid->addWidget(spin, row++, 1);
        fields->bind(QLatin1String(id), spin, label);
    }
    m_layout->addWidget(timing, 2, 2);
    m_layout->setColumnMinimumWidth(
        2, fontMetrics().horizontalAdvance(QStringLiteral("Время обнаружения конца посылки, мс")) +
               80);

    // One place for the slave address, the two point addresses and the HART addresses.
    auto* adrExt = hexBox(this, QStringLiteral("AdrExt"));
    QLabel* slaveCaption = nullptr;
    QGroupBox* slaveBox = boxed(this, adrExt, slaveCaption);
    fields->bind(QStringLiteral("AdrExt"), adrExt, slaveCaption);
    fields->bindGroup(slaveBox, {QStringLiteral("AdrExt")});
    m_layout->addWidget(slaveBox, 3, 0, 1, 2);

    auto* points = new QGroupBox(this);
    auto* pointsGrid = new QGridLayout(points);
    row = 0;
    for (const char* id : {"AdrIKP", "AdrOKP"}) {
        auto* label = new QLabel(points);
        auto* edit = hexBox(points, QLatin1String(id));
        pointsGrid->addWidget(label, row, 0);
        pointsGrid->addWidget(edit, row++, 1);
        fields->bind(QLatin1String(id), edit, label);
    }
    fields->bindGroup(points, {QStringLiteral("AdrIKP"), QStringLiteral("AdrOKP")});
    m_layout->addWidget(points, 3, 0, 1, 2);

    auto* hart = new QGroupBox(QStringLiteral("Обмен HART-ВЕГ"), this);
    auto* hartGrid = new QGridLayout(hart);
    auto* shortLabel = new QLabel(hart);
    auto* shortEdit = hexBox(hart, QStringLiteral("AdrShort"));
    hartGrid->addWidget(shortLabel, 0, 0);
    hartGrid->addWidget(shortEdit, 0, 1);
    fields->bind(QStringLiteral("AdrShort"), shortEdit, shortLabel);
    auto* longLabel = new QLabel(hart);
    hartGrid->addWidget(longLabel, 1, 0);
    auto* longRow = new QHBoxLayout;
    QStringList hartIds{QStringLiteral("AdrShort")};
    for (int i = 0; i < 5; ++i) {
        const QString id = QStringLiteral("AdrLong%1").arg(i);
        auto* edit = hexBox(hart, id);
        longRow->addWidget(edit);
        fields->bind(id, edit, i == 0 ? longLabel : nullptr);
        hartIds << id;
    }
    hartGrid->addLayout(longRow, 1, 1);
    fields->bindGroup(hart, hartIds);
    m_layout->addWidget(hart, 3, 0, 1, 2);

    auto* crc = new QGroupBox(QStringLiteral("Константа кода CRC-16"), this);
    auto* crcRow = new QHBoxLayout(crc);
    auto* crcLabel = new QLabel(crc);
    auto* const1 = new QLineEdit(crc);
    const1->setObjectName(QStringLiteral("Const1"));
    crcRow->addWidget(crcLabel);
    crcRow->addWidget(const1);
    fields->bind(QStringLiteral("Const1"), const1, crcLabel);
    fields->bindGroup(crc, {QStringLiteral("Const1")});
    m_layout->addWidget(crc, 3, 2);

    // One place for the byte order and the modem.
    auto* order = new QGroupBox(QStringLiteral("Порядок байт в числах с плавающей запятой"), this);
    auto* orderColumn = new QVBoxLayout(order);
    for (const char* id : {"Invers", "SWAP"}) {
        auto* check = new QCheckBox(order);
        check->setObjectName(QLatin1String(id));
        orderColumn->addWidget(check);
        fields->bind(QLatin1String(id), check);
    }
    fields->bindGroup(order, {QStringLiteral("Invers"), QStringLiteral("SWAP")});
    m_layout->addWidget(order, 4, 0, 1, 2);

    auto* modem = new QGroupBox(QStringLiteral("Модем"), this);
    auto* modemGrid = new QGridLayout(modem);
    auto* hasModem = new QCheckBox(modem);
    hasModem->setObjectName(QStringLiteral("Modem"));
    modemGrid->addWidget(hasModem, 0, 0, 1, 3);
    fields->bind(QStringLiteral("Modem"), hasModem);
    int column = 0;
    for (const char* id : {"TimeRes", "RTSoff", "RTSon"}) {
        auto* label = new QLabel(modem);
        auto* spin = new QSpinBox(modem);
        spin->setObjectName(QLatin1String(id));
        modemGrid->addWidget(label, 1, column);
        modemGrid->addWidget(spin, 2, column++);
        fields->bind(QLatin1String(id), spin, label);
    }
    fields->bindGroup(modem, {QStringLiteral("Modem")});
    m_layout->addWidget(modem, 4, 0, 1, 2);

    auto* synch = new QCheckBox(this);
    synch->setObjectName(QStringLiteral("Synch"));
    fields->bind(QStringLiteral("Synch"), synch);
    m_layout->addWidget(synch, 4, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (const char* id : {"Поместить", "Выход"}) {
        auto* b = new QPushButton(QString::fromUtf8(id), this);
        b->setObjectName(QStringLiteral("Button") + QString::fromUtf8(id));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        fields->bind(QString::fromUtf8(id), b);
    }
    outer->addStretch();
    outer->addLayout(buttons);
    attach(fields);
}

void TFCommon::activated()
{
    // Where "Прием" is hidden (КТС Энергия), "Передача" stands in its place.
    bool receive = true;
    for (const FormField& f : m_common.fields()) {
        if (f.id == u"RBit")
            receive = f.visible;
    }
    m_layout->addWidget(m_transmit, 2, receive ? 1 : 0);
}

} // namespace veg
