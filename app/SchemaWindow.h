#pragma once

#include "connection/SchemaCatalogue.h"

#include <QWidget>

#include <optional>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
struct AppContext;

/// The "Schema" window: the connected source's schemas, tables and views with their columns,
/// narrowed by a filter box. A double-click puts the name into the editor at its cursor, written
/// the way the engine reads it. The catalogue is read once per connection (behind the progress
/// window) and again on Refresh; the editor's completion asks it too.
class SchemaWindow final : public QWidget
{
    Q_OBJECT
public:
    SchemaWindow(AppContext& ctx, QPlainTextEdit& editor, QWidget* parent = nullptr);

    QLineEdit* EDT_SchemaFilter;
    QPushButton* BBN_SchemaRefresh;
    QTreeWidget* TRV_Schema;

    /// Shows the window, reading the catalogue first when this connection has none yet.
    void open();
    /// Reads the catalogue again; false when the engine failed (the error was shown).
    bool refresh();
    /// This connection's catalogue, read now when not yet read; nullptr when reading failed.
    const SchemaCatalogue* catalogue();
    /// The editor's completion words: names and keywords (reads the catalogue when needed).
    QStringList completionWords();
    /// A completed word as the editor takes it: names the way the engine reads them, keywords as they are.
    QString completionText(const QString& word) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill();
    void addColumns(QTreeWidgetItem* tableItem) const;
    void insertName(QTreeWidgetItem* item, int column);
    QString nameForSql(const QString& name) const;
    QWidget* progressParent();

    AppContext& m_ctx;
    QPlainTextEdit& m_editor;
    std::optional<SchemaCatalogue> m_catalogue;
    QStringList m_words;
};
