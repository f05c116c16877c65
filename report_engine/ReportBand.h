#pragma once

#include "report_engine/ReportElement.h"

#include <QList>

enum class BandKind
{
    PageHeader, ///< on every page, the first included
    Detail,     ///< once per row
    PageFooter, ///< on every page, the last included
};

/// A horizontal strip of the page with its elements.
struct ReportBand
{
    double height = 0;
    bool frameTop = false;
    bool frameBottom = false;
    QList<ReportElement> elements;

    /// The element of that name (exact spelling), or nullptr.
    ReportElement* find(const QString& name)
    {
        for (ReportElement& e : elements) {
            if (e.name == name)
                return &e;
        }
        return nullptr;
    }
};
