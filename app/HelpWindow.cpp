#include "app/HelpWindow.h"

#include "platform/ToolbarGlyphs.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kUrlRole = Qt::UserRole;

QString FileNameOf(const QUrl& url)
{
    return url.fileName();
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    m_pages = LoadHelpPages();
    m_index = BuildHelpIndex(m_pages);
    build();
    fillContents();
    fillIndex();
    openPage(HelpContentsUrl());
}

void HelpWindow::build()
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("VEMRA Help"));
    setWindowIcon(ProgramIcon());
    resize(860, 600);

    auto makeButton = [this](const QString& name, QStyle::StandardPixmap icon, const QString& text,
                             const QKeySequence& key) {
        auto* button = new QToolButton(this);
        button->setObjectName(name);
        button->setIcon(style()->standardIcon(icon));
        button->setText(text);
        button->setToolTip(QStringLiteral("%1 (%2)").arg(text, key.toString(QKeySequence::NativeText)));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setShortcut(key);
        button->setAutoRaise(true);
        return button;
    };
    m_back = makeButton(QStringLiteral("BTN_Back"), QStyle::SP_ArrowBack, QStringLiteral("Back"),
                        QKeySequence(Qt::ALT | Qt::Key_Left));
    m_forward = makeButton(QStringLiteral("BTN_Forward"), QStyle::SP_ArrowForward, QStringLiteral("Forward"),
                           QKeySequence(Qt::ALT | Qt::Key_Right));
    m_home = makeButton(QStringLiteral("BTN_Contents"), QStyle::SP_DirHomeIcon, QStringLiteral("Contents"),
                        QKeySequence(Qt::ALT | Qt::Key_Home));

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TAB_Help"));

    m_contents = new QListWidget(m_tabs);
    m_contents->setObjectName(QStringLiteral("LST_Contents"));
    m_tabs->addTab(m_contents, QStringLiteral("&Contents"));

    auto* indexPage = new QWidget(m_tabs);
    indexPage->setObjectName(QStringLiteral("TSH_Index"));
    m_indexFilter = new QLineEdit(indexPage);
    m_indexFilter->setObjectName(QStringLiteral("EDT_IndexFilter"));
    m_indexFilter->setPlaceholderText(QStringLiteral("Type a keyword"));
    m_indexFilter->setClearButtonEnabled(true);
    m_indexList = new QTreeWidget(indexPage);
    m_indexList->setObjectName(QStringLiteral("LST_Index"));
    m_indexList->setHeaderHidden(true);
    m_indexList->setRootIsDecorated(true);
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(4, 4, 4, 4);
    indexLayout->addWidget(m_indexFilter);
    indexLayout->addWidget(m_indexList);
    m_tabs->addTab(indexPage, QStringLiteral("&Index"));

    auto* searchPage = new QWidget(m_tabs);
    searchPage->setObjectName(QStringLiteral("TSH_Search"));
    m_searchEdit = new QLineEdit(searchPage);
    m_searchEdit->setObjectName(QStringLiteral("EDT_Search"));
    m_searchEdit->setPlaceholderText(QStringLiteral("Words to find"));
    m_searchEdit->setClearButtonEnabled(true);
    m_searchButton = new QPushButton(QStringLiteral("&Search"), searchPage);
    m_searchButton->setObjectName(QStringLiteral("BTN_Search"));
    m_searchStatus = new QLabel(searchPage);
    m_searchStatus->setObjectName(QStringLiteral("LBL_SearchStatus"));
    m_searchStatus->setWordWrap(true);
    m_searchResults = new QListWidget(searchPage);
    m_searchResults->setObjectName(QStringLiteral("LST_SearchResults"));
    m_searchResults->setWordWrap(true);
    m_searchResults->setSpacing(3);
    m_searchResults->setAlternatingRowColors(true);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(m_searchEdit);
    searchRow->addWidget(m_searchButton);
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->setContentsMargins(4, 4, 4, 4);
    searchLayout->addLayout(searchRow);
    searchLayout->addWidget(m_searchStatus);
    searchLayout->addWidget(m_searchResults);
    m_tabs->addTab(searchPage, QStringLiteral("&Search"));

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("BRW_Page"));
    m_browser->setOpenExternalLinks(true);

    auto* splitter = new QSplitter(this);
    splitter->setObjectName(QStringLiteral("SPL_Help"));
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 600});
    splitter->setChildrenCollapsible(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_back);
    buttons->addWidget(m_forward);
    buttons->addWidget(m_home);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->addLayout(buttons);
    layout->addWidget(splitter);

    auto* find = new QAction(this);
    find->setShortcut(QKeySequence::Find);
    connect(find, &QAction::triggered, this, &HelpWindow::showSearch);
    addAction(find);

    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_home, &QToolButton::clicked, this, [this] { openPage(HelpContentsUrl()); });
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::pageChanged);
    connect(m_contents, &QListWidget::itemActivated, this, &HelpWindow::openContentsItem);
    connect(m_contents, &QListWidget::itemClicked, this, &HelpWindow::openContentsItem);
    connect(m_indexFilter, &QLineEdit::textChanged, this, &HelpWindow::filterIndex);
    connect(m_indexFilter, &QLineEdit::returnPressed, this, [this] {
        for (int i = 0; i < m_indexList->topLevelItemCount(); ++i) {
            if (!m_indexList->topLevelItem(i)->isHidden()) {
                openIndexItem(m_indexList->topLevelItem(i));
                return;
            }
        }
    });
    connect(m_indexList, &QTreeWidget::itemActivated, this, &HelpWindow::openIndexItem);
    connect(m_indexList, &QTreeWidget::itemClicked, this, &HelpWindow::openIndexItem);
    connect(m_searchButton, &QPushButton::clicked, this, &HelpWindow::runSearch);
    connect(m_searchEdit, &QLineEdit::returnPressed, this, &HelpWindow::runSearch);
    connect(m_searchResults, &QListWidget::itemActivated, this, &HelpWindow::openSearchHit);
    connect(m_searchResults, &QListWidget::itemClicked, this, &HelpWindow::openSearchHit);
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
}

