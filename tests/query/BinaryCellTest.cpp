// Binary values in the real result window, on Sample (SQLite) and on the PostgreSQL test server:
// a preview the user cannot type into, edits and inserts beside them that leave their bytes as the
// engine holds them, the CSV export beside psql's own, Total Records through inserts and deletes,
// and a result too large for memory.

#include "QueryWindowFixture.h"

#include "query/DataSourceLink.h"
#include "query/DbNavigator.h"
#include "query/ResultGridModel.h"
#include "query/ResultGridView.h"
#include "support/PgServer.h"
#include "support/StoreBudget.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

namespace {

using Outcome = SqlExecution::Outcome;

/// How one engine spells the same table and values.
struct Engine
{
    const char* name;
    const char* create;
    const char* hexOfData; ///< the data column as lowercase hex, NULL as the word
};

const Engine kEngines[] = {
    {"Sample",
     "CREATE TABLE pics (id INTEGER PRIMARY KEY, name VARCHAR(20), data BLOB);"
     "INSERT INTO pics VALUES (1, 'three', X'00ff10'), (2, 'none', X''), (3, 'long', zeroblob(2048)),"
     " (4, 'null', NULL)",
     "CASE WHEN data IS NULL THEN 'NULL' ELSE lower(hex(data)) END"},
    {"PG",
     "DROP TABLE IF EXISTS pics; CREATE TABLE pics (id integer PRIMARY KEY, name varchar(20), data bytea);"
     "INSERT INTO pics VALUES (1, 'three', '\\x00ff10'), (2, 'none', '\\x'),"
     " (3, 'long', decode(repeat('00', 2048), 'hex')), (4, 'null', NULL)",
     "coalesce(encode(data, 'hex'), 'NULL')"},
};

class BinaryCellTest : public QueryWindowTest, public ::testing::WithParamInterface<int>
{
protected:
    void SetUp() override
    {
        engine = kEngines[GetParam()];
        if (isPg()) {
            PgServer& pg = PgServer::instance();
            if (!pg.running())
                GTEST_SKIP() << "no PostgreSQL server: " << pg.failure().toStdString();
            pg.psql(QString::fromUtf8(engine.create));
            pg.writeAlias(QStringLiteral("PG"));
            open(QStringLiteral("PG"),
                 {QStringLiteral("USER NAME=") + pg.user(), QStringLiteral("PASSWORD=") + pg.password()});
        } else {
            open(QStringLiteral("Sample"));
            Query create(connection);
            for (const QString& statement : QString::fromUtf8(engine.create).split(QLatin1Char(';'))) {
                create.setSql({statement});
                create.execSQL();
            }
        }
    }

    bool isPg() const { return QByteArray(engine.name) == "PG"; }

    /// Every row as the engine holds it: "id name hex".
    QStringList held()
    {
        Query read(connection);
        read.setSql({QStringLiteral("SELECT id, name, %1 FROM pics ORDER BY id")
                         .arg(QString::fromUtf8(engine.hexOfData))});
        read.open();
        QStringList rows;
        for (int r = 0; r < read.recordCount(); ++r)
            rows << read.valueText(r, 0) + QLatin1Char(' ') + read.valueText(r, 1) + QLatin1Char(' ') +
                        read.valueText(r, 2);
        return rows;
    }

    /// Makes the cell current as a click does; returns what has the keyboard then.
    static QWidget* enterCell(TFRM_Query& w, int row, int column)
    {
        w.DBG_Grid->setFocus();
        w.DBG_Grid->selectionModel()->setCurrentIndex(w.gridModel().index(row, column),
                                                      QItemSelectionModel::ClearAndSelect);
        QTest::qWait(1);
        return QApplication::focusWidget();
    }

    static void press(DbNavigator::Button button, TFRM_Query& w) { w.DBN_Grid->button(button)->click(); }

