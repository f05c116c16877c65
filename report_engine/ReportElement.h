#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <optional>

/// What an element prints.
enum class ElementKind
{
    Text,   ///< its own text
    Data,   ///< the current row's value of a field, bound by name
    System, ///< a value the engine supplies (SystemData)
};

enum class SystemData
{
    Date,
    Time,
    PageNumber,   ///< the element's text is a prefix
    DetailNumber, ///< running number of the detail band, 1 for the first row printed
};

/// Where an element sits across its band.
enum class ElementAlign
{
    Left,   ///< at its own left, text left-aligned
    Center, ///< centred across the band (its left is ignored)
    Right,  ///< against the band's right edge, text right-aligned (its left is ignored)
};

/// One element of a band. Lengths are report pixels (96 to the inch) relative to the band.
struct ReportElement
{
    QString name;
    ElementKind kind = ElementKind::Text;
    /// Text: the text shown. System: a prefix before the value.
    QString text;
    /// Data: the field's name, matched without regard to case; empty means unbound.
    QString fieldName;
    SystemData system = SystemData::Date;

    double left = 0;
    double top = 0;
    double width = 0;
    /// 0 means one line of the element's font.
    double height = 0;
    ElementAlign align = ElementAlign::Left;
    /// The width follows the text instead of width.
    bool autoSize = false;
    /// A line along the element's bottom edge.
    bool bottomLine = false;

    /// Printed only when both are set.
    bool visible = true;
    bool enabled = true;

    /// Unset: the report's font.
    std::optional<QFont> font;
    QColor color = Qt::black;

    bool prints() const { return visible && enabled; }
};
