// The statement normalisers and the SELECT test on any text.
//
// NormalizeSQL: the output's characters above code 32 are the input's, in order, none lost or
// added; a word holding a quote comes out as it went in, every other word upper-cased (a to z);
// words are separated by single blanks and each ends in one; normalising again changes no
// character above code 32 (control characters that a rest carried back may be trimmed then).
// UpperCaseSQLWords keeps a normalised text as it is and loses no character either.
// IsSelectStatement looks at the first word of the trimmed text only.
#include "FuzzInput.h"

#include "query/Generic.h"

#include <QStringList>

#include <algorithm>
#include <vector>

namespace {

bool isQuote(QChar c)
{
    return c == u'\'' || c == u'"';
}

/// The characters above code 32 (the ones the normalisers never drop), each with the output word
/// it stands in (-1 for an input).
struct Visible
{
    QString chars;
    std::vector<int> word;
};

Visible visibleOf(const QString& text)
{
    Visible v;
    int word = 0;
    for (QChar c : text) {
        if (c == u' ')
            ++word;
        if (c.unicode() > 32) {
            v.chars += c;
            v.word.push_back(word);
        }
    }
    return v;
}

QString show(const QString& input, const QString& output)
{
    // NUL and other control characters shown as code points, so the report is not cut short.
    auto visible = [](const QString& t) {
        QString out;
        for (QChar c : t)
            out += c.unicode() < 32 ? QStringLiteral("\\x%1").arg(int(c.unicode()), 2, 16, QLatin1Char('0'))
                                    : QString(c);
        return out;
    };
    return QStringLiteral("input  [%1]\noutput [%2]").arg(visible(input), visible(output));
}

void checkNormalized(const QString& input, const QString& output, bool upperCasesEveryWord)
{
    const QString detail = show(input, output);
    if (input.startsWith(u' ')) {
        FUZZ_CHECK(output.isEmpty(), detail);
        return;
    }
    FUZZ_CHECK(output.isEmpty() || output.endsWith(u' '), detail);
    FUZZ_CHECK(!output.startsWith(u' '), detail);
    FUZZ_CHECK(!output.contains(QStringLiteral("  ")), detail);

    const Visible in = visibleOf(input);
    const Visible out = visibleOf(output);
    FUZZ_CHECK(in.chars.size() == out.chars.size(), detail);
    FUZZ_CHECK(UpperCaseLetters(in.chars) == UpperCaseLetters(out.chars), detail);

    // Per output word: held a quote, so kept as it was; or upper-cased.
    const QStringList words = output.split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < out.chars.size(); ++i) {
        const QString& word = words[out.word[std::size_t(i)]];
        const bool quoted = std::any_of(word.begin(), word.end(), isQuote);
        if (quoted && !upperCasesEveryWord)
            FUZZ_CHECK(out.chars[i] == in.chars[i], detail);
        else
            FUZZ_CHECK(out.chars[i] == UpperCaseLetters(QString(in.chars[i])).at(0), detail);
    }
}

bool referenceIsSelect(const QString& text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text[from].unicode() <= 32)
        ++from;
    while (to > from && text[to - 1].unicode() <= 32)
        --to;
    const QString trimmed = text.mid(from, to - from);
    const qsizetype blank = trimmed.indexOf(u' ');
    const QString first = blank < 0 ? QString() : trimmed.left(blank);
    return UpperCaseLetters(first).contains(QStringLiteral("SELECT"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const bool utf16 = input.byte() & 1;
    const QString text = input.rest(utf16);

    const QString normalized = NormalizeSQL(text);
    checkNormalized(text, normalized, false);
    FUZZ_CHECK(visibleOf(NormalizeSQL(normalized)).chars == visibleOf(normalized).chars,
               show(text, normalized));
    FUZZ_CHECK(visibleOf(UpperCaseSQLWords(normalized)).chars == visibleOf(normalized).chars,
               show(text, normalized));
    if (!std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 32; })) {
        FUZZ_CHECK(NormalizeSQL(normalized) == normalized, show(text, normalized));
        FUZZ_CHECK(UpperCaseSQLWords(normalized) == normalized, show(text, normalized));
    }

    const QString simple = UpperCaseSQLWords(text);
    // The simple normaliser does not split at "=", so each of its words maps onto the input's.
    if (!text.startsWith(u' ')) {
        const Visible in = visibleOf(text);
        const Visible out = visibleOf(simple);
        FUZZ_CHECK(UpperCaseLetters(in.chars) == UpperCaseLetters(out.chars), show(text, simple));
    } else {
        FUZZ_CHECK(simple.isEmpty(), show(text, simple));
    }

    FUZZ_CHECK(IsSelectStatement(text) == referenceIsSelect(text), text);
    return 0;
}
