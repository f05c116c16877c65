#include "connection/DataSources.h"
#include "connection/AliasFile.h"
#include "support/SqliteFile.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class DataSourceList : public IsolatedTest
{
protected:
    void writeOdbcIni(const QByteArray& text)
    {
        QFile file(QString::fromLocal8Bit(qgetenv("ODBCINI")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
};

TEST_F(DataSourceList, HoldsSampleDsnsAliasesAndLoginSortedEachOnce)
{
    writeOdbcIni("[zeta dsn]\nDriver = SQLite3\nDatabase = /nowhere\n\n[Alpha]\nDriver = SQLite3\n");
    SqliteFile file(home.path() + QStringLiteral("/a.sqlite3"));
    file.writeAlias(QStringLiteral("beta"));
    file.writeAlias(QStringLiteral("ALPHA")); // the same name as a DSN, in other letters
    file.writeAlias(QStringLiteral("sample"));

    const QStringList names = DataSources::List({QStringLiteral("Login"), QStringLiteral("C:\\data"),
                                                 QStringLiteral("/tmp:x"), QStringLiteral("login")});
    EXPECT_EQ(names, (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("Login"),
                                  QStringLiteral("Sample"), QStringLiteral("zeta dsn")}));
}

TEST_F(DataSourceList, WithNothingConfiguredHoldsSampleAndTheConnectionName)
{
    // No system DSNs either: the driver manager's system folder is an empty one.
    const QByteArray saved = qgetenv("ODBCSYSINI");
    qputenv("ODBCSYSINI", home.path().toLocal8Bit());
    const QStringList names = DataSources::List({QStringLiteral("Login")});
    if (saved.isNull())
        qunsetenv("ODBCSYSINI");
    else
        qputenv("ODBCSYSINI", saved);
    EXPECT_EQ(names, (QStringList{QStringLiteral("Login"), QStringLiteral("Sample")}));
}

TEST_F(DataSourceList, AliasFileKeepsOtherBlocksWhenOneIsRewritten)
{
    const QString path = DataSources::AliasFilePath();
    EXPECT_TRUE(path.startsWith(home.configFolder()));
    AliasFile::Alias pg{QStringLiteral("Sales"),
                        QStringLiteral("QPSQL"),
                        QStringLiteral("sales"),
                        QStringLiteral("db.example.org"),
                        5433,
                        QStringLiteral("connect_timeout=5")};
    AliasFile::Alias lite{
        QStringLiteral("Local"), QStringLiteral("SQLITE"), QStringLiteral("/data/x.sqlite3"), {}, -1, {}};
    ASSERT_TRUE(AliasFile::Write(path, pg));
    ASSERT_TRUE(AliasFile::Write(path, lite));
    pg.host = QStringLiteral("other.example.org");
    ASSERT_TRUE(AliasFile::Write(path, pg));

    const QList<AliasFile::Alias> aliases = AliasFile::Read(path);
    ASSERT_EQ(aliases.size(), 2);
    EXPECT_EQ(aliases[0].name, QStringLiteral("Local"));
    EXPECT_EQ(aliases[1].host, QStringLiteral("other.example.org"));
    EXPECT_EQ(aliases[1].port, 5433);
    EXPECT_EQ(aliases[1].options, QStringLiteral("connect_timeout=5"));

    AliasFile::Alias found;
    EXPECT_TRUE(AliasFile::Find(path, QStringLiteral("sales"), &found));
    EXPECT_EQ(found.driver, QStringLiteral("QPSQL"));
    EXPECT_FALSE(AliasFile::Find(path, QStringLiteral("Nothing"), nullptr));
}

TEST_F(DataSourceList, AliasFileReadsKeysInAnyCaseAndSkipsComments)
{
    const QString path = DataSources::AliasFilePath();
    QDir().mkpath(home.configFolder() + QStringLiteral("/VEMRA"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("; a comment\n# another\n[ My Data ]\n  DRIVER=sqlite\ndatabase = /a b/c.db \nport = x\n"
               "stray line\n[]\n[Second]\nHost=h\n");
    file.close();
    const QList<AliasFile::Alias> aliases = AliasFile::Read(path);
    ASSERT_EQ(aliases.size(), 2);
    EXPECT_EQ(aliases[0].name, QStringLiteral("My Data"));
    EXPECT_EQ(aliases[0].driver, QStringLiteral("sqlite"));
    EXPECT_EQ(aliases[0].database, QStringLiteral("/a b/c.db"));
    EXPECT_EQ(aliases[0].port, 0);
    EXPECT_EQ(aliases[1].host, QStringLiteral("h"));
}

} // namespace
