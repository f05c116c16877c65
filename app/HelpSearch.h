#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/// The help pages as text, their index and the full-text search over them. No widgets.

/// One help page: where it is, its title, its plain text and its index keywords.
struct HelpPage
{
    QString url; ///< e.g. "qrc:/help/login.html"
    QString title;
    QString text; ///< the body as plain text, blanks collapsed
    QStringList keywords;
};

/// The body of an HTML page as plain text: tags dropped, entities decoded, blanks collapsed;
/// the head, scripts and styles left out.
QString HtmlToPlainText(const QString& html);

/// A page from its HTML: the title element, the keywords of the "keywords" meta element
/// (separated by commas), the body's text.
HelpPage ParseHelpPage(const QString& url, const QString& html);

/// The targets of the page's links to other pages, in the order they appear, each once.
QStringList PageLinks(const QString& html);

/// One page found by a search, best first.
struct HelpHit
{
    QString url;
    QString title;
    int score = 0;
    QString excerpt; ///< the text around the first match
};

/// The pages that contain every term of the query, best first (then by title).
/// Terms are words, matched at the start of words and without regard to case ("print" finds
/// "Printer"), or phrases in double quotes, matched as they stand apart from case and blanks.
/// Matches in the title and the keywords weigh more than matches in the text.
QList<HelpHit> SearchHelp(const QList<HelpPage>& pages, const QString& query);

/// One term of a query, case-folded.
struct SearchTerm
{
    QString text;
    bool phrase = false; ///< given in double quotes: matched anywhere, not only at word starts
    bool operator==(const SearchTerm&) const = default;
};

/// The terms SearchHelp reads from a query, each once.
QList<SearchTerm> SearchTerms(const QString& query);

/// One index keyword and the pages that list it (URL and title), sorted by title.
struct HelpIndexEntry
{
    QString keyword;
    QList<QPair<QString, QString>> pages;
};

/// Every keyword of the pages, sorted without regard to case; keywords differing only in case
/// are one entry.
QList<HelpIndexEntry> BuildHelpIndex(const QList<HelpPage>& pages);

/// The program's own help pages, contents page first, then in the order the contents page lists them.
QList<HelpPage> LoadHelpPages();

/// The address of the contents page.
QString HelpContentsUrl();
