// Hostile statements and results through "Execute SQL" and the real result window: a million
// words, ten thousand parameters typed in, quotes left open, lone colons; a thousand columns,
// nulls, cells of a megabyte and field names made of the separators of the settings keys.

#include "QueryWindowFixture.h"

#include "query/ResultGridModel.h"
#include "query/ResultGridView.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <sqlite3.h>

namespace {

/// How many entries of the settings file lie in the section, in any letter case.
int EntriesInSection(const QString& section)
{
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(QFile::encodeName(SettingsStore::defaultPath()).constData(), &db,
                        SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        const QByteArray name = section.toUtf8();
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM entries WHERE section = ?1 COLLATE NOCASE", -1, &st,
                               nullptr) == SQLITE_OK &&
            sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            count = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return count;
}

using Outcome = SqlExecution::Outcome;

class HostileStatementTest : public QueryWindowTest
{
protected:
    void SetUp() override { open(); }

    /// The editor text of a statement, as lines of at most `perLine` words.
    static QString Lines(const QStringList& words, int perLine)
    {
        QStringList lines;
        for (qsizetype i = 0; i < words.size(); i += perLine)
            lines << words.mid(i, perLine).join(u' ');
        return lines.join(u'\n');
    }
};

TEST_F(HostileStatementTest, AMillionWordsAreAllSent)
{
    // The words stand in a comment between two columns: the last column is there only if no word
    // was dropped on the way.
    QStringList words{QStringLiteral("select"), QStringLiteral("'first'"), QStringLiteral("/*")};
    for (int i = 0; i < 1'000'000; ++i)
        words << QStringLiteral("w%1").arg(i % 1000);
    words << QStringLiteral("*/") << QStringLiteral(",") << QStringLiteral("'last'");
    QStringList values;
    const Outcome outcome = execute(Lines(words, 100), [&](TFRM_Query& w) {
        for (int c = 0; c < w.gridModel().columnCount(); ++c)
            values << w.gridModel().data(w.gridModel().index(0, c)).toString();
    });
    EXPECT_EQ(outcome, Outcome::ResultShown);
    EXPECT_EQ(values, QStringList({QStringLiteral("first"), QStringLiteral("last")}));
    // Inside the comment the editor's line breaks stay as they are.
    EXPECT_EQ(execution->statement().count(u' ') + execution->statement().count(u'\n'), words.size())
        << "each word followed by one blank or its line break";
}

TEST_F(HostileStatementTest, TenThousandParametersKeepEveryValue)
{
    constexpr int kParams = 10000;
    QStringList markers;
    for (int i = 0; i < kParams; ++i)
        markers << QStringLiteral(":p%1").arg(i);
    const QString sql = QStringLiteral("select empno from emp where 'X%1' in (").arg(kParams - 1) +
                        markers.join(QStringLiteral(", ")) + QStringLiteral(")");
    for (int round = 0; round < 2; ++round) {
        // The first round types the matching value last; the second leaves it out.
        for (int i = 0; i < kParams; ++i) {
            const bool match = round == 0 && i == kParams - 1;
            desktop.expectInput(match ? QStringLiteral("x%1").arg(i) : QStringLiteral("no"),
                                QStringLiteral("Enter value for parameter: P%1").arg(i));
        }
        QString total;
        EXPECT_EQ(execute(sql, [&](TFRM_Query& w) { total = w.EDT_TotalRecords->text(); }),
                  Outcome::ResultShown);
        EXPECT_EQ(total, round == 0 ? QStringLiteral("40") : QStringLiteral("0"));
        ASSERT_EQ(execution->paramList().size(), kParams);
        EXPECT_EQ(execution->paramList().last(),
                  round == 0 ? QStringLiteral("X%1").arg(kParams - 1) : QStringLiteral("NO"));
        desktop.verify();
    }
}

TEST_F(HostileStatementTest, BrokenStatementsShowTheEnginesErrorAndNothingElse)
{
    const char* const statements[] = {
        "select 'open quote from emp",
        "select \"open quote from emp",
        "select : from emp",
        "select :: from emp",
        "select 1:: from emp",
        ":",
        "::",
        "select * from emp where ename = 'x",
        "select (1 from emp",
    };
    for (const char* sql : statements) {
        SCOPED_TRACE(sql);
        desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
        EXPECT_EQ(execute(QString::fromUtf8(sql)), Outcome::Failed);
        desktop.verify();
        ASSERT_FALSE(desktop.boxes.empty());
        EXPECT_FALSE(desktop.boxes.back().text.trimmed().isEmpty());
        EXPECT_FALSE(shown);
        EXPECT_EQ(desktop.busyDepth, 0);
        EXPECT_TRUE(window->EDT_TotalRecords->text().isEmpty());
    }
    // Colons inside strings are only text, and the program goes on as before.
    QString value;
    EXPECT_EQ(
        execute(QStringLiteral("select ':' || '::' as c from emp where empno = (select min(empno) from emp)"),
                [&](TFRM_Query& w) { value = w.gridModel().data(w.gridModel().index(0, 0)).toString(); }),
        Outcome::ResultShown);
    EXPECT_EQ(value, QStringLiteral(":::"));
}

TEST_F(HostileStatementTest, AThousandOddColumnsWithNullsAndAMegabyteCell)
{
    constexpr int kColumns = 1000;
    const QStringList oddNames = {QStringLiteral("a|b"),         QStringLiteral("c->d"),
                                  QStringLiteral("with blanks"), QStringLiteral("名前"),
                                  QStringLiteral("Ωμέγα"),       QStringLiteral("x->WIDTH")};
    QStringList columns;
    QStringList names;
    for (int c = 0; c < kColumns; ++c) {
        const QString name = c < oddNames.size() ? oddNames[c] : QStringLiteral("c%1").arg(c);
        names << name;
        const QString value = c == 1       ? QStringLiteral("printf('%.*c', 1048576, 'm')")
                              : c % 2 == 0 ? QStringLiteral("null")
                                           : QStringLiteral("'v%1'").arg(c);
        columns << value + QStringLiteral(" as \"") + name + QLatin1Char('"');
    }
    // Unquoted words are upper-cased on the way; the quoted names hold no blank, so stay as they are.
    const QString sql = QStringLiteral("select ") + columns.join(QStringLiteral(",")) +
                        QStringLiteral(" from emp where empno = (select min(empno) from emp)");
    int shownColumns = 0;
    QString big;
    QStringList headers;
    QElapsedTimer paint;
    qint64 paintMs = 0;
    EXPECT_EQ(execute(sql,
                      [&](TFRM_Query& w) {
                          ResultGridModel& model = w.gridModel();
                          shownColumns = model.columnCount();
                          for (int c = 0; c < qMin(kColumns, model.columnCount()); ++c)
                              headers << model.headerData(c, Qt::Horizontal).toString();
                          big = model.data(model.index(0, 1)).toString();
                          EXPECT_TRUE(model.data(model.index(0, 0)).toString().isEmpty()) << "null";
                          w.resize(900, 400);
                          paint.start();
                          w.grab();
                          paintMs = paint.elapsed();
                          // A column moved by the user: the names of a thousand fields make a
                          // key too long to store an order under, so none is written.
                          w.DBG_Grid->horizontalHeader()->moveSection(3, 0);
                      }),
              Outcome::ResultShown);
    EXPECT_EQ(shownColumns, kColumns);
    EXPECT_EQ(headers.mid(0, oddNames.size()), oddNames);
    EXPECT_EQ(big.size(), 1048576);
    EXPECT_EQ(big.count(u'm'), 1048576);
    RecordProperty("paint_ms", int(paintMs));

    // Widths of the drawn columns are stored under the odd names as they are.
    const SettingsStore store;
    EXPECT_GT(
        store.ReadNumber(Schema::Section::QryFields, Schema::QryFields::WidthKey(QStringLiteral("a|b")), -1),
        0);
    EXPECT_GT(
        store.ReadNumber(Schema::Section::QryFields, Schema::QryFields::WidthKey(QStringLiteral("名前")), -1),
        0);
    EXPECT_GT(store.ReadNumber(Schema::Section::QryFields,
                               Schema::QryFields::WidthKey(QStringLiteral("x->WIDTH")), -1),
              0);
    EXPECT_EQ(EntriesInSection(Schema::Section::QrySortOrder), 0) << "no order stored under a key too long";
}

TEST_F(HostileStatementTest, OddFieldNamesKeepTheirTitlesWidthsAndOrder)
{
    const QStringList names = {QStringLiteral("a|b"), QStringLiteral("c->d"), QStringLiteral("with blanks"),
                               QStringLiteral("名前"), QStringLiteral("Ωμέγα")};
    QStringList columns;
    for (int c = 0; c < names.size(); ++c)
        columns << QStringLiteral("%1 as \"%2\"").arg(c).arg(names[c]);
    const QString sql =
        QStringLiteral("select ") + columns.join(QStringLiteral(", ")) + QStringLiteral(" from emp");
    SettingsStore().WriteText(Schema::Section::QryFields, Schema::QryFields::NameKey(QStringLiteral("c->d")),
                              QStringLiteral("Title of c->d"));
    EXPECT_EQ(execute(sql,
                      [&](TFRM_Query& w) {
                          w.resize(900, 400);
                          w.setColumnWidth(3, 123);
                          w.grab();
                          w.DBG_Grid->horizontalHeader()->moveSection(3, 0);
                      }),
              Outcome::ResultShown);
    EXPECT_EQ(SettingsStore().ReadNumber(Schema::Section::QryFields,
                                         Schema::QryFields::WidthKey(QStringLiteral("名前")), -1),
              123);
    // As on a desktop, the window below takes the focus back when the result window closes, so
    // that showing the result window again activates it.
    QWidget below;
    below.show();
    below.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&below));
    QStringList again;
    int width = 0;
    EXPECT_EQ(execute(sql,
                      [&](TFRM_Query& w) {
                          // Titles and widths come back as the window is activated.
                          w.activateWindow();
                          EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
                          for (int c = 0; c < w.gridModel().columnCount(); ++c)
                              again << w.gridModel().headerData(c, Qt::Horizontal).toString();
                          width = w.columnWidth(0);
                      }),
              Outcome::ResultShown);
    EXPECT_EQ(again, QStringList({names[3], names[0], QStringLiteral("Title of c->d"), names[2], names[4]}));
    EXPECT_EQ(width, 123);
}

} // namespace
