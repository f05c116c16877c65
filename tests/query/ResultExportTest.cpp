// The CSV writer and the tab-separated copy text, on a real SQLite result: quoting, NULLs,
// non-ASCII text, column order and titles, progress and cancelling, a device that refuses writes.

#include "query/ResultExport.h"
#include "connection/Connection.h"
#include "connection/FieldValue.h"
#include "connection/Query.h"
#include "support/SqliteFile.h"
#include "support/TestHome.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <memory>

namespace {

/// A value of column V (nullptr stands for NULL), and how each format writes it.
struct FieldCase
{
    const char* value;
    const char* csv;
    const char* tabbed;
};

const std::vector<FieldCase> kFieldCases = {
    {"plain", "plain", "plain"},
    {nullptr, "", ""},
    {"", "", ""},
    {"a,b", "\"a,b\"", "a,b"},
    {"say \"hi\"", "\"say \"\"hi\"\"\"", "\"say \"\"hi\"\"\""},
    {"\"", "\"\"\"\"", "\"\"\"\""},
    {"two\nlines", "\"two\nlines\"", "\"two\nlines\""},
    {"cr\rlf\r\n", "\"cr\rlf\r\n\"", "\"cr\rlf\r\n\""},
    {"tab\there", "tab\there", "\"tab\there\""},
    {" spaced ", " spaced ", " spaced "},
    {"K\xC3\xB6ln \xE2\x82\xAC \xE5\x90\x8D", "K\xC3\xB6ln \xE2\x82\xAC \xE5\x90\x8D",
     "K\xC3\xB6ln \xE2\x82\xAC \xE5\x90\x8D"},
};

/// Longer than a cell's preview: 17 bytes, "\" and quote bytes among them.
const QByteArray kLongBinary = QByteArray::fromHex("5c2722000102030405060708090a0b0cff");

QString SqlLiteral(const char* value)
{
    if (!value)
        return QStringLiteral("NULL");
    return QLatin1Char('\'') + QString::fromUtf8(value).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

class ResultExportTest : public IsolatedTest
{
protected:
    void SetUp() override
    {
        QString script = QStringLiteral("CREATE TABLE T (ID INTEGER PRIMARY KEY, V TEXT, N REAL, B BLOB);");
        for (std::size_t i = 0; i < kFieldCases.size(); ++i)
            script += QStringLiteral("INSERT INTO T VALUES (%1, %2, %1.5, NULL);")
                          .arg(i + 1)
                          .arg(SqlLiteral(kFieldCases[i].value));
        script += QStringLiteral("UPDATE T SET B = X'00FF' WHERE ID = 1; UPDATE T SET B = X'' WHERE ID = 2;"
                                 "UPDATE T SET B = X'%1' WHERE ID = 3;")
                      .arg(QString::fromLatin1(kLongBinary.toHex()));
        file = std::make_unique<SqliteFile>(home.dataFolder() + QStringLiteral("/export.sqlite"), script);
        file->writeAlias(QStringLiteral("Export"));
        connection.setName(QStringLiteral("Export"));
        connection.connect();
        query = std::make_unique<Query>(connection);
        query->setSql({QStringLiteral("SELECT ID, V, N, B FROM T ORDER BY ID")});
        query->open();
    }

    QByteArray csv(const QList<ExportColumn>& columns, const ExportProgress& progress = {},
                   ExportOutcome expected = ExportOutcome::Written)
    {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        EXPECT_EQ(WriteCsv(*query, columns, out, progress), expected);
        return out.data();
    }

    std::unique_ptr<SqliteFile> file;
    Connection connection;
    std::unique_ptr<Query> query;
};

TEST_F(ResultExportTest, EachValueIsWrittenAsTheFormatWants)
{
    const QByteArray all = csv({{1, QStringLiteral("V")}});
    QByteArray expected = "V\r\n";
    for (const FieldCase& c : kFieldCases)
        expected += QByteArray(c.csv) + "\r\n";
    EXPECT_EQ(all, expected);

    for (int r = 0; r < int(kFieldCases.size()); ++r) {
        SCOPED_TRACE(r);
        CellBlock one{{r}, {{1, QStringLiteral("V")}}, {}};
        EXPECT_EQ(TabSeparatedText(*query, one, false).toUtf8(), QByteArray(kFieldCases[r].tabbed));
    }
}

TEST_F(ResultExportTest, ColumnsGoInTheGivenOrderWithTheirTitles)
{
    // Titles are quoted like values; binary values are "\x" and hex, a NULL nothing.
    const QByteArray out =
        csv({{2, QStringLiteral("Amount, net")}, {0, QStringLiteral("N\u00BA")}, {3, QStringLiteral("B")}});
    const QList<QByteArray> lines = out.split('\n');
    ASSERT_EQ(lines.size(), qsizetype(kFieldCases.size()) + 2) << "the titles, the rows, nothing after";
    EXPECT_EQ(lines[0], "\"Amount, net\",N\xC2\xBA,B\r");
    EXPECT_EQ(lines[1], "1.5,1,\\x00ff\r");
    EXPECT_EQ(lines[2], "2.5,2,\\x\r");
    EXPECT_EQ(lines[4], "4.5,4,\r");
    EXPECT_TRUE(out.endsWith("11.5,11,\r\n"));
}

TEST_F(ResultExportTest, TabbedTextWithTitlesAndGapsBetweenChosenCells)
{
    // Records 1 and 3, columns ID and V; the crossing (record 3, ID) was not chosen.
    CellBlock block{{0, 2}, {{0, QStringLiteral("Id\tno")}, {1, QStringLiteral("Value")}}, {}};
    block.chosen = [](int recordIndex, int columnIndex) { return !(recordIndex == 1 && columnIndex == 0); };
    EXPECT_EQ(TabSeparatedText(*query, block, true), QStringLiteral("\"Id\tno\"\tValue\n1\tplain\n\t"));
    EXPECT_EQ(TabSeparatedText(*query, block, false), QStringLiteral("1\tplain\n\t"));
    EXPECT_EQ(TabSeparatedText(*query, CellBlock{{}, {{1, QStringLiteral("V")}}, {}}, true),
              QStringLiteral("V"));
}

TEST_F(ResultExportTest, EmptyResultWritesTheTitlesOnly)
{
    query->close();
    query->setSql({QStringLiteral("SELECT ID, V FROM T WHERE ID < 0")});
    query->open();
    EXPECT_EQ(csv({{0, QStringLiteral("ID")}, {1, QStringLiteral("V")}}), QByteArray("ID,V\r\n"));
}

TEST_F(ResultExportTest, ABareCarriageReturnIsQuotedLikeALineBreak)
{
    // A reader that takes a lone CR for a line end would split the field otherwise.
    query->close();
    query->setSql({QStringLiteral("SELECT 'old' || char(13) || 'mac' AS V, char(13) AS W")});
    query->open();
    EXPECT_EQ(csv({{0, QStringLiteral("V")}, {1, QStringLiteral("W\rX")}}),
              QByteArray("V,\"W\rX\"\r\n\"old\rmac\",\"\r\"\r\n"));
    CellBlock block{{0}, {{0, QStringLiteral("V")}, {1, QStringLiteral("W")}}, {}};
    EXPECT_EQ(TabSeparatedText(*query, block, false), QStringLiteral("\"old\rmac\"\t\"\r\""));
}

TEST_F(ResultExportTest, ProgressCountsTheRowsAndCanStopTheExport)
{
    file->exec(QStringLiteral("WITH RECURSIVE k(i) AS (SELECT 100 UNION ALL SELECT i + 1 FROM k "
                              "WHERE i < 10099) INSERT INTO T SELECT i, 'row ' || i, i, NULL FROM k"));
    query->close();
    query->open();
    ASSERT_EQ(query->recordCount(), 10000 + int(kFieldCases.size()));

    std::vector<qint64> seen;
    csv({{0, QStringLiteral("ID")}}, [&](qint64 rows) {
        seen.push_back(rows);
        return true;
    });
    ASSERT_GE(seen.size(), 3u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), query->recordCount()) << "the last call counts every row";

    const QByteArray stopped = csv(
        {{0, QStringLiteral("ID")}}, [](qint64 rows) { return rows < 5000; }, ExportOutcome::Cancelled);
    EXPECT_LT(stopped.count('\n'), 9000) << "no row is written long after the cancel";
}

TEST_F(ResultExportTest, ADeviceThatRefusesWritesFails)
{
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_EQ(WriteCsv(*query, {{0, QStringLiteral("ID")}}, readOnly), ExportOutcome::Failed);
}

} // namespace

