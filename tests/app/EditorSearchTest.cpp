#include "app/EditorSearch.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <functional>

namespace {

struct FindCase
{
    const char16_t* find;
    const char16_t* text;
    int n;
    bool matchCase;
    bool wholeWord;
    bool down;
    int expected;
};

constexpr bool kCase = true;
constexpr bool kNoCase = false;
constexpr bool kWord = true;
constexpr bool kAny = false;
constexpr bool kDown = true;
constexpr bool kUp = false;

QString q(const char16_t* s)
{
    return QString::fromUtf16(s);
}

// An independent, literal reading of the search steps (copies, recursion, reversal), to check the
// linear implementation against on many small texts.
int referencePos(const QString& find, const QString& text)
{
    return int(text.indexOf(find)) + 1;
}

int referenceWholeWord(const QString& find, const QString& text)
{
    const int p = referencePos(find, text);
    if (p == 0)
        return 0;
    const int m = int(find.size());
    const bool before = p == 1 || text[p - 2] == u' ';
    const bool after = p + m - 1 == text.size() || text[p + m - 1] == u' ';
    if (before && after)
        return p;
    int q = p + m; // 1-based index of the character after the occurrence
    while (q <= text.size() && text[q - 1] != u' ')
        ++q;
    if (q > text.size())
        return 0;
    const int inner = referenceWholeWord(find, text.mid(q - 1));
    return inner == 0 ? 0 : q + inner - 1;
}

QString referenceUpper(const QString& s)
{
    QString out = s;
    for (QChar& c : out) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    }
    return out;
}

int referenceFind(QString find, QString text, int n, bool matchCase, bool wholeWord, bool down)
{
    const int textLength = int(text.size());
    const int findLength = int(find.size());
    if (find.isEmpty())
        return 0;
    if (!matchCase) {
        find = referenceUpper(find);
        text = referenceUpper(text);
    }
    if (!down) {
        std::reverse(find.begin(), find.end());
        std::reverse(text.begin(), text.end());
    }
    int offset = 0;
    QString remaining = text;
    int result = 0;
    for (int i = 1; i <= n; ++i) {
        const int p = wholeWord ? referenceWholeWord(find, remaining) : referencePos(find, remaining);
        if (p == 0)
            return 0;
        if (i == n) {
            result = offset + p;
            break;
        }
        remaining = remaining.mid(p + findLength - 1);
        offset += p + findLength - 1;
    }
    if (!down)
        result = textLength - findLength - result + 2;
    return result;
}

} // namespace

TEST(EditorSearch, FindsTheNthOccurrence)
{
    const char16_t* sql = u"select a, b from t where a = 1";
    const FindCase cases[] = {
        // a whole word is bounded by spaces, so "a," is no word and the a before "=" is found
        {u"a", sql, 1, kNoCase, kWord, kDown, 26},
        {u"a", sql, 1, kNoCase, kAny, kDown, 8},
        {u"a", sql, 2, kNoCase, kWord, kDown, 0},
        // a line break is no word bound; the end of the text is
        {u"t", u"from t\nwhere x", 1, kNoCase, kWord, kDown, 0},
        {u"t", u"select *\nfrom t", 1, kNoCase, kWord, kDown, 15},
        {u"t", u"x\tt", 1, kNoCase, kWord, kDown, 0},
        {u"t", u"t. t", 1, kNoCase, kWord, kDown, 4},
        {u"b", u"a\u00a0b", 1, kNoCase, kWord, kDown, 0},
        // only a to z change case
        {u"select", u"SELECT 1", 1, kNoCase, kAny, kDown, 1},
        {u"select", u"SELECT 1", 1, kCase, kAny, kDown, 0},
        {u"é", u"É é", 1, kNoCase, kAny, kDown, 3},
        {u"É", u"é É", 1, kNoCase, kAny, kDown, 3},
        {u"é", u"É", 1, kNoCase, kAny, kDown, 0},
        {u"ß", u"SS ß", 1, kNoCase, kAny, kDown, 4},
        // upward: occurrence 1 is the one nearest the end, given by its start from the top
        {u"a", u"a b a", 1, kNoCase, kAny, kUp, 5},
        {u"a", u"a b a", 2, kNoCase, kAny, kUp, 1},
        {u"a", u"a b a", 3, kNoCase, kAny, kUp, 0},
        {u"ab", u"ab xab ab", 1, kNoCase, kWord, kUp, 8},
        {u"ab", u"ab xab ab", 2, kNoCase, kWord, kUp, 1},
        {u"A", u"a A a", 1, kCase, kAny, kUp, 3},
        {u"SEL", u"select x sel", 1, kNoCase, kAny, kUp, 10},
        // occurrences never overlap
        {u"aa", u"aaaa", 2, kNoCase, kAny, kDown, 3},
        {u"aa", u"aaaa", 3, kNoCase, kAny, kDown, 0},
        {u"aa", u"aaa", 2, kNoCase, kAny, kDown, 0},
        {u"aa", u"aaa", 1, kNoCase, kAny, kUp, 2},
        // whole words, counted on
        {u"a", u"a a a", 2, kNoCase, kWord, kDown, 3},
        {u"a", u"a a a", 3, kNoCase, kWord, kDown, 5},
        {u"a", u"a a a", 4, kNoCase, kWord, kDown, 0},
        {u"aa", u"aaa aa", 1, kNoCase, kWord, kDown, 5},
        {u"a", u"ba a", 1, kNoCase, kWord, kDown, 4},
        {u"a b", u"xa b a b", 1, kNoCase, kWord, kDown, 6},
        // nothing to find
        {u"", u"abc", 1, kNoCase, kAny, kDown, 0},
        {u"", u"", 1, kNoCase, kWord, kUp, 0},
        {u"a", u"a", 0, kNoCase, kAny, kDown, 0},
        {u"abcd", u"abc", 1, kNoCase, kAny, kDown, 0},
        {u"a", u"", 1, kNoCase, kAny, kUp, 0},
    };
    for (const FindCase& c : cases) {
        const SearchOptions options{c.matchCase, c.wholeWord, c.down};
        EXPECT_EQ(EditorSearch::findOccurrence(q(c.find), q(c.text), c.n, options), c.expected)
            << "find '" << q(c.find).toStdString() << "' #" << c.n << " in '" << q(c.text).toStdString()
            << "' case " << c.matchCase << " word " << c.wholeWord << " down " << c.down;
    }
}

