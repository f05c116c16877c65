#include "app/HelpSearch.h"

#include <QFile>
#include <QSet>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

struct TextCase
{
    const char* html;
    const char* text;
};

class HtmlTextTest : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(HtmlTextTest, KeepsOnlyTheReadableText)
{
    EXPECT_EQ(HtmlToPlainText(QString::fromUtf8(GetParam().html)).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, HtmlTextTest,
    ::testing::Values(TextCase{"<p>Hello <b>bold</b> world</p>", "Hello bold world"},
                      TextCase{"<head><title>T</title><style>p{x}</style></head><body>Body</body>", "Body"},
                      TextCase{"a<script type=\"x\">var s = '<p>';</script>b", "ab"},
                      TextCase{"x<!-- hidden <b>comment</b> -->y", "xy"},
                      TextCase{"line<br>next<BR/>last", "line next last"},
                      TextCase{"<li>one</li><li>two</li>", "one two"},
                      TextCase{"<td>a</td><td>b</td>", "a b"},
                      TextCase{"&lt;=&gt; &amp;&amp; &quot;q&quot; &#233;t&#xE9; &nbsp;x &unknown;",
                               "<=> && \"q\" été x &unknown;"},
                      TextCase{"  spaced \n\n\t out  ", "spaced out"}, TextCase{"", ""}));

TEST(HelpPage, TakesTitleKeywordsAndText)
{
    const HelpPage page = ParseHelpPage(
        QStringLiteral("qrc:/help/x.html"),
        QStringLiteral("<html><head><title> Logging &amp; in </title>"
                       "<meta name=\"description\" content=\"not these\">"
                       "<meta name=\"keywords\" content=\"login, Password ,, password, data source\"></head>"
                       "<body><h1>Logging in</h1><p>Pick a data source.</p></body></html>"));
    EXPECT_EQ(page.url, QStringLiteral("qrc:/help/x.html"));
    EXPECT_EQ(page.title, QStringLiteral("Logging & in"));
    EXPECT_EQ(page.keywords, (QStringList{QStringLiteral("login"), QStringLiteral("Password"),
                                          QStringLiteral("data source")}));
    EXPECT_EQ(page.text, QStringLiteral("Logging in Pick a data source."));
}

TEST(HelpPage, LinksInOrderEachOnceWithoutOutsideAddresses)
{
    const QString html = QStringLiteral("<a href=\"b.html\">B</a> <a class=\"x\" href=\"a.html#part\">A</a>"
                                        "<a href=\"https://example.org/\">web</a><a href=\"b.html\">again</a>"
                                        "<a href=\"#top\">top</a>");
    EXPECT_EQ(PageLinks(html), (QStringList{QStringLiteral("b.html"), QStringLiteral("a.html")}));
}

struct TermCase
{
    const char* query;
    QList<SearchTerm> terms;
};

class SearchTermTest : public ::testing::TestWithParam<TermCase>
{
};

TEST_P(SearchTermTest, ReadsWordsAndPhrases)
{
    EXPECT_EQ(SearchTerms(QString::fromUtf8(GetParam().query)), GetParam().terms);
}

INSTANTIATE_TEST_SUITE_P(
    Queries, SearchTermTest,
    ::testing::Values(TermCase{"Print", {{QStringLiteral("print"), false}}},
                      TermCase{"  print,  SETUP! ",
                               {{QStringLiteral("print"), false}, {QStringLiteral("setup"), false}}},
                      TermCase{"\"Printer   Setup\" copies",
                               {{QStringLiteral("printer setup"), true}, {QStringLiteral("copies"), false}}},
                      TermCase{"Ctrl+F settings.sqlite3 (odbc.ini)",
                               {{QStringLiteral("ctrl+f"), false},
                                {QStringLiteral("settings.sqlite3"), false},
                                {QStringLiteral("odbc.ini"), false}}},
                      TermCase{"\"unclosed phrase", {{QStringLiteral("unclosed phrase"), true}}},
                      TermCase{"sql SQL Sql", {{QStringLiteral("sql"), false}}}, TermCase{"", {}},
                      TermCase{"\"\" ,;", {}}));

QList<HelpPage> Fixture()
{
    return {
        {QStringLiteral("p1"),
         QStringLiteral("Printing"),
         QStringLiteral("The Printer Setup button picks a printer. Print a report."),
         {QStringLiteral("print")}},
        {QStringLiteral("p2"),
         QStringLiteral("Login"),
         QStringLiteral("Type the user name and password. Setup of printers is elsewhere."),
         {QStringLiteral("password")}},
        {QStringLiteral("p3"),
         QStringLiteral("Blueprints"),
         QStringLiteral("A sprint of footprints, nothing else here."),
         {}},
        {QStringLiteral("p4"), QStringLiteral("Alpha"), QStringLiteral("printer"), {}},
        {QStringLiteral("p5"), QStringLiteral("Beta"), QStringLiteral("printer"), {}},
    };
}

QStringList Urls(const QList<HelpHit>& hits)
{
    QStringList urls;
    for (const HelpHit& hit : hits)
        urls.append(hit.url);
    return urls;
}

TEST(HelpSearch, MatchesWordStartsWithoutRegardToCase)
{
    // "print" finds Printing, Printer and printers but not the "print" inside Blueprints or sprint.
    const QStringList found = Urls(SearchHelp(Fixture(), QStringLiteral("PRINT")));
    EXPECT_EQ(QSet<QString>(found.begin(), found.end()),
              (QSet<QString>{QStringLiteral("p1"), QStringLiteral("p2"), QStringLiteral("p4"),
                             QStringLiteral("p5")}));
    EXPECT_TRUE(SearchHelp(Fixture(), QStringLiteral("rint")).isEmpty());
}

TEST(HelpSearch, EveryTermMustBeOnThePage)
{
    EXPECT_EQ(Urls(SearchHelp(Fixture(), QStringLiteral("setup printer"))),
              (QStringList{QStringLiteral("p1"), QStringLiteral("p2")}));
    EXPECT_EQ(Urls(SearchHelp(Fixture(), QStringLiteral("password printer report"))), QStringList());
}

TEST(HelpSearch, PhrasesMatchAsTheyStand)
{
    EXPECT_EQ(Urls(SearchHelp(Fixture(), QStringLiteral("\"printer setup\""))),
              QStringList{QStringLiteral("p1")});
    EXPECT_EQ(Urls(SearchHelp(Fixture(), QStringLiteral("\"setup of\""))), QStringList{QStringLiteral("p2")});
    // Inside a phrase a match need not start a word.
    EXPECT_EQ(Urls(SearchHelp(Fixture(), QStringLiteral("\"ootprint\""))), QStringList{QStringLiteral("p3")});
}

TEST(HelpSearch, TitlesAndKeywordsRankFirstThenTitleOrder)
{
    const QList<HelpHit> hits = SearchHelp(Fixture(), QStringLiteral("print"));
    ASSERT_EQ(hits.size(), 4);
    EXPECT_EQ(hits[0].url, QStringLiteral("p1"));
    EXPECT_GT(hits[0].score, hits[1].score);
    // Equal scores: Alpha before Beta.
    const QList<HelpHit> ties = SearchHelp(Fixture().mid(3), QStringLiteral("printer"));
    EXPECT_EQ(Urls(ties), (QStringList{QStringLiteral("p4"), QStringLiteral("p5")}));
    // A keyword alone is enough to find a page.
    EXPECT_EQ(Urls(SearchHelp(Fixture(), QStringLiteral("password"))), QStringList{QStringLiteral("p2")});
}

TEST(HelpSearch, ExcerptShowsTheMatch)
{
    QList<HelpPage> pages{{QStringLiteral("long"),
                           QStringLiteral("Long"),
                           QString(60, u'a') +
                               QStringLiteral(" start of things then the needle is here and then ") +
                               QString(300, u'b'),
                           {}}};
    const QList<HelpHit> hits = SearchHelp(pages, QStringLiteral("needle"));
    ASSERT_EQ(hits.size(), 1);
    EXPECT_TRUE(hits[0].excerpt.contains(QStringLiteral("the needle is here")));
    EXPECT_TRUE(hits[0].excerpt.startsWith(QStringLiteral("…")));
    EXPECT_TRUE(hits[0].excerpt.endsWith(QStringLiteral("…")));
    EXPECT_LT(hits[0].excerpt.size(), 200);
}

TEST(HelpSearch, EmptyQueriesFindNothing)
{
    EXPECT_TRUE(SearchHelp(Fixture(), QString()).isEmpty());
    EXPECT_TRUE(SearchHelp(Fixture(), QStringLiteral("  ,. ")).isEmpty());
}

TEST(HelpIndex, KeywordsSortedAndMergedWithoutRegardToCase)
{
    const QList<HelpPage> pages{{QStringLiteral("b"),
                                 QStringLiteral("Beta"),
                                 QString(),
                                 {QStringLiteral("printer"), QStringLiteral("Zebra")}},
                                {QStringLiteral("a"),
                                 QStringLiteral("Alpha"),
                                 QString(),
                                 {QStringLiteral("Printer"), QStringLiteral("apple")}}};
    const QList<HelpIndexEntry> index = BuildHelpIndex(pages);
    ASSERT_EQ(index.size(), 3);
    EXPECT_EQ(index[0].keyword, QStringLiteral("apple"));
    EXPECT_EQ(index[1].keyword, QStringLiteral("printer"));
    EXPECT_EQ(index[2].keyword, QStringLiteral("Zebra"));
    ASSERT_EQ(index[1].pages.size(), 2);
    EXPECT_EQ(index[1].pages[0].second, QStringLiteral("Alpha"));
    EXPECT_EQ(index[1].pages[1].second, QStringLiteral("Beta"));
}

// --- the program's own pages -----------------------------------------------------------------

QString FileOf(const QString& url)
{
    return QUrl(url).fileName();
}

TEST(HelpPages, ContentsFirstThenOnePagePerWindow)
{
    const QList<HelpPage> pages = LoadHelpPages();
    ASSERT_FALSE(pages.isEmpty());
    EXPECT_EQ(pages.front().url, HelpContentsUrl());
    EXPECT_EQ(pages.front().title, QStringLiteral("Contents"));
    QStringList files;
    for (const HelpPage& page : pages) {
        files.append(FileOf(page.url));
        EXPECT_FALSE(page.title.isEmpty()) << page.url.toStdString();
        EXPECT_FALSE(page.keywords.isEmpty()) << page.url.toStdString();
        EXPECT_GT(page.text.size(), 200) << page.url.toStdString();
    }
    for (const char* window :
         {"mainwindow.html", "login.html", "results.html", "gridoptions.html", "printing.html",
          "options.html", "about.html", "findreplace.html", "datasources.html", "settings.html", "keys.html"})
        EXPECT_TRUE(files.contains(QString::fromLatin1(window))) << window;
}

TEST(HelpPages, EveryLinkLeadsToAPageOfTheHelp)
{
    const QList<HelpPage> pages = LoadHelpPages();
    QStringList files;
    for (const HelpPage& page : pages)
        files.append(FileOf(page.url));
    for (const QString& file : files) {
        QFile source(QStringLiteral(":/help/") + file);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly)) << file.toStdString();
        for (const QString& link : PageLinks(QString::fromUtf8(source.readAll())))
            EXPECT_TRUE(files.contains(link)) << file.toStdString() << " links to " << link.toStdString();
    }
}

