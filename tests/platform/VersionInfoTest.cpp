#include "platform/VersionInfo.h"
#include "support/ElfFixture.h"

#include "ProductInfo.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kPrefix = QStringLiteral("StringFileInfo\\040904E4\\");

QList<QPair<QString, QString>> AllKeys()
{
    return {{QStringLiteral("Developer"), QStringLiteral("Dev Team")},
            {QStringLiteral("LegalCopyright"), QStringLiteral("(C) 2026")},
            {QStringLiteral("ProductName"), QStringLiteral("Product")},
            {QStringLiteral("ProductVersion"), QStringLiteral("2.3.4")},
            {QStringLiteral("EMail"), QStringLiteral("a@b.c")},
            {QStringLiteral("HomePage"), QStringLiteral("https://h")}};
}

class VersionInfoFileTest : public ::testing::Test
{
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        WriteFixtureFile(path, bytes);
        return path;
    }
    QString programWith(const QList<VersionStringTable>& tables)
    {
        return write(
            QStringLiteral("program"),
            MakeElfFile({{".text", QByteArray(40, '\x90')}, {".vemra_version", EncodeVersionBlock(tables)}}));
    }
    QTemporaryDir dir;
};

TEST(VersionInfo, TheRunningProgramCarriesTheBuildsMetadata)
{
    const QString self = QStringLiteral("/proc/self/exe");
    const QByteArray block = VersionInfoBlock(self);
    ASSERT_GT(VersionInfoSize(self), 0);
    ASSERT_EQ(VersionInfoSize(self), block.size());

    const QList<QPair<QString, QString>> expected = {
        {QStringLiteral("Developer"), QString::fromUtf8(ProductInfo::kDeveloper)},
        {QStringLiteral("LegalCopyright"), QString::fromUtf8(ProductInfo::kLegalCopyright)},
        {QStringLiteral("ProductName"), QString::fromUtf8(ProductInfo::kProductName)},
        {QStringLiteral("ProductVersion"), QString::fromUtf8(ProductInfo::kProductVersion)},
        {QStringLiteral("EMail"), QString::fromUtf8(ProductInfo::kEMail)},
        {QStringLiteral("HomePage"), QString::fromUtf8(ProductInfo::kHomePage)}};
    for (const auto& [key, value] : expected) {
        EXPECT_FALSE(value.isEmpty()) << key.toStdString();
        EXPECT_EQ(VersionInfoValue(block, kPrefix + key), std::optional<QString>(value)) << key.toStdString();
    }
    // The build writes the same bytes as the encoder: one layout, two writers that agree.
    EXPECT_EQ(block, EncodeVersionBlock({{VersionInfo::kEnglishTable, expected}}));
}

TEST(VersionInfo, LooksUpByPathWithoutRegardToCase)
{
    const QByteArray block = EncodeVersionBlock(
        {{QStringLiteral("040704B0"), {{QStringLiteral("ProductName"), QStringLiteral("Produkt")}}},
         {QStringLiteral("040904E4"),
          {{QStringLiteral("ProductName"), QStringLiteral("Product")},
           {QStringLiteral("Empty"), QString()},
           {QStringLiteral("Unicode"), QStringLiteral("Grüße – ✓")}}}});

    EXPECT_EQ(VersionInfoValue(block, kPrefix + QStringLiteral("ProductName")), QStringLiteral("Product"));
    EXPECT_EQ(VersionInfoValue(block, QStringLiteral("stringfileinfo\\040904e4\\PRODUCTNAME")),
              QStringLiteral("Product"));
    EXPECT_EQ(VersionInfoValue(block, QStringLiteral("StringFileInfo\\040704B0\\ProductName")),
              QStringLiteral("Produkt"));
    EXPECT_EQ(VersionInfoValue(block, QStringLiteral("\\StringFileInfo\\040904E4\\ProductName")),
              QStringLiteral("Product"));
    EXPECT_EQ(VersionInfoValue(block, kPrefix + QStringLiteral("Unicode")), QStringLiteral("Grüße – ✓"));
    // Present but empty is a value; absent is none.
    EXPECT_EQ(VersionInfoValue(block, kPrefix + QStringLiteral("Empty")), QString());
    EXPECT_EQ(VersionInfoValue(block, kPrefix + QStringLiteral("Missing")), std::nullopt);
    EXPECT_EQ(VersionInfoValue(block, kPrefix + QStringLiteral("Product")), std::nullopt);
    // A table or the string information itself holds no text.
    EXPECT_EQ(VersionInfoValue(block, QStringLiteral("StringFileInfo\\040904E4")), std::nullopt);
    EXPECT_EQ(VersionInfoValue(block, QStringLiteral("StringFileInfo")), std::nullopt);
    EXPECT_EQ(VersionInfoValue(block, QString()), std::nullopt);
    EXPECT_EQ(VersionInfoValue(QByteArray(), kPrefix + QStringLiteral("ProductName")), std::nullopt);
}

