#include "report_engine/ReportLayout.h"

#include "report_engine/ReportDefinition.h"
#include "report_engine/RowSource.h"
#include "report_engine/TextFitter.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLocale>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kProgressEveryRows = 250;
constexpr double kEpsilon = 1e-9;

/// The distinct fonts of a report, each measured once at report resolution.
class FontTable
{
public:
    explicit FontTable(QList<QFont>& fonts)
        : m_fonts(fonts), m_device(MeasuringDevice(ReportPageSetup::kPixelsPerInch))
    {
    }

    int indexOf(const QFont& font)
    {
        for (int i = 0; i < m_fonts.size(); ++i) {
            if (m_fonts[i] == font)
                return i;
        }
        m_fonts.append(font);
        m_metrics.emplace_back(font, &m_device);
        m_fitters.push_back(std::make_unique<TextFitter>(font));
        return int(m_fonts.size()) - 1;
    }

    const QFontMetricsF& metrics(int index) const { return m_metrics[std::size_t(index)]; }

    /// The longest start of text made of whole characters that fits width.
    QString fitting(int index, const QString& text, double width) const
    {
        return m_fitters[std::size_t(index)]->fitting(text, width);
    }

private:
    QList<QFont>& m_fonts;
    QImage m_device;
    std::vector<QFontMetricsF> m_metrics;
    std::vector<std::unique_ptr<TextFitter>> m_fitters;
};

struct PreparedElement
{
    const ReportElement* element = nullptr;
    int font = -1;
    int field = -1;
};

/// What the system elements and data elements of one band placement show.
struct BandValues
{
    int row = -1;
    int page = 1;
    int detailNumber = 0;
};

class Layouter
{
public:
    Layouter(const ReportDefinition& definition, const RowSource& source, const LayoutOptions& options)
        : m_def(definition), m_source(source), m_options(options), m_fonts(m_out.fonts)
    {
        const QDateTime now = options.now.isValid() ? options.now : QDateTime::currentDateTime();
        const QLocale locale = QLocale::system();
        m_date = now.date().toString(definition.dateFormat.isEmpty() ? locale.dateFormat(QLocale::ShortFormat)
                                                                     : definition.dateFormat);
        m_time = now.time().toString(definition.timeFormat.isEmpty() ? locale.timeFormat(QLocale::ShortFormat)
                                                                     : definition.timeFormat);
        m_header = prepare(definition.pageHeader);
        m_detail = prepare(definition.detail);
        m_footer = prepare(definition.pageFooter);
    }

    LaidOutReport run()
    {
        const ReportPageSetup& page = m_def.page;
        m_out.page = page;
        m_out.paper = page.paperPixels();
        m_out.orientation = page.orientation;
        m_out.title = m_def.title;
        m_out.copies = std::max(1, m_def.copies);

        const int rows = m_source.rowCount();
        if (rows <= 0)
            return std::move(m_out);

        const double ppi = ReportPageSetup::kPixelsPerInch;
        m_left = page.leftMargin * ppi;
        m_top = page.topMargin * ppi;
        m_bandWidth = m_out.paper.width() - m_left - page.rightMargin * ppi;
        m_columns = std::max(1, page.columns);
        m_columnSpace = page.columnSpace * ppi;
        m_columnWidth = (m_bandWidth - (m_columns - 1) * m_columnSpace) / m_columns;
        m_bodyTop = m_top + m_def.pageHeader.height;
        m_bodyBottom = m_out.paper.height() - page.bottomMargin * ppi - m_def.pageFooter.height;

        startPage(0);
        for (int row = 0; row < rows; ++row) {
            if (m_options.progress && row % kProgressEveryRows == 0 && !m_options.progress(row, rows)) {
                m_out.pages.clear();
                m_out.detailCount = 0;
                m_out.cancelled = true;
                return std::move(m_out);
            }
            // A detail taller than the whole body still gets a page of its own.
            if (m_detailsInColumn > 0 && m_y + m_def.detail.height > m_bodyBottom + kEpsilon) {
                if (++m_column < m_columns) {
                    m_y = m_bodyTop;
                    m_detailsInColumn = 0;
                } else {
                    finishPage(row - 1);
                    startPage(row);
                }
            }
            const double x = m_left + m_column * (m_columnWidth + m_columnSpace);
            placeBand(m_def.detail, m_detail, BandKind::Detail, x, m_y, m_columnWidth,
                      {row, pageNumber(), row + 1});
            m_y += m_def.detail.height;
            ++m_detailsInColumn;
        }
        finishPage(rows - 1);
        m_out.detailCount = rows;
        if (m_options.progress)
            m_options.progress(rows, rows);
        return std::move(m_out);
    }

private:
    std::vector<PreparedElement> prepare(const ReportBand& band)
    {
        std::vector<PreparedElement> prepared;
        for (const ReportElement& e : band.elements) {
            if (!e.prints())
                continue;
            PreparedElement p;
            p.element = &e;
            p.font = m_fonts.indexOf(e.font.value_or(m_def.font));
            if (e.kind == ElementKind::Data && !e.fieldName.isEmpty())
                p.field = m_source.findField(e.fieldName);
            prepared.push_back(p);
        }
        return prepared;
    }

