// NormalizeSQL against a plain, slow rendering of the normaliser's rules (a word table and a
// remaining text that rests are put back into), on many random statements.

#include "query/Generic.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <random>

namespace {

QString Trimmed(const QString& t)
{
    qsizetype from = 0;
    qsizetype to = t.size();
    while (from < to && t[from].unicode() <= 32)
        ++from;
    while (to > from && t[to - 1].unicode() <= 32)
        --to;
    return t.mid(from, to - from);
}

bool IsLead(QChar c)
{
    return c == u'<' || c == u'>' || c == u'!';
}

QString ReferenceNormalize(const QString& input)
{
    const QString marker = QStringLiteral(" ");
    QStringList slots;
    QString s = input;
    for (;;) {
        QString w;
        const qsizetype blank = s.indexOf(QLatin1Char(' '));
        if (blank < 0) {
            w = s;
            s.clear();
        } else {
            w = s.left(blank);
            s = Trimmed(s.mid(blank + 1));
        }
        slots.append(w);
        const qsizetype q = w.indexOf(QLatin1Char('='));
        if (q >= 0 && w.size() > 1) {
            if (q == 0) {
                s = w.mid(1) + QLatin1Char(' ') + s;
                slots.last() = QStringLiteral("=");
            } else {
                const QString op = IsLead(w[q - 1]) ? w.mid(q - 1, 2) : QStringLiteral("=");
                if (q != w.size() - 1)
                    s = w.mid(q + 1) + QLatin1Char(' ') + s;
                const QString before = w.left(q + 1 - op.size());
                if (!before.isEmpty()) {
                    slots.last() = before;
                    slots.append(op);
                } else {
                    slots.last() = op;
                }
            }
        }
        if (slots.last() == QStringLiteral("(")) {
            if (s.isEmpty())
                break; // a trailing "(" stays a word
            slots.last() = marker;
            s = QLatin1Char('(') + s;
        }
        if (s.isEmpty())
            break;
    }
    QString out;
    for (const QString& slot : std::as_const(slots)) {
        if (slot.isEmpty())
            break;
        if (slot == marker)
            continue;
        const bool quoted = slot.contains(QLatin1Char('\'')) || slot.contains(QLatin1Char('"'));
        out += quoted ? slot : UpperCaseLetters(slot);
        out += QLatin1Char(' ');
    }
    return out;
}

TEST(NormalizeSql, ReferenceAgreesWithTheDocumentedExamples)
{
    EXPECT_EQ(ReferenceNormalize(QStringLiteral("select * from emp where sal>=1000 and name='x'")),
              QStringLiteral("SELECT * FROM EMP WHERE SAL >= 1000 AND NAME = 'x' "));
    EXPECT_EQ(ReferenceNormalize(QStringLiteral("( select * from t )")),
              QStringLiteral("(SELECT * FROM T ) "));
}

TEST(NormalizeSql, AgreesWithTheRulesOnRandomStatements)
{
    // Characters where the rules act, mixed with ordinary ones; long enough statements reach the
    // block copy, short ones its tail.
    const QStringList alphabet = {
        QStringLiteral("a"),      QStringLiteral("b"),      QStringLiteral("z"),   QStringLiteral("Q"),
        QStringLiteral("1"),      QStringLiteral("="),      QStringLiteral("<"),   QStringLiteral(">"),
        QStringLiteral("!"),      QStringLiteral("("),      QStringLiteral(")"),   QStringLiteral(" "),
        QStringLiteral(" "),      QStringLiteral(" "),      QStringLiteral("\t"),  QStringLiteral("\n"),
        QStringLiteral("'"),      QStringLiteral("\""),     QStringLiteral("é"),   QStringLiteral(":"),
        QStringLiteral("select"), QStringLiteral("where"),  QStringLiteral("x=1"), QStringLiteral("( "),
        QStringLiteral("\u4E2D"), QStringLiteral("\uFF41"), QStringLiteral(","),   QStringLiteral("*")};
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
