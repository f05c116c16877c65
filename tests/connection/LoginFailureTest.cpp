#include "connection/LoginFailure.h"
#include "connection/EngineError.h"

#include <gtest/gtest.h>

namespace {

struct ReasonCase
{
    const char* name;
    QList<EngineError::Entry> entries;
    QString password;
    QString reason;
};

TEST(LoginFailure, ReasonIsTheEnginesMessagesWithThePasswordMasked)
{
    const QString unreachable = QStringLiteral(
        "connection to server on socket \"/tmp/pg/.s.PGSQL.5432\" failed: No such file or directory\n"
        "\tIs the server running locally and accepting connections on that socket?");
    const ReasonCase cases[] = {
        {"one entry, its hint line no longer indented",
         {{"08001", 0, unreachable}},
         QStringLiteral("tiger"),
         QString(unreachable).remove(u'\t')},
        {"entries one a line, blanks around each dropped",
         {{"28000", 0, QStringLiteral("  login refused \n")},
          {"01000", 0, QStringLiteral("")},
          {"HY000", 7, QStringLiteral("second")}},
         QStringLiteral("tiger"),
         QStringLiteral("login refused\nsecond")},
        {"every occurrence masked, one star a character",
         {{"28P01", 0, QStringLiteral("bad password 'tiger' in \"user=scott password=tiger\"")}},
         QStringLiteral("tiger"),
         QStringLiteral("bad password '*****' in \"user=scott password=*****\"")},
        {"a password with blanks and quotes",
         {{"28P01", 0, QStringLiteral("PASSWORD=a 'b\" c;")}},
         QStringLiteral("a 'b\" c"),
         QStringLiteral("PASSWORD=*******;")},
        {"an empty password masks nothing",
         {{"28P01", 0, QStringLiteral("no password supplied")}},
         QString(),
         QStringLiteral("no password supplied")},
        {"the password's letter case is its own",
         {{"28P01", 0, QStringLiteral("user TIGER")}},
         QStringLiteral("tiger"),
         QStringLiteral("user TIGER")},
        {"no message at all", {{"08001", 0, QString()}}, QStringLiteral("x"), QString()},
    };
    for (const ReasonCase& c : cases)
        EXPECT_EQ(LoginFailureReason(EngineError(c.entries), c.password), c.reason) << c.name;
}

TEST(LoginFailure, OtherFailuresGiveTheirOwnMessage)
{
    EXPECT_EQ(LoginFailureReason(WrapperError(QStringLiteral("Cannot create the folder /x (secret)")),
                                 QStringLiteral("secret")),
              QStringLiteral("Cannot create the folder /x (******)"));
    EXPECT_EQ(LoginFailureReason(std::runtime_error("broken \xc3\xbc"), QString()),
              QStringLiteral("broken ü"));
}

TEST(LoginFailure, TextKeepsTheFixedLineAndAddsTheReasonAfterABlankLine)
{
    EXPECT_EQ(LoginFailureText(QStringLiteral("Invalid Username/Password"), QStringLiteral("server down")),
              QStringLiteral("Invalid Username/Password\n\nserver down"));
    EXPECT_EQ(LoginFailureText(QStringLiteral("Invalid Username/Password"), QString()),
              QStringLiteral("Invalid Username/Password"));
}

} // namespace