    Engine engine{};
};

TEST_P(BinaryCellTest, TypingIntoABinaryCellChangesNothingAndEditsBesideItKeepItsBytes)
{
    const QStringList before = held();
    ASSERT_EQ(before.size(), 4);
    ASSERT_EQ(before[0], QStringLiteral("1 three 00ff10"));
    QString total;
    const Outcome outcome =
        execute(QStringLiteral("SELECT id, name, data FROM pics ORDER BY id"), [&](TFRM_Query& w) {
            ResultGridModel& m = w.gridModel();
            ASSERT_TRUE(query().canModify());
            EXPECT_EQ(m.index(0, 2).data().toString(), QStringLiteral("\\x00ff10"));
            EXPECT_EQ(m.index(1, 2).data().toString(), QStringLiteral("\\x")) << "empty is not NULL";
            EXPECT_FALSE(m.index(1, 2).data(ResultGridModel::NullRole).toBool());
            EXPECT_EQ(m.index(2, 2).data().toString(), QStringLiteral("\\x") + QString(32, QLatin1Char('0')) +
                                                           QStringLiteral("\u2026 (2048 bytes)"));
            EXPECT_TRUE(m.index(3, 2).data(ResultGridModel::NullRole).toBool());
            EXPECT_FALSE(m.flags(m.index(0, 2)) & Qt::ItemIsEditable);
            EXPECT_TRUE(m.flags(m.index(0, 1)) & Qt::ItemIsEditable);
            EXPECT_EQ(m.index(0, 2).data(Qt::ToolTipRole).toString(), ResultGridModel::kBinaryReadOnly);

            // Typed keys find no editor, say why, and move nowhere.
            EXPECT_EQ(enterCell(w, 0, 2), w.DBG_Grid);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x\\"));
            EXPECT_EQ(QToolTip::text(), ResultGridModel::kBinaryReadOnly);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            EXPECT_EQ(query().recNo(), 0);
            // Nor does the navigator's Edit give it one.
            press(DbNavigator::Button::Edit, w);
            EXPECT_EQ(QApplication::focusWidget(), w.DBG_Grid);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("y"));
            press(DbNavigator::Button::Post, w);
            EXPECT_EQ(query().state(), Query::State::Browse);
            EXPECT_FALSE(m.setData(m.index(0, 2), QStringLiteral("\\x41"))) << "not through the model either";

            // The text beside it is typed into and posted; then a new row without a binary value.
            auto* editor = qobject_cast<QLineEdit*>(enterCell(w, 0, 1));
            ASSERT_NE(editor, nullptr);
            editor->selectAll();
            QTest::keyClicks(editor, QStringLiteral("tres"));
            press(DbNavigator::Button::Post, w);
            EXPECT_EQ(m.index(0, 2).data().toString(), QStringLiteral("\\x00ff10"));
            press(DbNavigator::Button::Last, w);
            press(DbNavigator::Button::Insert, w);
            EXPECT_EQ(w.EDT_TotalRecords->text(), QStringLiteral("5"));
            const int row = query().recNo();
            m.setData(m.index(row, 0), QStringLiteral("9"));
            m.setData(m.index(row, 1), QStringLiteral("nine"));
            press(DbNavigator::Button::Post, w);
            EXPECT_EQ(query().state(), Query::State::Browse);
            total = w.EDT_TotalRecords->text();
        });
    EXPECT_EQ(outcome, Outcome::ResultShown);
    EXPECT_EQ(total, QStringLiteral("5"));
    QStringList expected = before;
    expected[0] = QStringLiteral("1 tres 00ff10");
    expected << QStringLiteral("9 nine NULL");
    EXPECT_EQ(held(), expected);

    // Deleting in the grid counts down; an inserted row that is dropped again leaves the count.
    execute(QStringLiteral("SELECT id, name, data FROM pics ORDER BY id"), [&](TFRM_Query& w) {
        EXPECT_EQ(w.EDT_TotalRecords->text(), QStringLiteral("5"));
        enterCell(w, 4, 0);
        desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Delete record?"), BoxAnswer::Yes);
        press(DbNavigator::Button::Delete, w);
        EXPECT_EQ(w.EDT_TotalRecords->text(), QStringLiteral("4"));
        press(DbNavigator::Button::Insert, w);
        press(DbNavigator::Button::Cancel, w);
        EXPECT_EQ(w.EDT_TotalRecords->text(), QStringLiteral("4"));
    });
    EXPECT_EQ(held().size(), 4);
}

