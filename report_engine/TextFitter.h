#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QString>

#include <optional>

/// A paint device that only measures, at the given resolution.
QImage MeasuringDevice(double dotsPerInch);

/// Cuts text of one font to the whole characters that fit a width. Widths are measured at print
/// resolution, where advances are the font's own and not rounded to screen pixels, so that what
/// fits here fits on paper too.
///
/// Measuring every cell of a large report by shaping it is slow; plain text is first judged from
/// cached widths of its characters and character pairs (which carry the kerning), and shaped
/// only when that judgement is too close to call.
class TextFitter final
{
public:
    explicit TextFitter(const QFont& font);

    /// The longest start of text made of whole characters (a letter with its accents) whose
    /// width in report pixels is at most width.
    QString fitting(const QString& text, double width) const;

private:
    /// How many characters of text fit limit (fine dots), judged from the cached widths; nullopt
    /// when the text up to the cut is not plain or a width lies too close to the limit.
    std::optional<qsizetype> clearCut(const QString& text, double limit) const;
    double charWidth(QChar c) const;
    double pairWidth(QChar a, QChar b) const;

    QImage m_device;
    QFontMetricsF m_metrics;
    mutable QHash<char16_t, double> m_chars;
    mutable QHash<quint32, double> m_pairs;
};
