#include "query/SqlNormalizer.h"

#include "connection/SqlLexer.h"

#include <QList>

#include <algorithm>

namespace {

constexpr char16_t kBlank = u' ';

bool isSeparator(char16_t c)
{
    return c <= 32;
}
/// Characters of operators that end in "=": "<=", "!=", "~=", "*=", "||=", ":=" and the like.
bool isOperatorLead(char16_t c)
{
    return QStringView(u"<>!:~@#%^&|?+-*/").contains(QChar(c));
}
bool isOperatorTail(char16_t c)
{
    return c == u'=' || c == u'>';
}

/// A literal, quoted identifier or comment: copied as it stands.
struct Span
{
    qsizetype begin = 0;
    qsizetype end = 0;
    bool lineComment = false;
    bool unterminated = false;
};

/// A word: input from begin to end, cut only at separators outside spans.
struct Word
{
    qsizetype begin = 0;
    qsizetype end = 0;
    bool endsWithLineComment = false;
};

class SqlWords final
{
public:
    SqlWords(QStringView text, SqlDialect dialect);

    /// Splits the words at their operators and glues a lone "(" to the next word.
    QString normalized();
    /// The words as they are.
    QString upperCased();

private:
    QList<Word> split() const;
    /// Appends text[begin, end) with the letters a to z outside spans upper-cased.
    void emit(qsizetype begin, qsizetype end);
    void endPiece(bool lineBreak) { m_out += lineBreak ? QLatin1Char('\n') : QChar(kBlank); }
    /// Takes back the last separator when an unclosed literal or comment ends the text: it would
    /// land inside it.
    QString finish();
    /// The first "=" outside spans in [begin, end), or -1.
    qsizetype findEquals(qsizetype begin, qsizetype end);
    /// Moves the span cursor to the first span that ends after at.
    void seekSpan(qsizetype at);

    QStringView m_text;
    const char16_t* m_src;
    QList<Span> m_spans;
    qsizetype m_span = 0;
    QString m_out;
};

SqlWords::SqlWords(QStringView text, SqlDialect dialect) : m_text(text), m_src(text.utf16())
{
    ForEachSqlToken(
        text,
        [this](const SqlToken& token) {
            if (IsProtectedToken(token.kind))
                m_spans.append(Span{token.begin, token.begin + token.length, IsLineComment(m_text, token),
                                    token.unterminated});
        },
        dialect);
    m_out.reserve(text.size() + text.size() / 8 + 16);
}

void SqlWords::seekSpan(qsizetype at)
{
    // Pieces are visited twice (the "=" search runs ahead of the copy), so the cursor may go back.
    if (m_span > 0 && m_span <= m_spans.size() && m_spans[m_span - 1].end > at) {
        m_span = std::lower_bound(m_spans.begin(), m_spans.end(), at,
                                  [](const Span& span, qsizetype pos) { return span.end <= pos; }) -
                 m_spans.begin();
    }
    while (m_span < m_spans.size() && m_spans[m_span].end <= at)
        ++m_span;
}

QList<Word> SqlWords::split() const
{
    QList<Word> words;
    const qsizetype n = m_text.size();
    qsizetype span = 0;
    qsizetype i = 0;
    while (i < n) {
        // No span starts with a separator, so the blanks between words are all outside spans.
        while (i < n && isSeparator(m_src[i]))
            ++i;
        if (i >= n)
            break;
        Word word{i, i, false};
        while (i < n) {
            if (span < m_spans.size() && m_spans[span].begin == i) {
                word.endsWithLineComment = m_spans[span].lineComment;
                i = m_spans[span++].end;
                continue;
            }
            if (isSeparator(m_src[i]))
                break;
            word.endsWithLineComment = false;
            ++i;
        }
        word.end = i;
        words.append(word);
    }
    return words;
}

void SqlWords::emit(qsizetype begin, qsizetype end)
{
    seekSpan(begin);
    qsizetype i = begin;
    while (i < end) {
        if (m_span < m_spans.size() && m_spans[m_span].begin <= i) {
            const qsizetype stop = std::min(end, m_spans[m_span].end);
            m_out.append(m_text.sliced(i, stop - i));
            i = stop;
            seekSpan(i);
            continue;
        }
        const qsizetype stop = m_span < m_spans.size() ? std::min(end, m_spans[m_span].begin) : end;
        // Appended as a block, then upper-cased in place: this runs over every statement.
        const qsizetype at = m_out.size();
        m_out.append(m_text.sliced(i, stop - i));
        char16_t* out = reinterpret_cast<char16_t*>(m_out.data()) + at;
        for (qsizetype k = 0; k < stop - i; ++k) {
            if (out[k] >= u'a' && out[k] <= u'z')
                out[k] = char16_t(out[k] - 32);
        }
        i = stop;
    }
}

qsizetype SqlWords::findEquals(qsizetype begin, qsizetype end)
{
    seekSpan(begin);
    qsizetype i = begin;
    while (i < end) {
        if (m_span < m_spans.size() && m_spans[m_span].begin <= i) {
            i = m_spans[m_span].end;
            seekSpan(i);
            continue;
        }
        const qsizetype stop = m_span < m_spans.size() ? std::min(end, m_spans[m_span].begin) : end;
        for (; i < stop; ++i) {
            if (m_src[i] == u'=')
                return i;
        }
    }
    return -1;
}

QString SqlWords::finish()
{
    if (!m_spans.isEmpty() && m_spans.last().unterminated && !m_out.isEmpty())
        m_out.chop(1);
    return std::move(m_out);
}

QString SqlWords::upperCased()
{
    for (const Word& word : split()) {
        emit(word.begin, word.end);
        endPiece(word.endsWithLineComment);
    }
    return finish();
}

QString SqlWords::normalized()
{
    const QList<Word> words = split();
    bool paren = false; // a lone "(" waiting in front of this word
    for (qsizetype w = 0; w < words.size(); ++w) {
        const Word& word = words[w];
        const bool hasNext = w + 1 < words.size();
        qsizetype begin = word.begin;
        const qsizetype end = word.end;
        while (begin < end) {
            const qsizetype q = findEquals(begin, end);
            if (q < 0 || (end - begin == 1 && !paren)) {
                if (!paren && end - begin == 1 && m_src[begin] == u'(' && hasNext) {
                    paren = true; // joins the next word
                    break;
                }
                if (paren)
                    m_out += QLatin1Char('(');
                paren = false;
                emit(begin, end);
                endPiece(word.endsWithLineComment);
                break;
            }
            qsizetype opBegin = q;
            while (opBegin > begin && isOperatorLead(m_src[opBegin - 1]))
                --opBegin;
            qsizetype opEnd = q + 1;
            while (opEnd < end && isOperatorTail(m_src[opEnd]))
                ++opEnd;
            if (opBegin > begin || paren) {
                if (paren)
                    m_out += QLatin1Char('(');
                paren = false;
                emit(begin, opBegin);
                endPiece(false);
            }
            emit(opBegin, opEnd);
            const bool last = opEnd == end;
            endPiece(last && word.endsWithLineComment);
            begin = opEnd;
        }
    }
    return finish();
}

} // namespace

QString NormalizeSqlText(QStringView text, SqlDialect dialect)
{
    // A text starting with a blank has an empty first word, where the join stops: nothing.
    if (text.isEmpty() || text.front() == kBlank)
        return {};
    return SqlWords(text, dialect).normalized();
}

QString UpperCaseSqlWordsText(QStringView text, SqlDialect dialect)
{
    if (text.isEmpty() || text.front() == kBlank)
        return {};
    return SqlWords(text, dialect).upperCased();
}
