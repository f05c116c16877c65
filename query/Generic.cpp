#include "query/Generic.h"

#include "connection/EngineError.h"
#include "query/SqlNormalizer.h"
#include "query/StatementRoad.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <array>

namespace {

constexpr char16_t kBlank = u' ';

char16_t upperLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

/// The date-time fields in the order the borrows climb.
enum Level
{
    Msec,
    Sec,
    Min,
    Hour,
    Day,
    Month,
    Year,
    LevelCount,
};

using Fields = std::array<quint16, LevelCount>;

Fields splitInstant(const QDateTime& t)
{
    const QDate d = t.date();
    const QTime tm = t.time();
    return {quint16(tm.msec()), quint16(tm.second()), quint16(tm.minute()), quint16(tm.hour()),
            quint16(d.day()),   quint16(d.month()),   quint16(d.year())};
}

void borrow(Fields& end, int level)
{
    static constexpr std::array<quint16, LevelCount> refill = {0, 59, 59, 23, 29, 11, 0};
    for (; level < Year; ++level) {
        if (end[level] != 0) {
            --end[level];
            return;
        }
        end[level] = refill[level];
    }
    --end[Year];
}

} // namespace

QString UpperCaseLetters(QStringView text)
{
    QString out(text.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const char16_t* src = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i)
        dst[i] = upperLetter(src[i]);
    return out;
}

QString NormalizeSQL(QStringView text, SqlDialect dialect)
{
    return NormalizeSqlText(text, dialect);
}

QString UpperCaseSQLWords(QStringView text, SqlDialect dialect)
{
    return UpperCaseSqlWordsText(text, dialect);
}

bool IsSelectStatement(QStringView text, SqlDialect dialect)
{
    return ReturnsRows(text, dialect);
}

QString ElapsedTimeText(const QDateTime& start, const QDateTime& end)
{
    static constexpr std::array<quint16, LevelCount> span = {1000, 60, 60, 24, 30, 12, 0};
    static constexpr std::array<const char16_t*, LevelCount> units = {u" msecs", u" secs", u" mins", u" hrs",
                                                                      u" days",  u" mths", u" yrs"};

    const Fields s = splitInstant(start);
    Fields e = splitInstant(end);
    Fields diff{};
    for (int level = Msec; level < Year; ++level) {
        if (e[level] >= s[level]) {
            diff[level] = quint16(e[level] - s[level]);
        } else {
            // Only a 31st against a borrowed-down day 0 can go below zero; it counts as the 30th.
            diff[level] = quint16(std::max(0, span[level] - (s[level] - e[level])));
            borrow(e, level + 1);
        }
    }
    diff[Year] = quint16(e[Year] - s[Year]);

    QStringList parts;
    for (int level = Year; level >= Msec; --level) {
        if (diff[level] != 0)
            parts.append(QString::number(diff[level]).append(QStringView(units[level])));
    }
    return parts.join(QChar(kBlank));
}

QString EngineErrorText(const EngineError& error)
{
    QString text;
    bool first = true;
    for (const EngineError::Entry& entry : error.entries()) {
        if (!first)
            text += QStringLiteral("\r\r");
        // A severity other than a plain error (FATAL, PANIC) says the session itself is hit.
        if (!entry.severity.isEmpty() && entry.severity != u"ERROR")
            text += entry.severity + QStringLiteral(": ");
        text += entry.message;
        if (!entry.detail.isEmpty())
            text += QStringLiteral("\rDetail: ") + entry.detail;
        if (!entry.hint.isEmpty())
            text += QStringLiteral("\rHint: ") + entry.hint;
        if (entry.position > 0)
            text += QStringLiteral("\rAt character %1 of the statement.").arg(entry.position);
        first = false;
    }
    return text;
}
