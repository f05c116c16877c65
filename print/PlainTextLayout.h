#pragma once

#include <QFontMetricsF>
#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>

/// A piece of text at its place: pos is the top-left of its line box, in device pixels from the
/// top-left corner of the printable area.
struct PlainTextRun
{
    QPointF pos;
    QString text;
};

struct PlainTextPage
{
    QList<PlainTextRun> runs;
};

/// Lays out lines of plain text the way a plain-text print job puts them on paper:
/// - text starts at the top-left corner of the printable area;
/// - a line wider than the page breaks after the last character that fits and goes on at the
///   left edge of the next line;
/// - a tab moves to the next multiple of 8 average character widths, a form feed starts a new
///   page, a carriage return on its own does nothing;
/// - after each line the position moves down by the text height plus 2 pixels (the character
///   height for a line with no text), and a new page begins when it is then more than the page
///   height less twice that advance.
/// There is always at least one page, empty for no lines.
QList<PlainTextPage> LayoutPlainText(const QStringList& lines, const QFontMetricsF& metrics,
                                     const QSizeF& page);
