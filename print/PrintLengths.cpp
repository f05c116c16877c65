#include "print/PrintLengths.h"

#include "print/GenericReport.h"

#include <QLocale>

#include <cmath>

QString StoredLengthText(double pixels)
{
    return QString::number(pixels / kReportPixelsPerInch, 'g', 15);
}

QString DisplayLengthText(double pixels)
{
    const QString text = StoredLengthText(pixels);
    const qsizetype point = text.indexOf(u'.');
    return point < 0 ? text : text.left(point + 3);
}

std::optional<double> ParseInchesToPixels(const QString& text)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double inches = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(inches))
        return std::nullopt;
    return inches * kReportPixelsPerInch;
}
