#pragma once

#include "report_engine/ReportBand.h"
#include "report_engine/ReportPageSetup.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>

/// One thing drawn on a page, in report pixels from the paper's top-left corner.
struct PlacedItem
{
    enum class Kind : quint8
    {
        Text,
        Line, ///< horizontal: from rect's top-left to its top-right
    };
    Kind kind = Kind::Text;
    BandKind band = BandKind::Detail;
    /// The element it comes from; empty for a band's frame line.
    QString element;
    QRectF rect;
    QString text;
    int font = -1; ///< index into LaidOutReport::fonts
    Qt::Alignment alignment = Qt::AlignLeft;
    QColor color = Qt::black;
    /// Fixed-width text holds only the characters that fit its rectangle whole.
    bool clip = true;
};

struct LaidOutPage
{
    int number = 1;
    QList<PlacedItem> items;
};

/// A report laid out once, ready to be painted onto any device any number of times.
struct LaidOutReport
{
    /// The page it was laid out for.
    ReportPageSetup page;
    QSizeF paper;
    PageOrientation orientation = PageOrientation::Portrait;
    QString title;
    int copies = 1;
    QList<QFont> fonts;
    QList<LaidOutPage> pages;
    int detailCount = 0;
    /// The progress window was cancelled: pages is empty.
    bool cancelled = false;

    bool isEmpty() const { return pages.isEmpty(); }
};