    int pageNumber() const { return int(m_out.pages.size()); }

    void startPage(int firstRow)
    {
        LaidOutPage page;
        page.number = pageNumber() + 1;
        m_out.pages.append(page);
        m_column = 0;
        m_y = m_bodyTop;
        m_detailsInColumn = 0;
        placeBand(m_def.pageHeader, m_header, BandKind::PageHeader, m_left, m_top, m_bandWidth,
                  {firstRow, pageNumber(), firstRow + 1});
    }

    void finishPage(int lastRow)
    {
        placeBand(m_def.pageFooter, m_footer, BandKind::PageFooter, m_left, m_bodyBottom, m_bandWidth,
                  {lastRow, pageNumber(), lastRow + 1});
    }

    QString valueOf(const PreparedElement& p, const BandValues& values) const
    {
        const ReportElement& e = *p.element;
        switch (e.kind) {
        case ElementKind::Text:
            return e.text;
        case ElementKind::Data:
            return p.field >= 0 && values.row >= 0 ? m_source.cellText(values.row, p.field) : QString();
        case ElementKind::System:
            switch (e.system) {
            case SystemData::Date:
                return e.text + m_date;
            case SystemData::Time:
                return e.text + m_time;
            case SystemData::PageNumber:
                return e.text + QString::number(values.page);
            case SystemData::DetailNumber:
                return e.text + QString::number(values.detailNumber);
            }
        }
        return {};
    }

    void addLine(BandKind band, const QString& element, double x, double y, double width)
    {
        PlacedItem line;
        line.kind = PlacedItem::Kind::Line;
        line.band = band;
        line.element = element;
        line.rect = QRectF(x, y, width, 0);
        m_out.pages.last().items.append(std::move(line));
    }

    void placeBand(const ReportBand& band, const std::vector<PreparedElement>& elements, BandKind kind,
                   double x, double y, double width, const BandValues& values)
    {
        if (band.frameTop)
            addLine(kind, QString(), x, y, width);
        for (const PreparedElement& p : elements) {
            const ReportElement& e = *p.element;
            const QFontMetricsF& metrics = m_fonts.metrics(p.font);
            PlacedItem item;
            item.band = kind;
            item.element = e.name;
            item.text = valueOf(p, values);
            item.font = p.font;
            item.color = e.color;
            item.clip = !e.autoSize;
            const double w = e.autoSize ? metrics.horizontalAdvance(item.text) : e.width;
            if (item.clip)
                item.text = m_fonts.fitting(p.font, item.text, w);
            const double h = e.height > 0 ? e.height : metrics.height();
            double left = e.left;
            switch (e.align) {
            case ElementAlign::Left:
                item.alignment = Qt::AlignLeft;
                break;
            case ElementAlign::Center:
                left = (width - w) / 2;
                item.alignment = Qt::AlignHCenter;
                break;
            case ElementAlign::Right:
                left = width - w;
                item.alignment = Qt::AlignRight;
                break;
            }
            item.rect = QRectF(x + left, y + e.top, w, h);
            const QRectF rect = item.rect;
            m_out.pages.last().items.append(std::move(item));
            if (e.bottomLine)
                addLine(kind, e.name, rect.left(), rect.bottom(), rect.width());
        }
        if (band.frameBottom)
            addLine(kind, QString(), x, y + band.height, width);
    }

    const ReportDefinition& m_def;
    const RowSource& m_source;
    const LayoutOptions& m_options;
    LaidOutReport m_out;
    FontTable m_fonts;
    QString m_date;
    QString m_time;
    std::vector<PreparedElement> m_header;
    std::vector<PreparedElement> m_detail;
    std::vector<PreparedElement> m_footer;

    double m_left = 0;
    double m_top = 0;
    double m_bandWidth = 0;
    int m_columns = 1;
    double m_columnSpace = 0;
    double m_columnWidth = 0;
    double m_bodyTop = 0;
    double m_bodyBottom = 0;

    int m_column = 0;
    double m_y = 0;
    int m_detailsInColumn = 0;
};

} // namespace

LaidOutReport LayoutReport(const ReportDefinition& definition, const RowSource& source,
                           const LayoutOptions& options)
{
    return Layouter(definition, source, options).run();
}
