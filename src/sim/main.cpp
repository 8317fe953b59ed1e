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
#include <limits>
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

// An integer option in [lo, hi]; false when its text does not read as one.
bool intOption(const QString& text, int lo, int hi, int& out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

// A probability option: a number from 0 to 1.
bool probabilityOption(const QString& text, double& out)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !(v >= 0 && v <= 1))
        return false;
    out = v;
    return true;
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
    const QCommandLineOption linkName(
        QStringLiteral("link-name"),
        QStringLiteral("with --pty: a symbolic link of this name to the terminal, a stable port "
                       "name for vegconf (removed on exit)"),
        QStringLiteral("PATH"));
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
    const QCommandLineOption modbusMaxQuantity(
        QStringLiteral("modbus-max-quantity"),
        QStringLiteral("answer read requests for more than N registers or items with "
                       "exception 3, as a gateway taking short requests only (0: up to 125 "
                       "registers, 2000 items)"),
        QStringLiteral("N"), QStringLiteral("0"));
    p.addOptions({modbusPty, modbusPort, modbusLink, modbusVeg, modbusMaxQuantity});
    p.addOption(linkName);
    const QCommandLineOption startImage(
        QStringLiteral("start-image"),
        QStringLiteral("start from an image written by --image: its store, run state, access "
                       "level, network number and protocol (--gateway and --variant may only "
                       "repeat the last two)"),
        QStringLiteral("FILE"));
    p.addOption(startImage);
    const QCommandLineOption keepParam(
        QStringLiteral("keep-param"),
        QStringLiteral("acknowledge the writes of this parameter but keep what it held, as a "
                       "gateway whose store does not take them (may be repeated)"),
        QStringLiteral("HEX"));
    p.addOption(keepParam);
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
    // Every number must read: an option taken as 0 would run another simulator than asked for.
    int versionValue = 0, paceValue = 0, seedValue = 0, lineBaud = 9600, maxQuantity = 0;
    if (!intOption(p.value(crc), 0, 2, o.checksumKind))
        return fail(QStringLiteral("--crc must be 0, 1 or 2"));
    if (!intOption(p.value(variant), 0, 255, o.variant) || (o.variant > 4 && o.variant != 255))
        return fail(QStringLiteral("--variant must be 0..4 or 255"));
    if (!intOption(p.value(version), 0, 255, versionValue))
        return fail(QStringLiteral("--gateway-version must be a number 0..255"));
    o.version = std::uint8_t(versionValue);
    if (!intOption(p.value(stopPolls), 0, 1000000, o.stopPolls))
        return fail(QStringLiteral("--stop-polls must be a number of polls"));
    if (!intOption(p.value(adapterVariant), 0, 1, o.adapterVariant))
        return fail(QStringLiteral("--adapter-variant must be 0 or 1"));
    o.accessCode = p.value(accessCode);
    if (!intOption(p.value(pace), 0, 4000000, paceValue))
        return fail(QStringLiteral("--pace must be a speed in baud, 0 for none"));
    o.paceBaud = paceValue;
    if (!intOption(p.value(seed), 0, std::numeric_limits<int>::max(), seedValue))
        return fail(QStringLiteral("--seed must be a non-negative number"));
    o.faults.seed = std::uint32_t(seedValue);
    const std::pair<const QCommandLineOption*, double*> chances[] = {
        {&drop, &o.faults.drop},   {&corrupt, &o.faults.corrupt}, {&nak, &o.faults.nak},
        {&delay, &o.faults.delay}, {&garbage, &o.faults.garbage}};
    for (const auto& [option, value] : chances)
        if (!probabilityOption(p.value(*option), *value))
            return fail(QStringLiteral("--%1 must be a probability from 0 to 1")
                            .arg(option->names().front()));
    if (!intOption(p.value(delayMs), 0, 60000, o.faults.delayMs))
        return fail(QStringLiteral("--delay-ms must be a number of milliseconds"));
    if (!intOption(p.value(baud), 1, 4000000, lineBaud))
        return fail(QStringLiteral("--baud must be a speed in baud"));
    if (!intOption(p.value(modbusMaxQuantity), 0, 2000, maxQuantity))
        return fail(QStringLiteral("--modbus-max-quantity must be a number 0..2000"));
    for (const QString& text : p.values(keepParam)) {
        bool ok = false;
        const uint param = text.toUInt(&ok, 16);
        if (!ok || param > 0xFFFF)
            return fail(QStringLiteral("--keep-param must be a parameter number of four hex "
                                       "digits"));
        o.keptParams.insert(std::uint16_t(param));
    }
    if (p.isSet(linkName) && !p.isSet(pty))
        return fail(QStringLiteral("--link-name goes with --pty"));

    // The image of an earlier run, refused before any line is opened.
    std::optional<GatewayDevice::Image> start;
    if (p.isSet(startImage)) {
        const QString file = p.value(startImage);
        if (p.isSet(modbusVeg))
            return fail(QStringLiteral("--start-image and --modbus-veg: give one of them"));
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly))
            return fail(file + QStringLiteral(": ") + in.errorString());
        QJsonParseError parsed;
        const QJsonDocument doc = QJsonDocument::fromJson(in.readAll(), &parsed);
        if (!doc.isObject())
            return fail(file + QStringLiteral(": not an image of vegsim: ") +
                        (parsed.error != QJsonParseError::NoError ? parsed.errorString()
                                                                  : QStringLiteral("no object")));
        QString why;
        start = GatewayDevice::fromJson(doc.object(), &why);
        if (!start)
            return fail(file + QStringLiteral(": not an image of vegsim: ") + why);
        // The image names its gateway; an option may only say the same.
        if (p.isSet(gateway) && o.gatewayNumber != start->gatewayNumber)
            return fail(file + QStringLiteral(": the image is of gateway %1, not of --gateway %2")
                                   .arg(QString::number(start->gatewayNumber, 16)
                                            .toUpper()
                                            .rightJustified(2, u'0'),
                                        p.value(gateway).toUpper()));
        if (p.isSet(variant) && o.variant != start->variant)
            return fail(file + QStringLiteral(": the image is of variant %1, not of --variant %2")
                                   .arg(start->variant)
                                   .arg(o.variant));
        o.gatewayNumber = start->gatewayNumber;
        o.variant = start->variant;
    }

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

    const QString stableName = p.value(linkName);
    if (!stableName.isEmpty()) {
        // A link left by an earlier run is replaced; anything else of that name is kept.
        const QFileInfo old(stableName);
        if (old.isSymLink())
            QFile::remove(stableName);
        if (!QFile::link(path, stableName))
            return fail(stableName + QStringLiteral(": cannot make the link to ") + path);
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
    if (start)
        sim.device().restore(*start);
    if (modbusConfig)
        ModbusSlave::preload(sim.device(), *modbusConfig);
    ModbusSlave modbus(sim.device(), o.paceBaud);
    modbus.setMaxQuantity(maxQuantity);
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
    // The link goes first: the image may go to a standard output nobody reads any more.
    if (!stableName.isEmpty() &&
        QFileInfo(stableName).symLinkTarget() == QFileInfo(path).absoluteFilePath())
        QFile::remove(stableName);
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
