#pragma once

#include "report_engine/ReportBand.h"
#include "report_engine/ReportPageSetup.h"

#include <QFont>
#include <QString>

/// A banded report: page setup, the three bands with their elements, and how it is put out.
struct ReportDefinition
{
    ReportPageSetup page;
    /// Caption of the preview window and name of the print job.
    QString title;
    int copies = 1;
    /// Show a cancelable progress window while the report is laid out and put out.
    bool showProgress = true;
    QFont font = QFont(QStringLiteral("Times New Roman"), 10);
    /// Qt date and time formats; empty means the system's short formats.
    QString dateFormat;
    QString timeFormat;

    ReportBand pageHeader;
    ReportBand detail;
    ReportBand pageFooter;

    /// The element of that name in any band, or nullptr.
    ReportElement* findElement(const QString& name)
    {
        for (ReportBand* band : {&pageHeader, &detail, &pageFooter}) {
            if (ReportElement* e = band->find(name))
                return e;
        }
        return nullptr;
    }
};
