#include "app/EditorSearch.h"

#include <QTextDocument>

#include <algorithm>

namespace {

constexpr char16_t kSpace = u' ';

/// Upper-cases a to z only (unless matchCase) and reverses (unless down); one character stays one
/// character, so lengths and positions carry over.
QString converted(QStringView source, bool matchCase, bool down)
{
    QString out(source.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const qsizetype n = source.size();
    for (qsizetype i = 0; i < n; ++i) {
        char16_t c = source[i].unicode();
        if (!matchCase && c >= u'a' && c <= u'z')
            c = char16_t(c - (u'a' - u'A'));
        dst[down ? i : n - 1 - i] = c;
    }
    return out;
}

/// Exact substring search in linear time (Knuth-Morris-Pratt): the repeated searches of one
/// command each resume behind the previous hit, so a whole command reads the text about once.
class Matcher final
{
public:
    explicit Matcher(QStringView pattern) : m_pattern(pattern), m_border(std::size_t(pattern.size()), 0)
    {
        qsizetype k = 0;
        for (qsizetype i = 1; i < m_pattern.size(); ++i) {
            while (k > 0 && m_pattern[i] != m_pattern[k])
                k = m_border[std::size_t(k - 1)];
            if (m_pattern[i] == m_pattern[k])
                ++k;
            m_border[std::size_t(i)] = k;
        }
    }

    /// The first index >= from at which the pattern starts in text, or -1.
    qsizetype find(QStringView text, qsizetype from) const
    {
        const qsizetype m = m_pattern.size();
        qsizetype k = 0;
        for (qsizetype i = from; i < text.size(); ++i) {
            while (k > 0 && text[i] != m_pattern[k])
                k = m_border[std::size_t(k - 1)];
            if (text[i] == m_pattern[k])
                ++k;
            if (k == m)
                return i - m + 1;
        }
        return -1;
    }

private:
    QStringView m_pattern;
    std::vector<qsizetype> m_border;
};

/// The first counting occurrence in the remaining text text[start..], or -1. A whole-word
/// candidate that fails is skipped together with the rest of its word, and the search goes on from
/// the next space, which then counts as the start of the searched part.
qsizetype nextOccurrence(const Matcher& matcher, QStringView text, qsizetype start, qsizetype m,
                         bool wholeWord)
{
    qsizetype from = start;
    for (;;) {
        const qsizetype p = matcher.find(text, from);
        if (p < 0 || !wholeWord)
            return p;
        const bool spaceBefore = p == from || text[p - 1] == kSpace;
        const bool spaceAfter = p + m == text.size() || text[p + m] == kSpace;
        if (spaceBefore && spaceAfter)
            return p;
        qsizetype q = p + m;
        while (q < text.size() && text[q] != kSpace)
            ++q;
        from = q;
    }
}

/// Calls visit(start) for each occurrence downward in the prepared text until it returns false.
template <typename Visit>
void forEachOccurrence(QStringView pattern, QStringView text, bool wholeWord, Visit visit)
{
    const qsizetype m = pattern.size();
    if (m == 0 || m > text.size())
        return;
    const Matcher matcher(pattern);
    qsizetype remaining = 0;
    for (;;) {
        const qsizetype p = nextOccurrence(matcher, text, remaining, m, wholeWord);
        if (p < 0 || !visit(p))
            return;
        remaining = p + m;
    }
}

} // namespace

namespace EditorSearch {

int findOccurrence(QStringView findText, QStringView text, int n, const SearchOptions& options)
{
    if (n < 1 || findText.isEmpty())
        return 0;
    const bool plain = options.matchCase && options.down;
    const QString pattern = plain ? QString() : converted(findText, options.matchCase, options.down);
    const QString haystack = plain ? QString() : converted(text, options.matchCase, options.down);
    const QStringView p = plain ? findText : QStringView(pattern);
    const QStringView t = plain ? text : QStringView(haystack);

    int found = 0;
    int seen = 0;
    forEachOccurrence(p, t, options.wholeWord, [&](qsizetype start) {
        if (++seen < n)
            return true;
        found = int(start) + 1;
        return false;
    });
    if (found == 0 || options.down)
        return found;
    return int(text.size() - findText.size()) - found + 2;
}

std::vector<int> occurrenceStarts(QStringView findText, QStringView text, bool matchCase, bool wholeWord,
                                  int limit)
{
    std::vector<int> starts;
    if (limit == 0)
        return starts;
    const QString pattern = matchCase ? QString() : converted(findText, false, true);
    const QString haystack = matchCase ? QString() : converted(text, false, true);
    forEachOccurrence(matchCase ? findText : QStringView(pattern), matchCase ? text : QStringView(haystack),
                      wholeWord, [&](qsizetype start) {
                          starts.push_back(int(start));
                          return limit < 0 || int(starts.size()) < limit;
                      });
    return starts;
}

int countOccurrences(QStringView findText, QStringView text, bool matchCase, bool wholeWord)
{
    return int(occurrenceStarts(findText, text, matchCase, wholeWord).size());
}

QString replaceAt(QStringView text, const std::vector<int>& starts, int findLength, QStringView replacement)
{
    QString out;
    out.reserve(text.size() + qsizetype(starts.size()) * (replacement.size() - findLength));
    qsizetype from = 0;
    for (int start : starts) {
        out.append(text.mid(from, start - from));
        out.append(replacement);
        from = start + findLength;
    }
    out.append(text.mid(from));
    return out;
}

bool sameText(QStringView a, QStringView b, bool matchCase)
{
    if (matchCase)
        return a == b;
    return a.size() == b.size() && converted(a, false, true) == converted(b, false, true);
}

QString searchText(QString documentText)
{
    for (QChar& c : documentText) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
    }
    return documentText;
}

QString searchText(const QTextDocument& document)
{
    return searchText(document.toRawText());
}

} // namespace EditorSearch
