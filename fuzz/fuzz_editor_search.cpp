// The editor's occurrence search with every option, against a plain reading of its rules.
//
// Whatever the text: a found position holds the find text (under the case rule), stands at a
// word bound when whole word is on, occurrences never overlap and come in order, the count is
// the number of occurrences found, and replacing them all by the find text itself gives the text
// back. A slow direct rendering of the rules must agree position for position.
#include "FuzzInput.h"

#include "app/EditorSearch.h"

#include <algorithm>

namespace {

QString caseRule(QStringView s, bool matchCase)
{
    QString out = s.toString();
    if (!matchCase) {
        for (QChar& c : out) {
            if (c >= u'a' && c <= u'z')
                c = QChar(c.unicode() - 32);
        }
    }
    return out;
}

QString reversed(const QString& s)
{
    QString out = s;
    std::reverse(out.begin(), out.end());
    return out;
}

/// The first counting occurrence in t (a whole word bounded by spaces or the ends of t), or -1.
qsizetype referenceNext(const QString& t, const QString& f, bool wholeWord)
{
    const qsizetype p = t.indexOf(f);
    if (p < 0 || !wholeWord)
        return p;
    const bool before = p == 0 || t[p - 1] == u' ';
    const bool after = p + f.size() == t.size() || t[p + f.size()] == u' ';
    if (before && after)
        return p;
    qsizetype q = p + f.size();
    while (q < t.size() && t[q] != u' ')
        ++q;
    const qsizetype inner = referenceNext(t.mid(q), f, wholeWord);
    return inner < 0 ? -1 : q + inner;
}

int referenceFind(const QString& find, const QString& text, int n, const SearchOptions& o)
{
    if (find.isEmpty() || n < 1)
        return 0;
    QString f = caseRule(find, o.matchCase);
    QString t = caseRule(text, o.matchCase);
    if (!o.down) {
        f = reversed(f);
        t = reversed(t);
    }
    qsizetype offset = 0;
    QString remaining = t;
    for (int i = 1; i <= n; ++i) {
        const qsizetype p = referenceNext(remaining, f, o.wholeWord);
        if (p < 0)
            return 0;
        if (i == n) {
            const int result = int(offset + p + 1);
            return o.down ? result : int(text.size() - find.size()) - result + 2;
        }
        remaining = remaining.mid(p + f.size());
        offset += p + f.size();
    }
    return 0;
}

QString show(const QString& find, const QString& text, int n, const SearchOptions& o)
{
    return QStringLiteral("find [%1] text [%2] n %3 matchCase %4 wholeWord %5 down %6")
        .arg(find, text)
        .arg(n)
        .arg(o.matchCase)
        .arg(o.wholeWord)
        .arg(o.down);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const uint8_t flags = input.byte();
    SearchOptions options;
    options.matchCase = flags & 1;
    options.wholeWord = flags & 2;
    options.down = flags & 4;
    const QString find = input.text();
    const QString text = input.rest(flags & 8);
    if (text.size() > 4096)
        return 0; // the reference is quadratic

    const qsizetype m = find.size();
    int previous = 0;
    int found = 0;
    for (int n = 1; n <= 64; ++n) {
        const int p = EditorSearch::findOccurrence(find, text, n, options);
        const QString detail = show(find, text, n, options);
        FUZZ_CHECK(p == referenceFind(find, text, n, options), detail);
        if (p == 0) {
            // Once one is missing, none further exists.
            FUZZ_CHECK(EditorSearch::findOccurrence(find, text, n + 1, options) == 0, detail);
            break;
        }
        ++found;
        FUZZ_CHECK(p >= 1 && p - 1 + m <= text.size(), detail);
        FUZZ_CHECK(EditorSearch::sameText(QStringView(text).mid(p - 1, m), find, options.matchCase), detail);
        if (options.wholeWord) {
            // Searching down the word must end at a space or the text's end; searching up it
            // must start at a space or the text's start (the other side may be the last hit).
            if (options.down)
                FUZZ_CHECK(p - 1 + m == text.size() || text[p - 1 + m] == u' ', detail);
            else
                FUZZ_CHECK(p == 1 || text[p - 2] == u' ', detail);
        }
        if (previous != 0) {
            if (options.down)
                FUZZ_CHECK(p >= previous + m, detail);
            else
                FUZZ_CHECK(p <= previous - m, detail);
        }
        previous = p;
    }

    const std::vector<int> starts =
        EditorSearch::occurrenceStarts(find, text, options.matchCase, options.wholeWord);
    const int count = EditorSearch::countOccurrences(find, text, options.matchCase, options.wholeWord);
    const QString detail = show(find, text, 0, options);
    FUZZ_CHECK(count == int(starts.size()), detail);
    if (options.down && found < 64)
        FUZZ_CHECK(count == found, detail);
    for (std::size_t k = 0; k < starts.size() && k < 64; ++k) {
        SearchOptions down = options;
        down.down = true;
        FUZZ_CHECK(starts[k] + 1 == EditorSearch::findOccurrence(find, text, int(k) + 1, down), detail);
    }

    // Replacing every occurrence by its own text is the identity; by another text, the lengths add up.
    const QString removed = EditorSearch::replaceAt(text, starts, int(m), QString());
    FUZZ_CHECK(removed.size() == text.size() - qsizetype(starts.size()) * m, detail);
    if (options.matchCase)
        FUZZ_CHECK(EditorSearch::replaceAt(text, starts, int(m), find) == text, detail);
    return 0;
}
