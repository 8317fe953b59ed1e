#pragma once

#include "core/port/SerialPort.h"

#include <QSerialPort>

namespace veg {

// The real port over QSerialPort, used without an event loop: reads wait in
// waitForReadyRead, so a read served from bytes already received makes no system call.
// Takes every name a user has: "COM1".."COM8" and higher (with or without the "\\.\" prefix)
// on Windows; /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM* and pseudo-terminals elsewhere.
class QtSerialPort : public SerialPort
{
public:
    QtSerialPort();
    ~QtSerialPort() override;

    // The name QSerialPort is given: the "\\.\" prefix is a Windows form and is dropped
    // elsewhere, where a bare name is looked up under /dev.
    static QString qtPortName(const QString& name);

    bool open(const QString& name) override;
    void close() override;
    bool isOpen() const override;
    bool setBaudRate(int baud) override;
    bool setFrameFormat(bool twoStopBits, bool ctsFlow) override;
    bool setCharacterFormat(Parity parity, StopBits stopBits) override;
    QString openErrorText() const override { return m_openError; }
    void setTimeouts(int readTotalMs, int writeMsPerByte) override;
    int read(std::uint8_t* buffer, int n) override;
    bool write(const std::uint8_t* data, int n) override;
    bool purgeInput() override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    std::optional<std::uint32_t> modemStatus() override;

private:
    bool waitForClearToSend(int timeoutMs);

    QSerialPort m_port;
    bool m_ctsFlow = false; // the adapter line: CTS gates the output
    int m_readTimeoutMs = 120;
    int m_writeMsPerByte = 500;
    QString m_openError;
};

} // namespace veg