TEST(VersionInfo, DamagedBlocksYieldNothing)
{
    const QByteArray good = EncodeVersionBlock({{VersionInfo::kEnglishTable, AllKeys()}});
    ASSERT_TRUE(VersionInfoValue(good, kPrefix + QStringLiteral("HomePage")).has_value());

    // Every shorter prefix disagrees with its own length field.
    for (qsizetype n = 0; n < good.size(); ++n)
        EXPECT_EQ(VersionInfoValue(good.left(n), kPrefix + QStringLiteral("HomePage")), std::nullopt) << n;

    QByteArray badMagic = good;
    badMagic[0] = 'X';
    EXPECT_EQ(VersionInfoValue(badMagic, kPrefix + QStringLiteral("ProductName")), std::nullopt);

    // A node claiming more room than its parent has: the string table's length (at offset 16 +
    // root header and key "VersionInfo" + StringFileInfo header and key) made huge.
    const qsizetype tableAt = 16 + 12 + 12 + 12 + 16;
    QByteArray oversized = good;
    oversized[tableAt + 3] = '\x7f';
    EXPECT_EQ(VersionInfoValue(oversized, kPrefix + QStringLiteral("ProductName")), std::nullopt);

    // A text node whose value length runs past its own node.
    QByteArray longValue = good;
    const qsizetype firstString = tableAt + 12 + 8;
    longValue[firstString + 8] = '\x70';
    EXPECT_EQ(VersionInfoValue(longValue, kPrefix + QStringLiteral("Developer")), std::nullopt);

    // Flipping any single byte never reads outside the block (the sanitizer build checks this);
    // the header's own bytes always make it unreadable.
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray flipped = good;
        flipped[i] = char(~flipped[i]);
        const std::optional<QString> value = VersionInfoValue(flipped, kPrefix + QStringLiteral("EMail"));
        if (i < 16) {
            EXPECT_EQ(value, std::nullopt) << i;
        }
    }
}

TEST_F(VersionInfoFileTest, FindsTheBlockInEveryKindOfElfFile)
{
    const QByteArray block = EncodeVersionBlock({{VersionInfo::kEnglishTable, AllKeys()}});
    for (const bool is64 : {true, false}) {
        for (const bool big : {false, true}) {
            const QString path = write(QStringLiteral("p%1%2").arg(is64).arg(big),
                                       MakeElfFile({{".data", "xyz"}, {".vemra_version", block}}, is64, big));
            EXPECT_EQ(VersionInfoSize(path), block.size()) << is64 << big;
            EXPECT_EQ(VersionInfoBlock(path), block) << is64 << big;
        }
    }
}

TEST_F(VersionInfoFileTest, TheSectionMayHoldPaddingAfterTheBlock)
{
    const QByteArray block = EncodeVersionBlock({{VersionInfo::kEnglishTable, AllKeys()}});
    const QString path =
        write(QStringLiteral("padded"), MakeElfFile({{".vemra_version", block + QByteArray(32, '\0')}}));
    EXPECT_EQ(VersionInfoBlock(path), block);
}

TEST_F(VersionInfoFileTest, FilesWithoutABlockHaveSizeZero)
{
    const QString noSection =
        write(QStringLiteral("plain"), MakeElfFile({{".text", "code"}, {".vemra_versionX", "x"}}));
    const QString text = write(QStringLiteral("text"), "VEMRAVIB is not enough to make a program file\n");
    const QString garbage =
        write(QStringLiteral("garbage"), MakeElfFile({{".vemra_version", QByteArray(64, '\x55')}}));
    const QString empty = write(QStringLiteral("empty"), QByteArray());
    const QString truncated =
        write(QStringLiteral("truncated"),
              MakeElfFile({{".vemra_version", EncodeVersionBlock({{VersionInfo::kEnglishTable, AllKeys()}})}})
                  .left(100));

    for (const QString& path :
         {noSection, text, garbage, empty, truncated, dir.filePath(QStringLiteral("missing")), dir.path()}) {
        EXPECT_EQ(VersionInfoSize(path), 0) << path.toStdString();
        EXPECT_TRUE(VersionInfoBlock(path).isEmpty()) << path.toStdString();
    }
}

// The three cases of the about box, through the same look-up the box uses.
TEST_F(VersionInfoFileTest, OnlyStandardKeysLeaveTheOwnKeysWithoutValue)
{
    const QString path = programWith({{VersionInfo::kEnglishTable,
                                       {{QStringLiteral("ProductName"), QStringLiteral("P")},
                                        {QStringLiteral("LegalCopyright"), QStringLiteral("C")},
                                        {QStringLiteral("ProductVersion"), QStringLiteral("1.0")}}}});
    ASSERT_GT(VersionInfoSize(path), 0);
    const QByteArray block = VersionInfoBlock(path);
    EXPECT_EQ(VersionInfoValue(block, kPrefix + QStringLiteral("ProductName")), QStringLiteral("P"));
    EXPECT_EQ(VersionInfoValue(block, kPrefix + QStringLiteral("LegalCopyright")), QStringLiteral("C"));
    EXPECT_EQ(VersionInfoValue(block, kPrefix + QStringLiteral("ProductVersion")), QStringLiteral("1.0"));
    for (const char* own : {"Developer", "EMail", "HomePage"})
        EXPECT_EQ(VersionInfoValue(block, kPrefix + QString::fromLatin1(own)), std::nullopt) << own;
}

TEST_F(VersionInfoFileTest, AnotherLanguageOnlyHasNoEnglishValues)
{
    const QString path = programWith({{QStringLiteral("040704B0"), AllKeys()}});
    const QByteArray block = VersionInfoBlock(path);
    ASSERT_GT(block.size(), 0);
    for (const auto& [key, value] : AllKeys()) {
        EXPECT_EQ(VersionInfoValue(block, kPrefix + key), std::nullopt) << key.toStdString();
        EXPECT_EQ(VersionInfoValue(block, QStringLiteral("StringFileInfo\\040704B0\\") + key), value);
    }
}

} // namespace
