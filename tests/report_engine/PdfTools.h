#pragma once

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

/// Runs a poppler tool on a PDF file and returns what it printed; empty when it failed.
inline QString runPdfTool(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

/// The text of a PDF as pdftotext reads it, with the physical layout kept.
inline QString pdfText(const QString& path)
{
    return runPdfTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
}

/// The text of each page of a PDF, split at the form feeds pdftotext puts between pages.
inline QStringList pdfPages(const QString& path)
{
    QStringList pages = pdfText(path).split(QChar(u'\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

/// A field of pdfinfo's report, such as "Pages" or "Page size"; empty when missing.
inline QString pdfInfo(const QString& path, const QString& field)
{
    const QString info = runPdfTool(QStringLiteral("pdfinfo"), {path});
    const QRegularExpression line(QStringLiteral("^%1:\\s*(.*)$").arg(QRegularExpression::escape(field)),
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = line.match(info);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

inline int pdfPageCount(const QString& path)
{
    return pdfInfo(path, QStringLiteral("Pages")).toInt();
}

/// Page `page` (from 1) of a PDF as a picture at dpi dots per inch; null when it failed.
inline QImage pdfPageImage(const QString& path, int page, int dpi)
{
    const QString base = path + QStringLiteral("-page%1").arg(page);
    const QString n = QString::number(page);
    runPdfTool(QStringLiteral("pdftoppm"),
               {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), n, QStringLiteral("-l"), n,
                QStringLiteral("-singlefile"), QStringLiteral("-png"), path, base});
    return QImage(base + QStringLiteral(".png"));
}