void HelpWindow::fillContents()
{
    for (const HelpPage& page : m_pages) {
        auto* item = new QListWidgetItem(page.title, m_contents);
        item->setData(kUrlRole, page.url);
    }
}

void HelpWindow::fillIndex()
{
    for (const HelpIndexEntry& entry : m_index) {
        auto* item = new QTreeWidgetItem(m_indexList, {entry.keyword});
        if (entry.pages.size() == 1) {
            item->setData(0, kUrlRole, entry.pages.front().first);
            item->setToolTip(0, entry.pages.front().second);
            continue;
        }
        for (const auto& [url, title] : entry.pages) {
            auto* child = new QTreeWidgetItem(item, {title});
            child->setData(0, kUrlRole, url);
        }
    }
}

void HelpWindow::filterIndex(const QString& text)
{
    const QString wanted = text.trimmed();
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < m_indexList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_indexList->topLevelItem(i);
        const bool shown = wanted.isEmpty() || item->text(0).startsWith(wanted, Qt::CaseInsensitive) ||
                           item->text(0).contains(QStringLiteral(" ") + wanted, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (shown && !first)
            first = item;
    }
    if (first)
        m_indexList->setCurrentItem(first);
}

void HelpWindow::openContentsItem(QListWidgetItem* item)
{
    if (item)
        openPage(item->data(kUrlRole).toString());
}

void HelpWindow::openIndexItem(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const QString url = item->data(0, kUrlRole).toString();
    if (!url.isEmpty()) {
        openPage(url);
        return;
    }
    item->setExpanded(true);
    if (item->childCount() > 0)
        openPage(item->child(0)->data(0, kUrlRole).toString());
}

void HelpWindow::runSearch()
{
    search(m_searchEdit->text());
}

void HelpWindow::search(const QString& text)
{
    if (m_searchEdit->text() != text)
        m_searchEdit->setText(text);
    m_searchResults->clear();
    m_terms.clear();
    for (const SearchTerm& term : SearchTerms(text))
        m_terms.append(term.text);
    if (m_terms.isEmpty()) {
        m_searchStatus->setText(QStringLiteral("Type the words to look for."));
        return;
    }
    const QList<HelpHit> hits = SearchHelp(m_pages, text);
    if (hits.isEmpty()) {
        m_searchStatus->setText(QStringLiteral("No page contains \"%1\".").arg(text.simplified()));
        return;
    }
    m_searchStatus->setText(hits.size() == 1 ? QStringLiteral("1 page found.")
                                             : QStringLiteral("%1 pages found.").arg(hits.size()));
    for (const HelpHit& hit : hits) {
        auto* item = new QListWidgetItem(hit.title + u'\n' + hit.excerpt, m_searchResults);
        item->setData(kUrlRole, hit.url);
        item->setToolTip(hit.excerpt);
    }
    m_searchResults->setCurrentRow(0);
}

void HelpWindow::openSearchHit(QListWidgetItem* item)
{
    if (!item)
        return;
    openPage(item->data(kUrlRole).toString());
    // Put the first match in view, selected.
    if (!m_terms.isEmpty()) {
        m_browser->moveCursor(QTextCursor::Start);
        m_browser->find(m_terms.front());
    }
}

void HelpWindow::openPage(const QString& page)
{
    const QUrl url = page.contains(u':') ? QUrl(page) : QUrl(QStringLiteral("qrc:/help/") + page);
    if (m_browser->source() == url)
        return;
    m_browser->setSource(url);
}

QString HelpWindow::currentPage() const
{
    return FileNameOf(m_browser->source());
}

void HelpWindow::pageChanged(const QUrl& source)
{
    const QString shown = source.toString();
    for (int i = 0; i < m_contents->count(); ++i) {
        if (m_contents->item(i)->data(kUrlRole).toString() == shown) {
            const QSignalBlocker quiet(m_contents);
            m_contents->setCurrentRow(i);
            return;
        }
    }
}

void HelpWindow::showContents()
{
    openPage(HelpContentsUrl());
    m_tabs->setCurrentWidget(m_contents);
    show();
    raise();
    activateWindow();
}

void HelpWindow::showSearch()
{
    m_tabs->setCurrentIndex(m_tabs->indexOf(m_searchEdit->parentWidget()));
    show();
    raise();
    activateWindow();
    m_searchEdit->setFocus();
    m_searchEdit->selectAll();
}

void HelpWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel)) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::showContext(int context)
{
    Q_UNUSED(context);
    showContents();
}

#include "moc_HelpWindow.cpp"
