// Any bytes as a configuration file: the INI document and the .veg reader must neither crash nor
// read out of bounds, a refused file must leave the configuration unchanged, and whatever was
// loaded must save and load back to the same configuration.
#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"
#include "core/text/IniDocument.h"

#include <cstdint>
#include <cstdlib>

using namespace veg;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    IniDocument doc = IniDocument::fromBytes(bytes);
    // The document survives its own text.
    const QByteArray text = doc.toBytes();
    if (IniDocument::fromBytes(text).toBytes() != text)
        std::abort();

    GatewayConfig config;
    config.CreateFor(ProtocolVariant::Modbus);
    const GatewayConfig before = config;
    const LoadResult r = LoadConfiguration(config, doc, QStringLiteral("fuzz.veg"), {});
    if (!r.loaded()) {
        if (!(config == before))
            std::abort();
        return 0;
    }
    // Whatever loaded goes out whole and comes back the same.
    IniDocument out;
    GatewayConfig saved = config;
    WriteConfiguration(saved, out, true);
    GatewayConfig back;
    back.Common = config.Common;
    const LoadResult again = LoadConfiguration(back, IniDocument::fromBytes(out.toBytes()),
                                               QStringLiteral("fuzz.veg"), {});
    if (!again.loaded())
        std::abort();
    back.Changed = config.Changed;
    back.HasFile = config.HasFile;
    back.IsReadBack = config.IsReadBack;
    if (!(back.Protocol == config.Protocol && back.Common == config.Common))
        std::abort();
    return 0;
}
