#include "platform/TextRoutines.h"

#include <gtest/gtest.h>

namespace {

struct ReverseCase
{
    QString text;
    QString reversed;
};

TEST(ReverseText, ReversesCharacters)
{
    const ReverseCase cases[] = {
        {QString(), QString()},
        {QStringLiteral("a"), QStringLiteral("a")},
        {QStringLiteral("abc"), QStringLiteral("cba")},
        {QStringLiteral("ab ba"), QStringLiteral("ab ba")},
        {QStringLiteral("/home/a/q.SQL"), QStringLiteral("LQS.q/a/emoh/")},
        // A character beyond the basic plane stays whole.
        {QString::fromUtf8("a\xF0\x9F\x98\x80"
                           "b"),
         QString::fromUtf8("b\xF0\x9F\x98\x80"
                           "a")},
    };
    for (const ReverseCase& c : cases) {
        EXPECT_EQ(ReverseText(c.text), c.reversed) << c.text.toStdString();
        EXPECT_EQ(ReverseText(ReverseText(c.text)), c.text);
    }
}

struct BeforeLastCase
{
    QString text;
    QChar character;
    QString expected;
};

TEST(TextBeforeLast, CutsAtTheLastOccurrence)
{
    const BeforeLastCase cases[] = {
        {QStringLiteral("C:\\SQL\\emp.SQL"), u'\\', QStringLiteral("C:\\SQL")},
        {QStringLiteral("/home/a/q.SQL"), u'/', QStringLiteral("/home/a")},
        {QStringLiteral("/q.SQL"), u'/', QString()},
        {QStringLiteral("query"), u'/', QStringLiteral("query")},
        {QString(), u'/', QString()},
        {QStringLiteral("a//"), u'/', QStringLiteral("a/")},
        {QStringLiteral("/"), u'/', QString()},
        {QStringLiteral("a.b.c"), u'.', QStringLiteral("a.b")},
        {QString::fromUtf8("/\xF0\x9F\x98\x80/x"), u'/', QString::fromUtf8("/\xF0\x9F\x98\x80")},
    };
    for (const BeforeLastCase& c : cases)
        EXPECT_EQ(TextBeforeLast(c.text, c.character), c.expected) << c.text.toStdString();
}

} // namespace
