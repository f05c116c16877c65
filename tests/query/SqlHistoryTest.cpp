#include "query/SqlHistory.h"
#include "query/SqlHistoryModel.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

HistoryEntry Entry(const QString& statement, HistoryEntry::Kind kind = HistoryEntry::Kind::Rows,
                   qint64 count = 1, const QString& error = {})
{
    HistoryEntry e;
    e.statement = statement;
    e.dataSource = QStringLiteral("Sample");
    e.user = QStringLiteral("scott");
    e.start = QDateTime(QDate(2026, 3, 1), QTime(9, 30, 15, 250));
    e.durationMs = 1234;
    e.kind = kind;
    e.count = count;
    e.error = error;
    return e;
}

QStringList Statements(const std::vector<HistoryEntry>& entries)
{
    QStringList list;
    for (const HistoryEntry& e : entries)
        list << e.statement;
    return list;
}

int Mode(const QString& path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

class SqlHistoryTest : public IsolatedTest
{
protected:
    QString path() const { return home.dataFolder() + QStringLiteral("/VEMRA/history.sqlite3"); }
};

TEST_F(SqlHistoryTest, KeepsTheNewestUpToItsCount)
{
    struct Case
    {
        int kept;
        int recorded;
    };
    const Case cases[] = {{3, 0}, {3, 2}, {3, 3}, {3, 7}, {1, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kept " << c.kept << ", recorded " << c.recorded);
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(path() + QString::fromLatin1(suffix));
        const SqlHistory history(path(), c.kept);
        QStringList expected;
        for (int i = 0; i < c.recorded; ++i) {
            history.record(Entry(QStringLiteral("SELECT %1").arg(i)));
            expected.prepend(QStringLiteral("SELECT %1").arg(i));
        }
        EXPECT_EQ(Statements(history.newestFirst()), expected.mid(0, c.kept));
    }
}

TEST_F(SqlHistoryTest, EveryFieldReadsBackAsWritten)
{
    using K = HistoryEntry::Kind;
    struct Case
    {
        HistoryEntry entry;
        const char* outcome;
    };
    const Case cases[] = {
        {Entry(QStringLiteral("SELECT * FROM EMP WHERE ENAME = :who"), K::Rows, 14), "14 rows"},
        {Entry(QStringLiteral("SELECT 1"), K::Rows, 1), "1 row"},
        {Entry(QStringLiteral("UPDATE EMP SET SAL = SAL"), K::Affected, 0), "0 affected"},
        {Entry(QStringLiteral("CREATE TABLE T (A INT)"), K::Affected, -1), "done"},
        // Only the first line of the engine's message, trimmed.
        {Entry(QStringLiteral("SELECT * FROM NOPE"), K::Error, 0,
               QStringLiteral(" no such table: NOPE \r\nline 2")),
         "no such table: NOPE"},
        {Entry(QStringLiteral("SELECT 'line\none' -- Ünïcode"), K::Rows, 1), "1 row"},
    };
    const SqlHistory history(path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry.statement.toStdString());
        history.record(c.entry);
        const HistoryEntry back = history.newestFirst().front();
        EXPECT_EQ(back.statement, c.entry.statement);
        EXPECT_EQ(back.dataSource, QStringLiteral("Sample"));
        EXPECT_EQ(back.user, QStringLiteral("scott"));
        EXPECT_EQ(back.start, c.entry.start);
        EXPECT_EQ(back.durationMs, 1234);
        EXPECT_EQ(back.kind, c.entry.kind);
        EXPECT_EQ(back.outcomeText(), QString::fromUtf8(c.outcome));
    }
}

TEST_F(SqlHistoryTest, FileIsPrivateWhateverTheUmask)
{
    const mode_t saved = ::umask(0);
    const SqlHistory history(path());
    history.record(Entry(QStringLiteral("SELECT 1")));
    EXPECT_EQ(Mode(path()), 0600);
    EXPECT_EQ(Mode(QFileInfo(path()).absolutePath()), 0700);
    // The journal beside it (kept while another connection is open) takes the file's own mode.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path()).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "SELECT count(*) FROM history", nullptr, nullptr, nullptr), SQLITE_OK);
    history.record(Entry(QStringLiteral("SELECT 2")));
    EXPECT_EQ(Mode(path() + QStringLiteral("-wal")), 0600);
    sqlite3_close(other);
    ::umask(saved);
}

TEST_F(SqlHistoryTest, TwoStoresOnOneFileWriteAlternately)
{
    const SqlHistory first(path(), 5);
    const SqlHistory second(path(), 5);
    // A third reader holds a read transaction open throughout, as a copy showing its window does.
    first.record(Entry(QStringLiteral("start")));
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path()).constData(), &reader), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM history;", nullptr, nullptr, nullptr),
              SQLITE_OK);
    QStringList expected{QStringLiteral("start")};
    for (int i = 0; i < 6; ++i) {
        const SqlHistory& writer = i % 2 ? second : first;
        const QString statement = QStringLiteral("copy %1 run %2").arg(i % 2).arg(i);
        ASSERT_NO_THROW(writer.record(Entry(statement))) << i;
        expected.prepend(statement);
    }
    sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(reader);
    EXPECT_EQ(Statements(first.newestFirst()), expected.mid(0, 5));
    EXPECT_EQ(Statements(second.newestFirst()), expected.mid(0, 5));
}

