#include "query/Generic.h"

#include "connection/EngineError.h"
#include "platform/Desktop.h"
#include "query/SqlNormalizer.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <array>

namespace {

constexpr char16_t kBlank = u' ';

bool isTrimmable(char16_t c)
{
    return c <= 32;
}

char16_t upperLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

/// Splits a text at blanks the way the normalisers read it: a word runs to the next blank, and
/// what follows that blank is trimmed (codes 0 to 32) at both ends before the next word is taken.
/// Works on positions into the text, so splitting is linear.
class WordSplitter final
{
public:
    explicit WordSplitter(QStringView text) : m_text(text), m_end(text.size()) {}

    /// The next word; false when nothing is left.
    bool next(QStringView& word)
    {
        if (m_pos >= m_end)
            return false;
        const QStringView rest = m_text.sliced(m_pos, m_end - m_pos);
        const qsizetype blank = rest.indexOf(QChar(kBlank));
        if (blank < 0) {
            word = rest;
            m_pos = m_end;
            return true;
        }
        word = rest.first(blank);
        m_pos += blank + 1;
        while (m_end > m_pos && isTrimmable(m_text[m_end - 1].unicode()))
            --m_end;
        while (m_pos < m_end && isTrimmable(m_text[m_pos].unicode()))
            ++m_pos;
        return true;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
    qsizetype m_end;
};

/// Appends words to the result: a word holding a quote character as it is, any other upper-cased
/// (a to z only); each followed by one blank.
class WordJoiner final
{
public:
    explicit WordJoiner(qsizetype expectedSize) { m_out.reserve(expectedSize); }

    void append(QStringView word)
    {
        const qsizetype at = m_out.size();
        const qsizetype n = word.size();
        m_out.resize(at + n + 1);
        char16_t* dst = reinterpret_cast<char16_t*>(m_out.data()) + at;
        const char16_t* src = word.utf16();
        bool quoted = false;
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = src[i];
            quoted |= (c == u'\'' || c == u'"');
            dst[i] = upperLetter(c);
        }
        if (quoted)
            std::copy(src, src + n, dst);
        dst[n] = kBlank;
    }

    QString take() { return std::move(m_out); }

private:
    QString m_out;
};

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

QString NormalizeSQL(QStringView text)
{
    return NormalizeSqlText(text);
}

QString UpperCaseSQLWords(QStringView text)
{
    if (text.isEmpty() || text.front() == kBlank)
        return {};
    WordSplitter splitter(text);
    WordJoiner joiner(text.size() + 16);
    QStringView word;
    while (splitter.next(word))
        joiner.append(word);
    return joiner.take();
}

bool IsSelectStatement(QStringView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isTrimmable(text[from].unicode()))
        ++from;
    while (to > from && isTrimmable(text[to - 1].unicode()))
        --to;
    const QStringView trimmed = text.sliced(from, to - from);
    const qsizetype blank = trimmed.indexOf(QChar(kBlank));
    if (blank < 0)
        return false;
    return UpperCaseLetters(trimmed.first(blank)).contains(u"SELECT");
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
        text += entry.message;
        first = false;
    }
    return text;
}

void ShowEngineError(Desktop& desktop, const EngineError& error, QWidget* parent)
{
    desktop.messageBox(BoxKind::Error, EngineErrorText(error), BoxButtons::Ok, parent);
}
