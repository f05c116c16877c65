#include "platform/PrintFileNames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(PrintFileNamesTest, TitlesBecomeNamesEveryFileSystemTakes)
{
    const struct
    {
        QString title;
        QString expected;
    } cases[] = {
        {QStringLiteral("Query Result"), QStringLiteral("Query Result")},
        {QStringLiteral("a/b\\c:d*e?f\"g<h>i|j"), QStringLiteral("a_b_c_d_e_f_g_h_i_j")},
        {QStringLiteral("tab\there\nnewline"), QStringLiteral("tab_here_newline")},
        {QStringLiteral("  ..hidden. "), QStringLiteral("hidden")},
        {QStringLiteral(".."), QStringLiteral("fallback")},
        {QString(), QStringLiteral("fallback")},
        {QStringLiteral("Ümlaut 東京"), QStringLiteral("Ümlaut 東京")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SafeFileBaseName(c.title, QStringLiteral("fallback")), c.expected) << qPrintable(c.title);

    // Cut to what a file name may hold, never inside a character.
    const QString longTitle = QStringLiteral("東").repeated(300);
    const QString cut = SafeFileBaseName(longTitle, QStringLiteral("x"));
    EXPECT_LE(cut.toUtf8().size(), 200);
    EXPECT_GT(cut.toUtf8().size(), 190);
    EXPECT_TRUE(longTitle.startsWith(cut));
}

TEST(PrintFileNamesTest, FreeNamesNumberOnAndAReservedNameIsTaken)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    EXPECT_EQ(FreeFileName(folder, QStringLiteral("Report"), QStringLiteral("pdf")),
              folder + QStringLiteral("/Report.pdf"));
    const std::optional<QString> first =
        ReserveFreeFile(folder, QStringLiteral("Report"), QStringLiteral("pdf"));
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, folder + QStringLiteral("/Report.pdf"));
    EXPECT_TRUE(QFile::exists(*first)) << "the name is held by an empty file";
    // A dangling link counts as taken: writing through it would create a file elsewhere.
    ASSERT_TRUE(
        QFile::link(folder + QStringLiteral("/nowhere/x"), folder + QStringLiteral("/Report (2).pdf")));
    EXPECT_EQ(FreeFileName(folder, QStringLiteral("Report"), QStringLiteral("pdf")),
              folder + QStringLiteral("/Report (3).pdf"));
    EXPECT_EQ(ReserveFreeFile(folder, QStringLiteral("Report"), QStringLiteral("pdf")),
              folder + QStringLiteral("/Report (3).pdf"));
    EXPECT_FALSE(ReserveFreeFile(folder + QStringLiteral("/missing"), QStringLiteral("Report"),
                                 QStringLiteral("pdf")));
}

} // namespace
