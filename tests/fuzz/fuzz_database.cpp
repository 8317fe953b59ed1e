// libFuzzer target over the controller database reader: the queue, module, template and
// algorithm files come from the input, split at the marker "|VEG|": piece 0 the queue file,
// piece 1 the module file, piece 2 the template file, the pieces after it the algorithm files
// (algorithm n gets piece 3 + n mod their count). Every query then runs over what was read.
#include "core/database/DatabaseSource.h"
#include "core/database/Task_CL.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

class FuzzSource : public veg::DatabaseSource
{
public:
    std::vector<QByteArray> Parts;

    std::optional<QByteArray> part(std::size_t i) const
    {
        if (i >= Parts.size())
            return std::nullopt;
        return Parts[i];
    }
    std::optional<QByteArray> queueFile() override { return part(0); }
    std::optional<QByteArray> moduleFile(std::uint16_t) override { return part(1); }
    bool hasTemplates() const override { return true; }
    std::optional<QByteArray> templateFile(std::uint16_t) override { return part(2); }
    std::optional<QByteArray> algorithmFile(std::uint16_t number) override
    {
        if (Parts.size() <= 3)
            return std::nullopt;
        return Parts[3 + number % (Parts.size() - 3)];
    }
};

void query(const veg::Task_CL& t)
{
    std::vector<veg::ParamCandidate> list;
    for (int i = -1; i <= t.taskCount(); ++i) {
        const std::uint16_t algorithm = i >= 0 && i < t.taskCount() ? t.tasks()[i].Algorithm : 0;
        t.ListTaskParameters(algorithm, i, 1, list);
        t.ListTaskParameters(algorithm, i, 8, list);
        (void)t.GetTaskNumber(i);
    }
    for (const veg::ParamCandidate& c : list)
        (void)t.GetEntryTexts(c);
    veg::ParamCandidate odd;
    odd.Descriptor = int(t.descriptors().size());
    odd.Param = int(t.params().size());
    (void)t.GetEntryTexts(odd);
    const int count = int(t.params().size());
    for (int i = -1; i <= count; ++i) {
        (void)t.GetParameterAt(i, true);
        (void)t.GetParameterAt(i, false);
    }
    for (int i = 0; i < count && i < 64; ++i) {
        const veg::ParamRecord& p = t.params()[i];
        for (int cls : {veg::AnyClass, veg::AnyClassAboveZero, 0, 1, 2, 3})
            (void)t.FindParameter(p.Number, cls);
        int at = i;
        (void)t.FindParameterIndex(p.Number, at, true);
        (void)t.FindTaskOfParameter(p.Number);
        (void)t.GetParameterName(p.Number, p.Task, false);
        (void)t.GetParameterName(p.Number, -1, true);
        (void)t.IsAlgorithm32(t.descriptors()[p.Descriptor].Algorithm);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    static const QByteArray marker("|VEG|");
    FuzzSource source;
    qsizetype from = 0;
    while (source.Parts.size() < 64) {
        const qsizetype at = input.indexOf(marker, from);
        if (at < 0) {
            source.Parts.push_back(input.mid(from));
            break;
        }
        source.Parts.push_back(input.mid(from, at - from));
        from = at + marker.size();
    }
    const veg::Task_CL t("fuzz", source);
    query(t);
    return 0;
}