TEST_F(SqlHistoryTest, AFileThatCannotBeUsedThrowsItsReason)
{
    // No file yet: an empty history, nothing made.
    EXPECT_TRUE(SqlHistory(path()).newestFirst().empty());
    EXPECT_FALSE(QFileInfo::exists(path()));
    // A folder where the file should be.
    ASSERT_TRUE(QDir().mkpath(path()));
    try {
        SqlHistory(path()).record(Entry(QStringLiteral("SELECT 1")));
        ADD_FAILURE() << "no error";
    } catch (const HistoryError& e) {
        EXPECT_TRUE(
            QString::fromUtf8(e.what()).startsWith(QStringLiteral("The SQL history file %1").arg(path())))
            << e.what();
    }
    EXPECT_THROW(SqlHistory(path()).newestFirst(), HistoryError);
}

TEST(SqlHistoryModel, FilterNarrowsAsYouTypeAndWidensAgain)
{
    std::vector<HistoryEntry> entries;
    for (const char* s : {"SELECT * FROM EMP", "select ename from emp where deptno = 10",
                          "UPDATE DEPT SET LOC = 'X'", "SELECT 'Straße' FROM DUAL"})
        entries.push_back(Entry(QString::fromUtf8(s)));
    entries.push_back(Entry(QStringLiteral("SELECT * FROM NOPE"), HistoryEntry::Kind::Error, 0,
                            QStringLiteral("no such table: NOPE")));
    entries.back().user = QStringLiteral("adams");
    SqlHistoryModel model;
    model.setEntries(entries);

    // Each step's filter, typed in order, and the rows (by entry) it leaves.
    struct Step
    {
        const char* filter;
        std::vector<int> rows;
    };
    const Step steps[] = {
        {"", {0, 1, 2, 3, 4}}, {"e", {0, 1, 2, 3, 4}}, {"em", {0, 1}},
        {"emp", {0, 1}},       {"emp ", {0, 1}},       {"emp dept", {1}}, // every word, in any order
        {"emp deptx", {}},     {"emp dept", {1}},   // back again: the wider text searches everything
        {"", {0, 1, 2, 3, 4}}, {"DEPTNO", {1}},     // without regard to case
        {"sELECT *", {0, 4}},  {"such table", {4}}, // the result is searched
        {"adams", {4}},                             // and the user
        {"sample nope", {4}},                       // and the data source
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.filter);
        model.setFilter(QString::fromUtf8(step.filter));
        std::vector<int> rows;
        for (int r = 0; r < model.rowCount(); ++r) {
            const QString statement =
                model.data(model.index(r, 0), SqlHistoryModel::kStatementRole).toString();
            for (int e = 0; e < int(entries.size()); ++e) {
                if (entries[e].statement == statement)
                    rows.push_back(e);
            }
        }
        EXPECT_EQ(rows, step.rows);
    }
}

TEST(SqlHistoryModel, ShowsEachEntryOnOneLine)
{
    HistoryEntry e = Entry(QStringLiteral("SELECT 1\nFROM\tDUAL") + QString(400, QLatin1Char('x')));
    e.durationMs = 65007;
    SqlHistoryModel model;
    model.setEntries({e});
    const auto cell = [&](int column) { return model.data(model.index(0, column)).toString(); };
    EXPECT_EQ(cell(SqlHistoryModel::kStart), QStringLiteral("2026-03-01 09:30:15"));
    EXPECT_EQ(cell(SqlHistoryModel::kDuration), QStringLiteral("65.007 s"));
    EXPECT_EQ(cell(SqlHistoryModel::kDataSource), QStringLiteral("Sample"));
    EXPECT_EQ(cell(SqlHistoryModel::kUser), QStringLiteral("scott"));
    EXPECT_EQ(cell(SqlHistoryModel::kResult), QStringLiteral("1 row"));
    const QString shown = cell(SqlHistoryModel::kStatement);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("SELECT 1 FROM DUAL"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("...")));
    EXPECT_LT(shown.size(), e.statement.size());
    EXPECT_EQ(model.data(model.index(0, SqlHistoryModel::kStatement), Qt::ToolTipRole).toString(),
              e.statement);
}

} // namespace
