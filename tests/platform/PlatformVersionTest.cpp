#include "platform/PlatformVersion.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/utsname.h>

namespace {

struct NameCase
{
    const char* osRelease;
    const char* expected;
};

class OsReleaseNameTest : public ::testing::TestWithParam<NameCase>
{
};

TEST_P(OsReleaseNameTest, TakesTheDisplayName)
{
    EXPECT_EQ(OsReleasePrettyName(QString::fromUtf8(GetParam().osRelease)).toStdString(),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, OsReleaseNameTest,
    ::testing::Values(NameCase{"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n",
                               "Debian GNU/Linux 12 (bookworm)"},
                      NameCase{"NAME=Fedora\nPRETTY_NAME='Fedora Linux 39'\n", "Fedora Linux 39"},
                      NameCase{"PRETTY_NAME=Alpine\n", "Alpine"},
                      // Escapes inside double quotes; a "#" inside quotes is text, not a comment.
                      NameCase{"PRETTY_NAME=\"Say \\\"hi\\\" #1 \\\\ x\"\n", "Say \"hi\" #1 \\ x"},
                      NameCase{"# PRETTY_NAME=\"Commented\"\nNAME=\"Arch Linux\"\n", "Arch Linux"},
                      NameCase{"NAME=\"Ubuntu\"\nVERSION=\"22.04.3 LTS (Jammy Jellyfish)\"\n",
                               "Ubuntu 22.04.3 LTS (Jammy Jellyfish)"},
                      NameCase{"PRETTY_NAME=\"\"\nNAME=Gentoo\n", "Gentoo"},
                      NameCase{"ID=debian\r\nPRETTY_NAME=\"Windows line ends\"\r\n", "Windows line ends"},
                      NameCase{"", ""}, NameCase{"garbage without equals\n=value\n", ""}));

struct ReleaseCase
{
    const char* release;
    bool ok;
    int major;
    int minor;
};

class KernelReleaseTest : public ::testing::TestWithParam<ReleaseCase>
{
};

TEST_P(KernelReleaseTest, SplitsMajorAndMinor)
{
    const ReleaseCase& c = GetParam();
    const PlatformVersion version =
        PlatformVersionFrom(QStringLiteral("PRETTY_NAME=\"Test OS\"\n"), QString::fromUtf8(c.release));
    EXPECT_EQ(version.ok, c.ok);
    if (!c.ok)
        return;
    EXPECT_EQ(version.majorVersion, c.major);
    EXPECT_EQ(version.minorVersion, c.minor);
    EXPECT_EQ(version.supplementary.toStdString(), c.release);
    EXPECT_EQ(version.platformName, QStringLiteral("Test OS"));
}

INSTANTIATE_TEST_SUITE_P(Releases, KernelReleaseTest,
                         ::testing::Values(ReleaseCase{"6.1.0-18-amd64", true, 6, 1},
                                           ReleaseCase{"5.15.133.1-microsoft-standard-WSL2", true, 5, 15},
                                           ReleaseCase{"4.09", true, 4, 9}, ReleaseCase{"10.0", true, 10, 0},
                                           ReleaseCase{"6", false, 0, 0}, ReleaseCase{"", false, 0, 0},
                                           ReleaseCase{"v6.1", false, 0, 0},
                                           ReleaseCase{"6.x", false, 0, 0}));

TEST(PlatformVersion, SupplementaryTextStopsAtNulAndAt128Characters)
{
    const QString longRelease = QStringLiteral("6.8.") + QString(200, u'x');
    const PlatformVersion cut = PlatformVersionFrom(QString(), longRelease);
    ASSERT_TRUE(cut.ok);
    EXPECT_EQ(cut.supplementary.size(), PlatformVersion::kMaxSupplementaryLength);
    EXPECT_EQ(cut.supplementary, longRelease.left(128));

    const PlatformVersion nul =
        PlatformVersionFrom(QString(), QStringLiteral("6.1.0") + QChar(u'\0') + QStringLiteral("junk"));
    ASSERT_TRUE(nul.ok);
    EXPECT_EQ(nul.supplementary, QStringLiteral("6.1.0"));
}

TEST(PlatformVersion, WithoutOsReleaseTheNameIsLinux)
{
    const PlatformVersion version = PlatformVersionFrom(QString(), QStringLiteral("6.1.0"));
    ASSERT_TRUE(version.ok);
    EXPECT_EQ(version.platformName, QStringLiteral("Linux"));
}

TEST(PlatformVersion, PanelTextHasNoLeadingZeros)
{
    PlatformVersion version;
    version.majorVersion = 6;
    version.minorVersion = 1;
    EXPECT_EQ(KernelVersionText(version), QStringLiteral("Kernel Version 6.1"));
    version.minorVersion = 10;
    EXPECT_EQ(KernelVersionText(version), QStringLiteral("Kernel Version 6.10"));
}

TEST(PlatformVersion, ReadsTheRunningSystem)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("os-release"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("PRETTY_NAME=\"Fixture Linux 1\"\n");
    file.close();

    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    const PlatformVersion version = ReadPlatformVersion({dir.filePath(QStringLiteral("missing")), path});
    ASSERT_TRUE(version.ok);
    EXPECT_EQ(version.platformName, QStringLiteral("Fixture Linux 1"));
    EXPECT_EQ(version.supplementary, QString::fromUtf8(names.release).left(128));
    EXPECT_TRUE(QString::fromUtf8(names.release)
                    .startsWith(QStringLiteral("%1.%2").arg(version.majorVersion).arg(version.minorVersion)));

    EXPECT_TRUE(ReadPlatformVersion().ok);
}

} // namespace
