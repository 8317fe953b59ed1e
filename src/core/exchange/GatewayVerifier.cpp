#include "core/exchange/GatewayVerifier.h"

#include "core/text/NumberText.h"

namespace veg {

namespace {
QString hexList(const QByteArray& bytes)
{
    QStringList out;
    for (char b : bytes)
        out << NumberText::hex(std::uint8_t(b), 2);
    return out.join(u' ');
}
} // namespace

QString ImageDifference::text() const
{
    QString s = NumberText::hex(expected.param, 4);
    if (!expected.isPlain())
        s += QStringLiteral("[%1]").arg(expected.index);
    return s + QStringLiteral(" gateway ") + hexList(gateway) + QStringLiteral(" file ") +
           hexList(expected.bytes);
}

bool GatewayVerifier::verify(const GatewayConfig& config, std::vector<ImageDifference>& differences)
{
    differences.clear();
    const QString refusal = GatewayImage::refusal(config);
    if (!refusal.isEmpty()) {
        m_session.refuse(refusal);
        return false;
    }
    if (!linkReady())
        return false;
    m_view.setCaption(QStringLiteral("Идет проверка"));
    const LinkTarget target = begin();
    if (!openAccess(target))
        return false;
    const std::vector<ImageWrite> image = GatewayImage::encode(config);
    m_progress.restart(int(image.size()));
    for (const ImageWrite& w : image) {
        if (!pumpAndGoOn())
            return false;
        LinkAnswer answer;
        const int length = int(w.bytes.size());
        LinkStatus st;
        if (w.isPlain()) {
            st = link().ReadParam(w.param, length, target, answer);
        } else {
            int got = 0;
            st = link().ReadParamAt(w.param, std::uint16_t(w.index), length, length, target, answer,
                                    got);
        }
        if (!check(st))
            return false;
        const QByteArray read = dataOf(answer, length);
        if (read != w.bytes)
            differences.push_back(ImageDifference{w, read});
        m_progress.advance();
    }
    return true;
}

} // namespace veg
