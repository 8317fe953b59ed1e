#pragma once

#include "core/editors/EditorForm.h"

#include <array>

namespace veg {

// "Общие настройки" (TFCommon): the gateway's general settings (CommonSettings) for any of the
// five protocols. The controls are fields with the ids of the settings they edit ("AdrCAN",
// "V_CAN", "RBit", ..., "AdrLong0" ... "AdrLong4"; "AdrIKP" is the intelligent point's address and
// "AdrShort" the HART short address, both AdrExt); the buttons are "Поместить" and "Выход".
//
// Every hexadecimal box (the addresses of two digits, the HART long address two per byte, the
// CRC constant of four) takes the hexadecimal key filter and no more digits than it has places:
// a full box takes Backspace only, even with its text selected.
//
// Storing ("Поместить", and closing after a change) is all or nothing: when a hexadecimal box
// does not read, the message names its text, nothing is stored and the window stays open.
class CommonSettingsForm : public EditorForm
{
public:
    explicit CommonSettingsForm(EditorSession& session) : EditorForm(session) {}

    QString windowName() const override { return QStringLiteral("TFCommon"); }
    QString caption() const override { return QStringLiteral("Общие настройки"); }
    void FormActivate() override;
    bool closeRequested() override;

    std::vector<FormField> fields() const override;
    QChar fieldKey(const QString& id, QChar key, int length, int selected) override;
    void editField(const QString& id, const QString& text) override;
    void chooseField(const QString& id, int index) override;
    void checkField(const QString& id, bool checked) override;
    void spinField(const QString& id, int value) override;
    QString press(const QString& id) override;

    // Copies the controls into CommonSettings; false (with the message shown, nothing stored)
    // when a hexadecimal box does not read.
    bool StoreCommonSettings();

    static QStringList canSpeeds();
    static QStringList lineSpeeds();
    static QStringList formats() { return {QStringLiteral("11 бит"), QStringLiteral("10 бит")}; }
    static QStringList parities();

private:
    void changed();
    int* spinValue(const QString& id);
    QString* textValue(const QString& id);

    QString m_adrCan, m_adrExt, m_adrIkp, m_adrOkp, m_const1, m_adrShort;
    std::array<QString, 5> m_adrLong;
    int m_vCan = -1, m_vExt = -1; // -1: the configuration's index is outside the list
    int m_rBit = 0, m_rCon = 0, m_tBit = 0, m_tCon = 0;
    int m_tbegin = 3, m_trepeat = 1, m_timeRT = 0, m_timeRes = 19, m_rtsOff = 19, m_rtsOn = 0;
    bool m_invers = false, m_swap = false, m_modem = false, m_synch = false;
};

} // namespace veg
