#include "print/PlainTextLayout.h"

#include <cmath>

namespace {

constexpr int kTabCharacters = 8;
constexpr double kLineGap = 2;

class PlainTextLayouter
{
public:
    PlainTextLayouter(const QFontMetricsF& metrics, const QSizeF& page)
        : m_metrics(metrics), m_page(page), m_tab(kTabCharacters * metrics.averageCharWidth())
    {
        m_pages.append(PlainTextPage());
    }

    void writeLine(const QString& line)
    {
        const qsizetype n = line.size();
        qsizetype i = 0;
        while (i < n) {
            const QChar c = line.at(i);
            if (c == u'\t') {
                flushRun();
                const double next = m_tab > 0 ? (std::floor(m_x / m_tab) + 1) * m_tab : m_x;
                if (next > m_page.width() && m_x > 0)
                    advanceLine();
                else
                    m_x = next;
                ++i;
                continue;
            }
            if (c == u'\f') {
                flushRun();
                newPage(true);
                ++i;
                continue;
            }
            if (c == u'\r') {
                ++i;
                continue;
            }
            // One character, or a surrogate pair kept whole.
            const qsizetype length =
                c.isHighSurrogate() && i + 1 < n && line.at(i + 1).isLowSurrogate() ? 2 : 1;
            const QStringView piece = QStringView(line).mid(i, length);
            const double advance = m_metrics.horizontalAdvance(piece.toString());
            if (m_x + m_runWidth + advance > m_page.width() && (m_x > 0 || !m_run.isEmpty())) {
                flushRun();
                advanceLine();
            }
            if (m_run.isEmpty())
                m_runStart = m_x;
            m_run += piece;
            m_runWidth += advance;
            i += length;
        }
        flushRun();
        advanceLine();
    }

    QList<PlainTextPage> take()
    {
        // A page the last line's advance opened is never written on; one a form feed asked
        // for is kept, blank.
        if (m_pages.size() > 1 && m_pages.last().runs.isEmpty() && !m_lastPageByFormFeed)
            m_pages.removeLast();
        return std::move(m_pages);
    }

private:
    void flushRun()
    {
        if (m_run.isEmpty())
            return;
        m_pages.last().runs.append({QPointF(m_runStart, m_y), m_run});
        m_x = m_runStart + m_runWidth;
        m_run.clear();
        m_runWidth = 0;
        m_lineHasText = true;
    }

    void advanceLine()
    {
        const double advance = m_lineHasText ? m_metrics.height() + kLineGap : m_metrics.height();
        m_y += advance;
        m_x = 0;
        m_lineHasText = false;
        if (m_y > m_page.height() - 2 * advance)
            newPage(false);
    }

    void newPage(bool formFeed)
    {
        m_pages.append(PlainTextPage());
        m_lastPageByFormFeed = formFeed;
        m_x = 0;
        m_y = 0;
    }

    const QFontMetricsF& m_metrics;
    const QSizeF m_page;
    const double m_tab;
    QList<PlainTextPage> m_pages;
    double m_x = 0;
    double m_y = 0;
    QString m_run;
    double m_runStart = 0;
    double m_runWidth = 0;
    bool m_lineHasText = false;
    bool m_lastPageByFormFeed = false;
};

} // namespace

QList<PlainTextPage> LayoutPlainText(const QStringList& lines, const QFontMetricsF& metrics,
                                     const QSizeF& page)
{
    PlainTextLayouter layouter(metrics, page);
    for (const QString& line : lines)
        layouter.writeLine(line);
    return layouter.take();
}
