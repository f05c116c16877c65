// Text cells longer than a line editor's usual limit of 32,767 characters, in the real result
// window on Sample, on PostgreSQL through QPSQL and through ODBC: entering such a cell and
// leaving it without typing writes nothing, and typing into it keeps every character.

#include "QueryWindowFixture.h"

#include "query/ResultGridModel.h"
#include "query/ResultGridView.h"
#include "support/PgServer.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

namespace {

/// 40,000 characters, some of them beyond Latin-1, ending in a mark that a cut would lose.
QString LongText()
{
    QString text = QStringLiteral("K\u00F6ln \u20AC \u540D ").repeated(5000);
    text.truncate(40'000 - 4);
    return text + QStringLiteral("/end");
}

/// Each data source gets a table long_t (id, note) with two rows, the long text in row 1.
class LongCellTest : public QueryWindowTest, public ::testing::WithParamInterface<const char*>
{
protected:
    void SetUp() override
    {
        const QString name = QString::fromLatin1(GetParam());
        if (name != QStringLiteral("Sample")) {
            PgServer& pg = PgServer::instance();
            if (!pg.running())
                GTEST_SKIP() << "no PostgreSQL server: " << pg.failure().toStdString();
            pg.psql(QStringLiteral("DROP TABLE IF EXISTS long_t; CREATE TABLE long_t (id int PRIMARY KEY, "
                                   "note text); INSERT INTO long_t VALUES (1, ''), (2, 'short');"));
            pg.writeAlias(QStringLiteral("PG"));
            pg.writeOdbcDsn(QStringLiteral("PG DSN"));
            open(name,
                 {QStringLiteral("USER NAME=") + pg.user(), QStringLiteral("PASSWORD=") + pg.password()});
        } else {
            open(name);
            run(QStringLiteral("CREATE TABLE long_t (id INTEGER PRIMARY KEY, note TEXT)"));
            run(QStringLiteral("INSERT INTO long_t VALUES (1, ''), (2, 'short')"));
        }
        Query set(connection);
        set.setSql({QStringLiteral("UPDATE long_t SET note = :v WHERE id = 1")});
        set.setParamAsString(0, LongText());
        set.execSQL();
    }

    void run(const QString& sql)
    {
        Query q(connection);
        q.setSql({sql});
        q.execSQL();
    }

    /// The stored text of row id, compared whole: a failure reports lengths, not 40,000 characters.
    ::testing::AssertionResult storedIs(int id, const QString& expected)
    {
        const QString text = stored(id);
        if (text == expected)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "stored " << text.size() << " characters, expected " << expected.size() << ", ending \""
               << text.right(8).toStdString() << "\"";
    }
    QString stored(int id)
    {
        Query q(connection);
        q.setSql({QStringLiteral("SELECT note FROM long_t WHERE id = %1").arg(id)});
        q.open();
        return q.valueText(0, 0);
    }

    /// The editor of the current cell, after making (row, 1) current as a click does.
    QLineEdit* enterCell(int row)
    {
        window->DBG_Grid->setFocus();
        window->DBG_Grid->setCurrentIndex(window->gridModel().index(row, 1));
        QTest::qWait(1);
        return qobject_cast<QLineEdit*>(QApplication::focusWidget());
    }
};

TEST_P(LongCellTest, EnteredAndLeftWithoutTypingTheCellIsNotWritten)
{
    ASSERT_TRUE(storedIs(1, LongText()));
    showResult(QStringLiteral("SELECT id, note FROM long_t ORDER BY id"));
    ASSERT_TRUE(query().canModify());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    QLineEdit* editor = enterCell(0);
    ASSERT_NE(editor, nullptr) << "the current cell of a live result has an editor";
    EXPECT_TRUE(editor->text() == LongText()) << "the editor holds " << editor->text().size();
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(window->DBG_Grid->currentIndex().row(), 1);
    EXPECT_EQ(query().state(), Query::State::Browse);
    EXPECT_TRUE(storedIs(1, LongText()));

    // Typing into it changes only what was typed.
    editor = enterCell(0);
    ASSERT_NE(editor, nullptr);
    editor->end(false);
    QTest::keyClicks(editor, QStringLiteral("!"));
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(query().state(), Query::State::Browse);
    EXPECT_TRUE(storedIs(1, LongText() + u'!'));
    EXPECT_TRUE(storedIs(2, QStringLiteral("short")));
}

TEST_P(LongCellTest, ACellTheEditorCannotShowAsItIsIsNotWrittenEither)
{
    // Line breaks, a tab and a NUL-free control character: a line editor shows them its own way.
    const QString text = QStringLiteral("first line\r\nsecond\tline\nthird \u0001 line");
    {
        Query set(connection);
        set.setSql({QStringLiteral("UPDATE long_t SET note = :v WHERE id = 2")});
        set.setParamAsString(0, text);
        set.execSQL();
    }
    showResult(QStringLiteral("SELECT id, note FROM long_t ORDER BY id"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QLineEdit* editor = enterCell(1);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Up);
    EXPECT_EQ(window->DBG_Grid->currentIndex().row(), 0);
    EXPECT_TRUE(storedIs(2, text));
}

INSTANTIATE_TEST_SUITE_P(Sources, LongCellTest, ::testing::Values("Sample", "PG", "PG DSN"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             QString name = QString::fromLatin1(info.param);
                             return name.remove(u' ').toStdString();
                         });

} // namespace