TEST(EditorSearch, CountsDownward)
{
    struct CountCase
    {
        const char16_t* find;
        const char16_t* text;
        bool matchCase;
        bool wholeWord;
        int expected;
    };
    const CountCase cases[] = {
        {u"x", u"x x", kNoCase, kAny, 2},
        {u"aa", u"aaaaa", kNoCase, kAny, 2},
        {u"a", u"a a,a a", kNoCase, kWord, 2},
        {u"select", u"Select SELECT select", kNoCase, kAny, 3},
        {u"select", u"Select SELECT select", kCase, kAny, 1},
        {u"", u"abc", kNoCase, kAny, 0},
        {u"t", u"t\nt t", kNoCase, kWord, 1},
    };
    for (const CountCase& c : cases) {
        EXPECT_EQ(EditorSearch::countOccurrences(q(c.find), q(c.text), c.matchCase, c.wholeWord), c.expected)
            << q(c.find).toStdString() << " in " << q(c.text).toStdString();
    }
}

TEST(EditorSearch, AgreesWithTheStepByStepSearchOnRandomTexts)
{
    const char16_t alphabet[] = {u'a', u'A', u'b', u' ', u' ', u'\n', u'é'};
    QRandomGenerator random(20240607);
    const auto randomText = [&](int maxLength) {
        QString s;
        const int length = int(random.bounded(maxLength + 1));
        for (int i = 0; i < length; ++i)
            s.append(QChar(alphabet[random.bounded(int(std::size(alphabet)))]));
        return s;
    };
    for (int round = 0; round < 4000; ++round) {
        const QString text = randomText(14);
        const QString find = randomText(3);
        const bool matchCase = random.bounded(2) == 1;
        const bool wholeWord = random.bounded(2) == 1;
        const bool down = random.bounded(2) == 1;
        int count = 0;
        for (int n = 1; n <= 15; ++n) {
            const int expected = referenceFind(find, text, n, matchCase, wholeWord, down);
            ASSERT_EQ(EditorSearch::findOccurrence(find, text, n, {matchCase, wholeWord, down}), expected)
                << "find '" << find.toStdString() << "' #" << n << " in '" << text.toStdString() << "' case "
                << matchCase << " word " << wholeWord << " down " << down;
            if (down && expected > 0)
                count = n;
        }
        if (down) {
            ASSERT_EQ(EditorSearch::countOccurrences(find, text, matchCase, wholeWord), count);
        }
    }
}

TEST(EditorSearch, OccurrenceStartsStopAtTheLimit)
{
    EXPECT_EQ(EditorSearch::occurrenceStarts(u"x", u"x x x", false, false), (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(EditorSearch::occurrenceStarts(u"x", u"x x x", false, false, 2), (std::vector<int>{0, 2}));
    EXPECT_TRUE(EditorSearch::occurrenceStarts(u"x", u"x x x", false, false, 0).empty());
}

TEST(EditorSearch, ReplacesAtTheGivenStarts)
{
    struct ReplaceCase
    {
        const char16_t* text;
        std::vector<int> starts;
        int findLength;
        const char16_t* replacement;
        const char16_t* expected;
    };
    const ReplaceCase cases[] = {
        {u"x x", {0, 2}, 1, u"xx", u"xx xx"},
        {u"abcabc", {0, 3}, 3, u"", u""},
        {u"aXbXc", {1, 3}, 1, u"--", u"a--b--c"},
        {u"keep", {}, 2, u"zz", u"keep"},
        {u"ab", {1}, 1, u"\u00e9\u00e9", u"a\u00e9\u00e9"},
    };
    for (const ReplaceCase& c : cases)
        EXPECT_EQ(EditorSearch::replaceAt(q(c.text), c.starts, c.findLength, q(c.replacement)),
                  q(c.expected));
}

TEST(EditorSearch, ComparesSelectionsUnderTheCaseRule)
{
    EXPECT_TRUE(EditorSearch::sameText(u"SELECT", u"select", false));
    EXPECT_FALSE(EditorSearch::sameText(u"SELECT", u"select", true));
    EXPECT_FALSE(EditorSearch::sameText(u"É", u"é", false));
    EXPECT_FALSE(EditorSearch::sameText(u"ab", u"abc", false));
    EXPECT_TRUE(EditorSearch::sameText(u"a b", u"A B", false));
}

TEST(EditorSearch, SearchTextReadsBlockAndLineBreaksAsLineFeeds)
{
    const QString raw = QString::fromUtf16(u"ab\u2029cd\u00a0e\u2028f");
    EXPECT_EQ(EditorSearch::searchText(raw), QString::fromUtf16(u"ab\ncd\u00a0e\nf"));
}
