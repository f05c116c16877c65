#include "app/HelpSearch.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>

// The help pages live in resources/help.qrc, compiled into the core library; a static library's
// resources are registered only when asked for by name.
static void RegisterHelpResources()
{
    Q_INIT_RESOURCE(help);
}

namespace {

const QString kFolder = QStringLiteral(":/help/");
const QString kContents = QStringLiteral("index.html");

QString DecodeEntities(const QString& text)
{
    static const QHash<QString, QString> kNamed = {
        {QStringLiteral("amp"), QStringLiteral("&")},    {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},     {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")},   {QStringLiteral("nbsp"), QStringLiteral(" ")},
        {QStringLiteral("ndash"), QStringLiteral("–")},  {QStringLiteral("mdash"), QStringLiteral("—")},
        {QStringLiteral("hellip"), QStringLiteral("…")}, {QStringLiteral("copy"), QStringLiteral("©")},
    };
    static const QRegularExpression kEntity(QStringLiteral("&(#x[0-9a-fA-F]+|#[0-9]+|[a-zA-Z]+);"));
    QString result;
    qsizetype last = 0;
    for (const QRegularExpressionMatch& m : kEntity.globalMatch(text)) {
        result += text.mid(last, m.capturedStart() - last);
        const QString name = m.captured(1);
        QString replacement = m.captured(0);
        if (name.startsWith(QStringLiteral("#x"), Qt::CaseInsensitive)) {
            bool ok = false;
            const uint code = name.mid(2).toUInt(&ok, 16);
            if (ok && code > 0 && code <= 0x10FFFF)
                replacement = QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        } else if (name.startsWith(u'#')) {
            bool ok = false;
            const uint code = name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF)
                replacement = QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        } else if (kNamed.contains(name)) {
            replacement = kNamed.value(name);
        }
        result += replacement;
        last = m.capturedEnd();
    }
    result += text.mid(last);
    return result;
}

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

/// Positions where the term starts in folded text: for a word, only at the start of a word.
QList<qsizetype> Matches(const QString& folded, const QString& term, bool phrase)
{
    QList<qsizetype> found;
    qsizetype at = folded.indexOf(term);
    while (at >= 0) {
        const bool wordStart = at == 0 || !IsWordChar(folded.at(at - 1)) || !IsWordChar(term.front());
        if (phrase || wordStart)
            found.append(at);
        at = folded.indexOf(term, at + 1);
    }
    return found;
}

QString Excerpt(const QString& text, qsizetype at, qsizetype length)
{
    constexpr qsizetype kBefore = 50;
    constexpr qsizetype kAfter = 90;
    qsizetype begin = std::max<qsizetype>(0, at - kBefore);
    qsizetype end = std::min(text.size(), at + length + kAfter);
    // Whole words at both ends.
    while (begin > 0 && IsWordChar(text.at(begin - 1)) && at - begin < kBefore + 15)
        --begin;
    while (end < text.size() && IsWordChar(text.at(end)) && end - at < kAfter + length + 15)
        ++end;
    QString excerpt = text.mid(begin, end - begin).trimmed();
    if (begin > 0)
        excerpt.prepend(QStringLiteral("… "));
    if (end < text.size())
        excerpt.append(QStringLiteral(" …"));
    return excerpt;
}

} // namespace