TEST_F(ResultExportTest, BinaryValuesLeaveWholeAsHexWhileTheGridShowsAPreview)
{
    struct BinaryCase
    {
        int record;
        const char* shown;    ///< the grid's text
        const char* exported; ///< CSV and the copy text alike
    };
    const BinaryCase cases[] = {
        {0, "\\x00ff", "\\x00ff"},
        {1, "\\x", "\\x"},
        {2, "\\x5c2722000102030405060708090a0b0c\u2026 (17 bytes)", "\\x5c2722000102030405060708090a0b0cff"},
        {3, "", ""},
    };
    const QList<QByteArray> lines = csv({{3, QStringLiteral("B")}}).split('\n');
    for (const BinaryCase& c : cases) {
        SCOPED_TRACE(c.record);
        EXPECT_EQ(query->valueText(c.record, 3), QString::fromUtf8(c.shown));
        EXPECT_EQ(lines[c.record + 1], QByteArray(c.exported) + "\r");
        CellBlock one{{c.record}, {{3, QStringLiteral("B")}}, {}};
        EXPECT_EQ(TabSeparatedText(*query, one, false).toUtf8(), QByteArray(c.exported));
    }
    EXPECT_EQ(QByteArray::fromHex(lines[3].mid(2).trimmed()), kLongBinary) << "the hex loads back";
    EXPECT_EQ(FieldValue::BinaryPreview(std::string(16, 'A')),
              QStringLiteral("\\x41414141414141414141414141414141"))
        << "exactly as many bytes as a preview holds are shown whole";
}
