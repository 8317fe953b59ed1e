// vegsim: the ВЕГ-78 gateway, its master module or its CAN-BUS adapter on a serial port or a
// pseudo-terminal, for demos, training and the end-to-end tests.

#include "core/config/ConfigFile.h"
#include "sim/GatewaySimulator.h"
#include "sim/LineHost.h"
#include "sim/ModbusSlave.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

#include <csignal>
#include <cstdio>
#include <optional>
#include <unistd.h>

using namespace veg::sim;

namespace {

volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_image = 0;

void onStop(int)
{
    g_stop = 1;
}
void onImage(int)
{
    g_image = 1;
}

bool hexByte(const QString& text, std::uint8_t& out)
{
    bool ok = false;
    const uint v = text.toUInt(&ok, 16);
    if (!ok || v > 0xFF)
        return false;
    out = std::uint8_t(v);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vegsim"));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Симулятор шлюза ВЕГ-78"));
    p.addHelpOption();
    const QCommandLineOption pty(QStringLiteral("pty"),
                                 QStringLiteral("create a pseudo-terminal, print its path"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("serial device"),
                                  QStringLiteral("NAME"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("device speed"),
                                  QStringLiteral("N"), QStringLiteral("9600"));
    const QCommandLineOption link(QStringLiteral("link"), QStringLiteral("rs232 or can"),
                                  QStringLiteral("KIND"), QStringLiteral("rs232"));
    const QCommandLineOption gateway(QStringLiteral("gateway"),
                                     QStringLiteral("gateway network number"),
                                     QStringLiteral("HEX"), QStringLiteral("25"));
    const QCommandLineOption master(QStringLiteral("master"),
                                    QStringLiteral("master module network number"),
                                    QStringLiteral("HEX"), QStringLiteral("01"));
    const QCommandLineOption noMaster(QStringLiteral("no-master"),
                                      QStringLiteral("no master module on the line"));
    const QCommandLineOption crc(QStringLiteral("crc"), QStringLiteral("checksum kind 0, 1, 2"),
                                 QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption variant(QStringLiteral("variant"),
                                     QStringLiteral("protocol variant 0..4, 255 none"),
                                     QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption version(QStringLiteral("gateway-version"),
                                     QStringLiteral("answer to 0xF002"), QStringLiteral("N"),
                                     QStringLiteral("4"));
    const QCommandLineOption stopPolls(QStringLiteral("stop-polls"),
                                       QStringLiteral("polls before 0x81 after a stop request"),
                                       QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption adapterVariant(
        QStringLiteral("adapter-variant"),
        QStringLiteral("0 answers \"0\" (the link then tests the carrier, which a "
                       "pseudo-terminal never shows), 1 answers \"@\""),
        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption accessCode(QStringLiteral("access-code"),
                                        QStringLiteral("code of levels 2 and 3 (8 hex digits)"),
                                        QStringLiteral("HEX"));
    const QCommandLineOption pace(QStringLiteral("pace"),
                                  QStringLiteral("hold answers for the wire time at this speed"),
                                  QStringLiteral("BAUD"), QStringLiteral("0"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("fault seed"),
                                  QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption drop(QStringLiteral("drop"), QStringLiteral("dropped answers"),
                                  QStringLiteral("P"), QStringLiteral("0"));
    const QCommandLineOption corrupt(QStringLiteral("corrupt"),
                                     QStringLiteral("corrupted checksums / foreign frames"),
                                     QStringLiteral("P"), QStringLiteral("0"));
    const QCommandLineOption nak(QStringLiteral("nak"), QStringLiteral("negative receipts"),
                                 QStringLiteral("P"), QStringLiteral("0"));
    const QCommandLineOption delay(QStringLiteral("delay"), QStringLiteral("delayed answers"),
                                   QStringLiteral("P"), QStringLiteral("0"));
    const QCommandLineOption delayMs(QStringLiteral("delay-ms"), QStringLiteral("delay"),
                                     QStringLiteral("MS"), QStringLiteral("20"));
    const QCommandLineOption garbage(QStringLiteral("garbage"),
                                     QStringLiteral("garbage before frames"), QStringLiteral("P"),
                                     QStringLiteral("0"));
    const QCommandLineOption image(QStringLiteral("image"),
                                   QStringLiteral("write the parameter store here as JSON"),
                                   QStringLiteral("FILE"));
    p.addOptions({pty,     port,    baud,      link,           gateway,    master, noMaster, crc,
                  variant, version, stopPolls, adapterVariant, accessCode, pace,   seed,     drop,
                  corrupt, nak,     delay,     delayMs,        garbage,    image});
    // The gateway's upper-level Modbus side on a line of its own.
    const QCommandLineOption modbusPty(
        QStringLiteral("modbus-pty"),
        QStringLiteral("serve the Modbus side on a second pseudo-terminal, print its path "
                       "on the second line"));
    const QCommandLineOption modbusPort(
        QStringLiteral("modbus-port"),
        QStringLiteral("serve the Modbus side on this serial device"), QStringLiteral("NAME"));
    const QCommandLineOption modbusLink(
        QStringLiteral("modbus-link"),
        QStringLiteral("make PATH a link to the Modbus side's pseudo-terminal "
                       "(implies --modbus-pty)"),
        QStringLiteral("PATH"));
    const QCommandLineOption modbusVeg(
        QStringLiteral("modbus-veg"),
        QStringLiteral("start with the Modbus settings and tables (telemetry, telesignals, "
                       "telecontrol) of this \".veg\" file, as if written into the gateway"),
        QStringLiteral("FILE"));
    p.addOptions({modbusPty, modbusPort, modbusLink, modbusVeg});
    p.process(app);

    auto fail = [](const QString& text) {
        std::fprintf(stderr, "vegsim: %s\n", text.toLocal8Bit().constData());
        return 2;
    };
    SimOptions o;
    if (p.value(link) == QStringLiteral("can"))
        o.line = SimOptions::Line::CanAdapter;
    else if (p.value(link) != QStringLiteral("rs232"))
        return fail(QStringLiteral("--link must be rs232 or can"));
    if (!hexByte(p.value(gateway), o.gatewayNumber) || !hexByte(p.value(master), o.masterNumber))
        return fail(QStringLiteral("network numbers are two hex digits"));
    o.masterModule = !p.isSet(noMaster);
    o.checksumKind = p.value(crc).toInt();
    if (o.checksumKind < 0 || o.checksumKind > 2)
        return fail(QStringLiteral("--crc must be 0, 1 or 2"));
    o.variant = p.value(variant).toInt();
    o.version = std::uint8_t(p.value(version).toInt());
    o.stopPolls = p.value(stopPolls).toInt();
    o.adapterVariant = p.value(adapterVariant).toInt() == 0 ? 0 : 1;
    o.accessCode = p.value(accessCode);
    o.paceBaud = p.value(pace).toInt();
    o.faults.seed = p.value(seed).toUInt();
    o.faults.drop = p.value(drop).toDouble();
    o.faults.corrupt = p.value(corrupt).toDouble();
    o.faults.nak = p.value(nak).toDouble();
    o.faults.delay = p.value(delay).toDouble();
    o.faults.delayMs = p.value(delayMs).toInt();
    o.faults.garbage = p.value(garbage).toDouble();

    // The configuration the Modbus side starts with, refused before any line is opened.
    std::optional<veg::GatewayConfig> modbusConfig;
    if (p.isSet(modbusVeg)) {
        modbusConfig.emplace();
        const veg::LoadResult loaded =
            veg::LoadConfiguration(*modbusConfig, p.value(modbusVeg), {});
        if (!loaded.loaded())
            return fail(p.value(modbusVeg) + QStringLiteral(": ") + loaded.message);
        if (modbusConfig->Protocol != veg::ProtocolVariant::Modbus)
            return fail(p.value(modbusVeg) + QStringLiteral(": not a Modbus configuration"));
    }

    QString error;
    QString path;
    int slaveFd = -1;
    int fd = -1;
    const int lineBaud = p.value(baud).toInt() > 0 ? p.value(baud).toInt() : 9600;
    if (p.isSet(pty)) {
        fd = LineHost::openPty(&path, &slaveFd, &error);
    } else if (p.isSet(port)) {
        path = p.value(port);
        fd = LineHost::openDevice(path, lineBaud, &error);
    } else {
        return fail(QStringLiteral("give --pty or --port NAME"));
    }
    if (fd < 0)
        return fail(path + QStringLiteral(": ") + error);
    // The Modbus side: the second line printed is its path.
    QString modbusPath;
    int modbusFd = -1;
    int modbusSlaveFd = -1;
    if (p.isSet(modbusPty) || p.isSet(modbusLink)) {
        modbusFd = LineHost::openPty(&modbusPath, &modbusSlaveFd, &error);
    } else if (p.isSet(modbusPort)) {
        modbusPath = p.value(modbusPort);
        modbusFd = LineHost::openDevice(modbusPath, lineBaud, &error);
    }
    if (modbusFd < 0 && !modbusPath.isEmpty())
        return fail(modbusPath + QStringLiteral(": ") + error);
    if (modbusFd < 0 && (p.isSet(modbusPty) || p.isSet(modbusLink)))
        return fail(QStringLiteral("Modbus pseudo-terminal: ") + error);
    const QString linkPath = p.value(modbusLink);
    if (!linkPath.isEmpty()) {
        // Only a link of an earlier run is replaced, never a file.
        const QFileInfo old(linkPath);
        if (old.isSymLink())
            QFile::remove(linkPath);
        else if (old.exists())
            return fail(linkPath + QStringLiteral(": exists and is not a link"));
        if (!QFile::link(modbusPath, linkPath))
            return fail(linkPath + QStringLiteral(": cannot make the link"));
    }

    std::printf("%s\n", path.toLocal8Bit().constData());
    if (modbusFd >= 0)
        std::printf("%s\n", modbusPath.toLocal8Bit().constData());
    std::fflush(stdout);

    std::signal(SIGINT, onStop);
    std::signal(SIGTERM, onStop);
    std::signal(SIGHUP, onStop);
    std::signal(SIGUSR1, onImage);

    GatewaySimulator sim(o);
    if (modbusConfig)
        ModbusSlave::preload(sim.device(), *modbusConfig);
    ModbusSlave modbus(sim.device(), o.paceBaud);
    // A coil write shows on standard error as the controller parameter the gateway would set.
    modbus.setTrace([](const QString& line) {
        std::fprintf(stderr, "vegsim: %s\n", line.toLocal8Bit().constData());
        std::fflush(stderr);
    });
    const QString imagePath = p.value(image);
    auto writeImage = [&] {
        const QByteArray json = QJsonDocument(sim.device().toJson()).toJson();
        if (imagePath.isEmpty()) {
            std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
            std::fflush(stdout);
            return;
        }
        QSaveFile file(imagePath);
        if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit())
            std::fprintf(stderr, "vegsim: cannot write %s\n", imagePath.toLocal8Bit().constData());
    };
    // Three character times of silence end a frame; never less than 20 ms.
    const int idleMs = std::max(20, 30000 / lineBaud + 1);
    LineHost host(sim, fd, idleMs);
    if (modbusFd >= 0)
        host.addModbusLine(modbus, modbusFd, idleMs);
    host.run(g_stop, g_image, writeImage);
    writeImage();
    ::close(fd);
    if (slaveFd >= 0)
        ::close(slaveFd);
    if (modbusFd >= 0)
        ::close(modbusFd);
    if (modbusSlaveFd >= 0)
        ::close(modbusSlaveFd);
    if (!linkPath.isEmpty())
        QFile::remove(linkPath);
    return 0;
}
