#include "report_engine/TextFitter.h"

#include "report_engine/ReportPageSetup.h"

#include <QTextBoundaryFinder>

namespace {

constexpr double kFineDotsPerInch = 1200;
constexpr double kFineDotsPerPixel = kFineDotsPerInch / ReportPageSetup::kPixelsPerInch;
/// How far off the cached estimate may be (ligatures, context): closer calls are shaped.
constexpr double kEstimateSlack = 0.5 * kFineDotsPerPixel;
constexpr double kEpsilon = 1e-6;

/// Characters whose width is their own advance plus the kerning with their neighbours: Latin
/// letters, digits and punctuation, no combining marks, controls or other scripts.
bool isPlain(QChar c)
{
    const char16_t u = c.unicode();
    return u >= 0x20 && u < 0x300 && u != 0x7f && !(u >= 0x80 && u < 0xa0);
}

} // namespace

QImage MeasuringDevice(double dotsPerInch)
{
    QImage device(1, 1, QImage::Format_Mono);
    const int dotsPerMeter = qRound(dotsPerInch / 0.0254);
    device.setDotsPerMeterX(dotsPerMeter);
    device.setDotsPerMeterY(dotsPerMeter);
    return device;
}

TextFitter::TextFitter(const QFont& font)
    : m_device(MeasuringDevice(kFineDotsPerInch)), m_metrics(font, &m_device)
{
}

double TextFitter::charWidth(QChar c) const
{
    auto it = m_chars.constFind(c.unicode());
    if (it == m_chars.cend())
        it = m_chars.insert(c.unicode(), m_metrics.horizontalAdvance(QString(c)));
    return *it;
}

double TextFitter::pairWidth(QChar a, QChar b) const
{
    const quint32 key = quint32(a.unicode()) << 16 | b.unicode();
    auto it = m_pairs.constFind(key);
    if (it == m_pairs.cend())
        it = m_pairs.insert(key, m_metrics.horizontalAdvance(QString(a) + b));
    return *it;
}

std::optional<qsizetype> TextFitter::clearCut(const QString& text, double limit) const
{
    double before = 0; // the width of the characters before i
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isPlain(text[i]))
            return std::nullopt;
        // Each pair adds its second character and the kerning between the two.
        const double after =
            before + (i == 0 ? charWidth(text[i]) : pairWidth(text[i - 1], text[i]) - charWidth(text[i - 1]));
        if (after > limit) {
            if (before + kEstimateSlack <= limit && after - kEstimateSlack > limit)
                return i;
            return std::nullopt;
        }
        before = after;
    }
    if (before + kEstimateSlack <= limit)
        return text.size();
    return std::nullopt;
}

QString TextFitter::fitting(const QString& text, double width) const
{
    const double limit = width * kFineDotsPerPixel + kEpsilon;
    if (const std::optional<qsizetype> cut = clearCut(text, limit))
        return text.left(*cut);
    if (m_metrics.horizontalAdvance(text) <= limit)
        return text;
    QList<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        ends.append(at);
    // The first end that does not fit; the full text is known not to.
    qsizetype low = 0;
    qsizetype high = ends.size() - 1;
    while (low < high) {
        const qsizetype mid = (low + high) / 2;
        if (m_metrics.horizontalAdvance(text.left(ends[mid])) <= limit)
            low = mid + 1;
        else
            high = mid;
    }
    return low == 0 ? QString() : text.left(ends[low - 1]);
}
