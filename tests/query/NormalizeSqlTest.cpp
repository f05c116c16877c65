// NormalizeSQL against a plain, slow rendering of the normaliser's rules (a word table and a
// remaining text that rests are put back into), on many random statements.

#include "query/Generic.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <random>

namespace {

/// A text with, for each character, whether it stands inside a literal or quoted name. Only the
/// quote forms of the random alphabet are known here: '...' and "..." with doubled marks inside.
struct Masked
{
    QString text;
    QList<bool> quoted;
    bool openAtEnd = false; ///< a quote left open runs to the end

    static Masked of(const QString& input)
    {
        Masked m{input, QList<bool>(input.size(), false), false};
        for (qsizetype i = 0; i < input.size();) {
            const QChar c = input[i];
            if (c != u'\'' && c != u'"') {
                ++i;
                continue;
            }
            qsizetype j = i + 1;
            for (;;) {
                if (j >= input.size()) {
                    m.openAtEnd = true;
                    break;
                }
                if (input[j] == c) {
                    if (j + 1 < input.size() && input[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            for (qsizetype k = i; k < j; ++k)
                m.quoted[k] = true;
            i = j;
        }
        return m;
    }
    qsizetype size() const { return text.size(); }
    bool plain(qsizetype i, QChar c) const { return !quoted[i] && text[i] == c; }
    bool separator(qsizetype i) const { return !quoted[i] && text[i].unicode() <= 32; }
    Masked mid(qsizetype from, qsizetype n = -1) const
    {
        return Masked{text.mid(from, n), quoted.mid(from, n), false};
    }
    Masked operator+(const Masked& other) const
    {
        return Masked{text + other.text, quoted + other.quoted, false};
    }
};

bool IsLead(QChar c)
{
    return QStringLiteral("<>!:~@#%^&|?+-*/").contains(c);
}

/// The normaliser's rules as a word table and a remaining text that rests are put back into:
/// slow and plain, to hold the real one against.
QString ReferenceNormalize(const QString& input)
{
    if (input.isEmpty() || input[0] == u' ')
        return {};
    const Masked blank{QStringLiteral(" "), {false}, false};
    QList<Masked> slots;
    QList<bool> glued;
    Masked s = Masked::of(input);
    const bool openAtEnd = s.openAtEnd;
    const auto trimmed = [](Masked m) {
        qsizetype from = 0;
        qsizetype to = m.size();
        while (from < to && m.separator(from))
            ++from;
        while (to > from && m.separator(to - 1))
            --to;
        return m.mid(from, to - from);
    };
    s = trimmed(s);
    while (s.size() > 0) {
        qsizetype cut = 0;
        while (cut < s.size() && !s.separator(cut))
            ++cut;
        Masked w = s.mid(0, cut);
        s = trimmed(s.mid(cut));
        qsizetype q = -1;
        for (qsizetype i = 0; i < w.size() && q < 0; ++i)
            if (w.plain(i, u'='))
                q = i;
        if (q >= 0 && w.size() > 1) {
            qsizetype opBegin = q;
            while (opBegin > 0 && IsLead(w.text[opBegin - 1]))
                --opBegin;
            qsizetype opEnd = q + 1;
            while (opEnd < w.size() && (w.plain(opEnd, u'=') || w.plain(opEnd, u'>')))
                ++opEnd;
            if (opEnd < w.size())
                s = w.mid(opEnd) + blank + s;
            if (opBegin > 0)
                slots.append(w.mid(0, opBegin));
            slots.append(w.mid(opBegin, opEnd - opBegin));
        } else if (w.size() == 1 && w.plain(0, u'(') && s.size() > 0) {
            s = w + s;
        } else {
            slots.append(w);
        }
    }
    QString out;
    for (const Masked& slot : std::as_const(slots)) {
        for (qsizetype i = 0; i < slot.size(); ++i)
            out += slot.quoted[i] ? slot.text[i] : UpperCaseLetters(QString(slot.text[i]))[0];
        out += QLatin1Char(' ');
    }
    // The last blank would land inside the open quote.
    if (openAtEnd)
        out.chop(1);
    return out;
}

TEST(NormalizeSql, ReferenceAgreesWithTheDocumentedExamples)
{
    EXPECT_EQ(ReferenceNormalize(QStringLiteral("select * from emp where sal>=1000 and name='x'")),
              QStringLiteral("SELECT * FROM EMP WHERE SAL >= 1000 AND NAME = 'x' "));
    EXPECT_EQ(ReferenceNormalize(QStringLiteral("( select * from t )")),
              QStringLiteral("(SELECT * FROM T ) "));
    EXPECT_EQ(ReferenceNormalize(QStringLiteral("x='a b=c' or y=\"q\"\"=r\"")),
              QStringLiteral("X = 'a b=c' OR Y = \"q\"\"=r\" "));
}

TEST(NormalizeSql, AgreesWithTheRulesOnRandomStatements)
{
    // Characters where the rules act, mixed with ordinary ones; long enough statements reach the
    // block copy, short ones its tail.
    const QStringList alphabet = {
        QStringLiteral("a"),   QStringLiteral("b"),  QStringLiteral("z"),      QStringLiteral("Q"),
        QStringLiteral("1"),   QStringLiteral("="),  QStringLiteral("<"),      QStringLiteral(">"),
        QStringLiteral("!"),   QStringLiteral("("),  QStringLiteral("~"),      QStringLiteral("|"),
        QStringLiteral(")"),   QStringLiteral(" "),  QStringLiteral(" "),      QStringLiteral(" "),
        QStringLiteral("\t"),  QStringLiteral("\n"), QStringLiteral("'"),      QStringLiteral("\""),
        QStringLiteral("é"),   QStringLiteral(":"),  QStringLiteral("select"), QStringLiteral("where"),
        QStringLiteral("x=1"), QStringLiteral("( "), QStringLiteral("\u4E2D"), QStringLiteral("\uFF41"),
        QStringLiteral(","),   QStringLiteral("*")};
    std::mt19937 random(20240501);
    std::uniform_int_distribution<int> pick(0, int(alphabet.size()) - 1);
    std::uniform_int_distribution<int> length(0, 60);
    int compared = 0;
    for (int n = 0; n < 30000; ++n) {
        QString text;
        const int pieces = length(random);
        for (int i = 0; i < pieces; ++i)
            text += alphabet[pick(random)];
        const QString expected = ReferenceNormalize(text);
        const QString actual = NormalizeSQL(text);
        if (actual != expected) {
            ADD_FAILURE() << "input [" << text.toStdString() << "]\n  expected [" << expected.toStdString()
                          << "]\n  actual   [" << actual.toStdString() << "]";
            return;
        }
        ++compared;
    }
    EXPECT_EQ(compared, 30000);
}

TEST(NormalizeSql, LongWordOfOperatorsSplitsAtEveryEquals)
{
    // One word of 200,000 characters that all act: "(" glued to nothing, "=" splitting each time.
    QString text = QStringLiteral("select ");
    for (int i = 0; i < 100000; ++i)
        text += QStringLiteral("(=");
    EXPECT_EQ(NormalizeSQL(text), QStringLiteral("SELECT ") + QStringLiteral("( = ").repeated(100000));
}

} // namespace
