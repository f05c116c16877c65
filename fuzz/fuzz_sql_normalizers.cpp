// The statement normalisers and the row-road test on any text.
//
// NormalizeSQL and UpperCaseSQLWords: every string literal, quoted identifier and comment of the
// input comes out exactly as it went in, in order, and there are no others; outside them the
// output's characters above code 32 are the input's upper-cased (a to z), none lost or added;
// no two blanks stand together; normalising again changes nothing.
// IsSelectStatement never looks past a text's first statement word for SELECT: putting blanks
// and comments in front changes nothing.
#include "FuzzInput.h"

#include "connection/SqlLexer.h"
#include "query/Generic.h"

#include <QStringList>

namespace {

struct Split
{
    QStringList protectedTexts;
    QString outside; ///< everything else above code 32
};

Split splitOf(const QString& text)
{
    Split split;
    ForEachSqlToken(text, [&](const SqlToken& token) {
        const QString piece = text.mid(token.begin, token.length);
        if (IsProtectedToken(token.kind)) {
            split.protectedTexts << piece;
        } else {
            for (QChar c : piece)
                if (c.unicode() > 32)
                    split.outside += c;
        }
    });
    return split;
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

void checkNormalized(const QString& input, const QString& output)
{
    const QString detail = show(input, output);
    if (input.startsWith(u' ')) {
        FUZZ_CHECK(output.isEmpty(), detail);
        return;
    }
    FUZZ_CHECK(!output.startsWith(u' '), detail);
    const Split in = splitOf(input);
    const Split out = splitOf(output);
    FUZZ_CHECK(in.protectedTexts == out.protectedTexts, detail);
    FUZZ_CHECK(UpperCaseLetters(in.outside) == out.outside, detail);
    // Outside literals and comments no two separators (codes 0 to 32) stand together; other
    // white space (U+00A0, U+2003, ...) is word content and stays.
    ForEachSqlToken(output, [&](const SqlToken& token) {
        if (token.kind != SqlTokenKind::Space)
            return;
        for (qsizetype i = token.begin + 1; i < token.begin + token.length; ++i)
            FUZZ_CHECK(output[i - 1].unicode() > 32 || output[i].unicode() > 32, detail);
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const bool utf16 = input.byte() & 1;
    const QString text = input.rest(utf16);

    const QString normalized = NormalizeSQL(text);
    checkNormalized(text, normalized);
    FUZZ_CHECK(NormalizeSQL(normalized) == normalized, show(text, normalized));
    FUZZ_CHECK(UpperCaseSQLWords(normalized) == normalized, show(text, normalized));

    const QString simple = UpperCaseSQLWords(text);
    checkNormalized(text, simple);

    const bool rows = IsSelectStatement(text);
    FUZZ_CHECK(IsSelectStatement(QStringLiteral("/* x */ \n-- y\n") + text) == rows, text);
    return 0;
}