TEST(HelpPages, TellWhereDataSourcesAndSettingsAreDefined)
{
    const QList<HelpPage> pages = LoadHelpPages();
    auto firstHit = [&](const QString& query) {
        const QList<HelpHit> hits = SearchHelp(pages, query);
        return hits.isEmpty() ? QString() : FileOf(hits.front().url);
    };
    EXPECT_EQ(firstHit(QStringLiteral("~/.odbc.ini")), QStringLiteral("datasources.html"));
    EXPECT_EQ(firstHit(QStringLiteral("/etc/odbc.ini")), QStringLiteral("datasources.html"));
    EXPECT_EQ(firstHit(QStringLiteral("datasources.ini Driver Database Host Port Options")),
              QStringLiteral("datasources.html"));
    EXPECT_EQ(firstHit(QStringLiteral("Sample")), QStringLiteral("datasources.html"));
    EXPECT_EQ(firstHit(QStringLiteral("settings.sqlite3")), QStringLiteral("settings.html"));
    EXPECT_EQ(firstHit(QStringLiteral("F3")), QStringLiteral("findreplace.html"));
    // Every shortcut of the main window's menus is on the shortcut page.
    const HelpPage keys = *std::find_if(pages.begin(), pages.end(), [](const HelpPage& p) {
        return FileOf(p.url) == QStringLiteral("keys.html");
    });
    for (const char* key : {"Ctrl+N", "Ctrl+L", "Ctrl+S", "Ctrl+P", "Ctrl+F", "F3", "Ctrl+R", "Ctrl+T",
                            "Ctrl+O", "F1", "Ctrl+A"})
        EXPECT_TRUE(keys.text.contains(QString::fromLatin1(key))) << key;
}

} // namespace
