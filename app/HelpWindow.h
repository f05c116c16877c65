#pragma once

#include "app/HelpSearch.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;
class QTextBrowser;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;

/// The help window: the program's own help pages with a contents list, an index of keywords and
/// a full-text search beside the page. Modeless; closing only hides it.
class HelpWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    /// Shows the window at the contents page (help context 1), with the contents list in front.
    void showContents();
    /// Shows the window with the search in front and the keyboard in its field (the finder).
    void showSearch();
    /// Shows the page for a help context number; every context but 1 has no page of its own
    /// and shows the contents page too.
    void showContext(int context);

    /// Opens a page by its file name ("login.html") or address.
    void openPage(const QString& page);
    /// The file name of the page shown ("index.html").
    QString currentPage() const;
    /// Runs the search for text and lists the pages found.
    void search(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build();
    void fillContents();
    void fillIndex();
    void filterIndex(const QString& text);
    void runSearch();
    void openContentsItem(QListWidgetItem* item);
    void openIndexItem(QTreeWidgetItem* item);
    void openSearchHit(QListWidgetItem* item);
    void pageChanged(const QUrl& source);

    QList<HelpPage> m_pages;
    QList<HelpIndexEntry> m_index;
    QStringList m_terms;

    QTabWidget* m_tabs = nullptr;
    QListWidget* m_contents = nullptr;
    QLineEdit* m_indexFilter = nullptr;
    QTreeWidget* m_indexList = nullptr;
    QLineEdit* m_searchEdit = nullptr;
    QPushButton* m_searchButton = nullptr;
    QLabel* m_searchStatus = nullptr;
    QListWidget* m_searchResults = nullptr;
    QTextBrowser* m_browser = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
    QToolButton* m_home = nullptr;
};
