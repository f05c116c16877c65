#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

class QTimer;

/// The long time format: the locale's long format without its time-zone name, which would not
/// fit a status panel ("h:mm:ss AP" in the United States, "HH:mm:ss" in the C locale).
QString LongTimeFormat(const QLocale& locale = QLocale::system());

/// time in the long time format of locale.
QString LongTimeText(const QTime& time, const QLocale& locale = QLocale::system());

/// date in the program-wide short date format (a Qt date format); an empty format means the
/// locale's own short format.
QString ShortDateText(const QDate& date, const QString& shortDateFormat,
                      const QLocale& locale = QLocale::system());

/// A refresh interval in milliseconds from its stored parts, limited to what a timer can hold;
/// 0 (or less) means the timer does not run.
int RefreshInterval(int hours, int minutes, int seconds);

/// Sets timer to interval and runs it, or stops it for an interval of 0 or less: a zero-interval
/// timer would otherwise fire whenever the program is idle.
void SetRefreshInterval(QTimer& timer, int interval);