TEST_P(BinaryCellTest, AResultTooLargeForMemorySaysSoAndTheNextStatementRuns)
{
    const QString many =
        isPg() ? QStringLiteral("SELECT g, lpad(g::text, 30, '0') AS t FROM generate_series(1, 200000) g")
               : QStringLiteral(
                     "WITH RECURSIVE g(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM g WHERE n < 200000) "
                     "SELECT n, printf('%030d', n) AS t FROM g");
    {
        const StoreBudget budget(std::size_t(1) << 20);
        desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
        EXPECT_EQ(execute(many), Outcome::Failed);
        EXPECT_EQ(StoreBudget::refusals(), 1) << "no second attempt runs into the same wall";
    }
    ASSERT_EQ(desktop.boxes.size(), 1u);
    const QString text = desktop.boxes[0].text;
    EXPECT_TRUE(text.contains(QStringLiteral("The result did not fit in memory after ")))
        << text.toStdString();
    EXPECT_FALSE(query().isActive());
    EXPECT_TRUE(window->EDT_TotalRecords->text().isEmpty());
    EXPECT_EQ(execute(QStringLiteral("SELECT id FROM pics")), Outcome::ResultShown);
}

INSTANTIATE_TEST_SUITE_P(Engines, BinaryCellTest, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(kEngines[info.param].name);
                         });

/// The rows of psql --csv for a statement on the test server.
QByteArray PsqlCsv(const QString& sql)
{
    PgServer& pg = PgServer::instance();
    QProcess psql;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), pg.password());
    psql.setProcessEnvironment(env);
    psql.start(QStringLiteral("psql"),
               {QStringLiteral("-h"), pg.socketDir(), QStringLiteral("-p"), QString::number(pg.port()),
                QStringLiteral("-U"), pg.user(), QStringLiteral("-d"), pg.database(), QStringLiteral("-X"),
                QStringLiteral("--csv"), QStringLiteral("-c"), sql});
    EXPECT_TRUE(psql.waitForFinished(60000));
    EXPECT_EQ(psql.exitCode(), 0) << psql.readAllStandardError().toStdString();
    return psql.readAllStandardOutput();
}

class BinaryExportTest : public QueryWindowTest
{
};

TEST_F(BinaryExportTest, CsvOfByteaIsWhatPsqlWrites)
{
    PgServer& pg = PgServer::instance();
    if (!pg.running())
        GTEST_SKIP() << "no PostgreSQL server: " << pg.failure().toStdString();
    // Every byte value, bytes psql and CSV care about (quote, comma, backslash, line ends), empty, NULL.
    pg.psql(
        QStringLiteral("DROP TABLE IF EXISTS blobs; CREATE TABLE blobs (id integer PRIMARY KEY, data bytea);"
                       "INSERT INTO blobs VALUES (1, '\\x'), (2, NULL), (3, '\\x22275c2c0d0a00ff'),"
                       " (4, (SELECT string_agg(set_byte('\\x00'::bytea, 0, b), ''::bytea ORDER BY b)"
                       " FROM generate_series(0, 255) b))"));
    pg.writeAlias(QStringLiteral("PG"));
    open(QStringLiteral("PG"),
         {QStringLiteral("USER NAME=") + pg.user(), QStringLiteral("PASSWORD=") + pg.password()});
    const QString sql = QStringLiteral("SELECT id, data FROM blobs ORDER BY id");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("blobs.csv"));
    execute(sql, [&](TFRM_Query& w) {
        desktop.expectSaveFile(path);
        w.MI_ExportCSV->trigger();
    });
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray ours = file.readAll();
    // Our lines end in CR LF, psql's in LF; nothing else may differ.
    EXPECT_EQ(ours.count("\r\n"), 5);
    ours.replace("\r\n", "\n");
    const QByteArray theirs = PsqlCsv(sql);
    EXPECT_EQ(ours, theirs);
    EXPECT_GT(theirs.size(), 512) << "all 256 byte values are there";
}

} // namespace
