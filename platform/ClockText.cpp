#include "platform/ClockText.h"

#include <QTimer>

#include <algorithm>
#include <climits>

QString LongTimeFormat(const QLocale& locale)
{
    // Drop every unquoted "t" (the zone) together with the blanks before it.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't') {
            while (result.endsWith(u' '))
                result.chop(1);
            continue;
        }
        result.append(c);
    }
    return result.trimmed();
}

QString LongTimeText(const QTime& time, const QLocale& locale)
{
    return locale.toString(time, LongTimeFormat(locale));
}

QString ShortDateText(const QDate& date, const QString& shortDateFormat, const QLocale& locale)
{
    return locale.toString(date, shortDateFormat.isEmpty() ? locale.dateFormat(QLocale::ShortFormat)
                                                           : shortDateFormat);
}

int RefreshInterval(int hours, int minutes, int seconds)
{
    const long long total = hours * 3'600'000LL + minutes * 60'000LL + seconds * 1'000LL;
    return static_cast<int>(std::clamp<long long>(total, 0, INT_MAX));
}

void SetRefreshInterval(QTimer& timer, int interval)
{
    if (interval <= 0) {
        timer.stop();
        timer.setInterval(0);
        return;
    }
    timer.start(interval);
}