QString HtmlToPlainText(const QString& html)
{
    QString text = html;
    static const QRegularExpression kDropped(
        QStringLiteral("<(head|script|style)\\b[^>]*>.*?</\\1\\s*>|<!--.*?-->"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    text.remove(kDropped);
    static const QRegularExpression kBreaks(
        QStringLiteral("<(br|/p|/li|/tr|/td|/th|/h[1-6]|/pre|/div|/table)\\b[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    text.replace(kBreaks, QStringLiteral(" "));
    static const QRegularExpression kTags(QStringLiteral("<[^>]*>"));
    text.remove(kTags);
    return DecodeEntities(text).simplified();
}

HelpPage ParseHelpPage(const QString& url, const QString& html)
{
    HelpPage page;
    page.url = url;
    static const QRegularExpression kTitle(QStringLiteral("<title[^>]*>(.*?)</title\\s*>"),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption);
    page.title = DecodeEntities(kTitle.match(html).captured(1)).simplified();
    static const QRegularExpression kMeta(QStringLiteral("<meta\\b[^>]*>"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression kName(QStringLiteral("\\bname\\s*=\\s*\"keywords\""),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression kContent(QStringLiteral("\\bcontent\\s*=\\s*\"([^\"]*)\""),
                                             QRegularExpression::CaseInsensitiveOption);
    for (const QRegularExpressionMatch& meta : kMeta.globalMatch(html)) {
        const QString tag = meta.captured(0);
        if (!kName.match(tag).hasMatch())
            continue;
        for (const QString& keyword : DecodeEntities(kContent.match(tag).captured(1)).split(u',')) {
            const QString trimmed = keyword.simplified();
            if (!trimmed.isEmpty() && !page.keywords.contains(trimmed, Qt::CaseInsensitive))
                page.keywords.append(trimmed);
        }
    }
    page.text = HtmlToPlainText(html);
    return page;
}

QStringList PageLinks(const QString& html)
{
    static const QRegularExpression kHref(
        QStringLiteral("<a\\b[^>]*\\bhref\\s*=\\s*\"([^\"#:]+)(#[^\"]*)?\""),
        QRegularExpression::CaseInsensitiveOption);
    QStringList links;
    for (const QRegularExpressionMatch& m : kHref.globalMatch(html)) {
        if (!links.contains(m.captured(1)))
            links.append(m.captured(1));
    }
    return links;
}

QList<SearchTerm> SearchTerms(const QString& query)
{
    QList<SearchTerm> terms;
    static const QRegularExpression kParts(QStringLiteral("\"([^\"]*)\"?|(\\S+)"));
    for (const QRegularExpressionMatch& m : kParts.globalMatch(query)) {
        QString term;
        const bool phrase = m.capturedStart(1) >= 0;
        if (phrase) {
            term = m.captured(1).simplified();
        } else {
            // A word loses the punctuation around it ("print," finds print) but keeps its inside
            // ("Ctrl+F", "settings.sqlite3").
            term = m.captured(2);
            qsizetype begin = 0;
            qsizetype end = term.size();
            while (begin < end && !IsWordChar(term.at(begin)))
                ++begin;
            while (end > begin && !IsWordChar(term.at(end - 1)) && term.at(end - 1) != u'+')
                --end;
            term = term.mid(begin, end - begin);
        }
        const SearchTerm folded{term.toCaseFolded(), phrase};
        if (!folded.text.isEmpty() && !terms.contains(folded))
            terms.append(folded);
    }
    return terms;
}

QList<HelpHit> SearchHelp(const QList<HelpPage>& pages, const QString& query)
{
    QList<HelpHit> hits;
    const QList<SearchTerm> terms = SearchTerms(query);
    if (terms.isEmpty())
        return hits;
    for (const HelpPage& page : pages) {
        const QString title = page.title.toCaseFolded();
        const QString text = page.text.toCaseFolded();
        const QString keywords = page.keywords.join(QStringLiteral(", ")).toCaseFolded();
        int score = 0;
        qsizetype firstAt = -1;
        qsizetype firstLength = 0;
        bool all = true;
        for (qsizetype i = 0; i < terms.size() && all; ++i) {
            const QString& term = terms.at(i).text;
            const bool phrase = terms.at(i).phrase;
            const QList<qsizetype> inText = Matches(text, term, phrase);
            const qsizetype inTitle = Matches(title, term, phrase).size();
            const qsizetype inKeywords = Matches(keywords, term, phrase).size();
            if (inText.isEmpty() && inTitle == 0 && inKeywords == 0) {
                all = false;
                break;
            }
            score += int(inText.size()) + 10 * int(inTitle) + 5 * int(inKeywords);
            if (firstAt < 0 && !inText.isEmpty()) {
                firstAt = inText.front();
                firstLength = term.size();
            }
        }
        if (!all)
            continue;
        HelpHit hit;
        hit.url = page.url;
        hit.title = page.title;
        hit.score = score;
        hit.excerpt = firstAt >= 0 ? Excerpt(page.text, firstAt, firstLength) : page.text.left(140);
        hits.append(hit);
    }
    std::stable_sort(hits.begin(), hits.end(), [](const HelpHit& a, const HelpHit& b) {
        if (a.score != b.score)
            return a.score > b.score;
        return a.title.compare(b.title, Qt::CaseInsensitive) < 0;
    });
    return hits;
}

QList<HelpIndexEntry> BuildHelpIndex(const QList<HelpPage>& pages)
{
    QMap<QString, HelpIndexEntry> byKey;
    for (const HelpPage& page : pages) {
        for (const QString& keyword : page.keywords) {
            HelpIndexEntry& entry = byKey[keyword.toCaseFolded()];
            if (entry.keyword.isEmpty())
                entry.keyword = keyword;
            const QPair<QString, QString> target(page.url, page.title);
            if (!entry.pages.contains(target))
                entry.pages.append(target);
        }
    }
    QList<HelpIndexEntry> index = byKey.values();
    for (HelpIndexEntry& entry : index) {
        std::sort(entry.pages.begin(), entry.pages.end(), [](const auto& a, const auto& b) {
            return a.second.compare(b.second, Qt::CaseInsensitive) < 0;
        });
    }
    std::sort(index.begin(), index.end(), [](const HelpIndexEntry& a, const HelpIndexEntry& b) {
        const int order = a.keyword.compare(b.keyword, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.keyword < b.keyword;
    });
    return index;
}

QString HelpContentsUrl()
{
    return QStringLiteral("qrc:/help/") + kContents;
}

QList<HelpPage> LoadHelpPages()
{
    RegisterHelpResources();
    auto read = [](const QString& name) {
        QFile file(kFolder + name);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    const QString contents = read(kContents);
    QStringList order{kContents};
    order += PageLinks(contents);
    // Pages the contents page does not list still belong to the help, after the listed ones.
    const QStringList all = QDir(kFolder).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    for (const QString& name : all) {
        if (!order.contains(name))
            order.append(name);
    }
    QList<HelpPage> pages;
    for (const QString& name : order) {
        if (!all.contains(name))
            continue;
        pages.append(ParseHelpPage(QStringLiteral("qrc:/help/") + name, read(name)));
    }
    return pages;
}
