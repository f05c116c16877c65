#include "app/SchemaWindow.h"

#include "connection/Connection.h"
#include "connection/DatabaseDriver.h"
#include "connection/EngineError.h"
#include "connection/SqlLexer.h"
#include "connection/WatchedCall.h"
#include "platform/AppContext.h"
#include "platform/Desktop.h"
#include "query/EngineErrorBox.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("Schema");
const QString kReading = QStringLiteral("Reading the schema");
const QString kError = QStringLiteral("Error reading the schema");

enum Role
{
    SqlRole = Qt::UserRole, ///< the text a double-click puts into the editor
    TableRole,              ///< the table's index in the catalogue
};

} // namespace

SchemaWindow::SchemaWindow(AppContext& ctx, QPlainTextEdit& editor, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_ctx(ctx), m_editor(editor)
{
    setObjectName(QStringLiteral("SchemaWindow"));
    setWindowTitle(kTitle);
    resize(360, 480);

    EDT_SchemaFilter = new QLineEdit(this);
    EDT_SchemaFilter->setObjectName(QStringLiteral("EDT_SchemaFilter"));
    EDT_SchemaFilter->setPlaceholderText(QStringLiteral("Filter"));
    EDT_SchemaFilter->setClearButtonEnabled(true);
    BBN_SchemaRefresh = new QPushButton(QStringLiteral("&Refresh"), this);
    BBN_SchemaRefresh->setObjectName(QStringLiteral("BBN_SchemaRefresh"));
    BBN_SchemaRefresh->setAutoDefault(false);
    TRV_Schema = new QTreeWidget(this);
    TRV_Schema->setObjectName(QStringLiteral("TRV_Schema"));
    TRV_Schema->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Type")});
    TRV_Schema->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    TRV_Schema->setUniformRowHeights(true);
    // A double-click takes the name; the arrow opens a table.
    TRV_Schema->setExpandsOnDoubleClick(false);

    auto* top = new QHBoxLayout;
    top->addWidget(EDT_SchemaFilter, 1);
    top->addWidget(BBN_SchemaRefresh);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(TRV_Schema, 1);

    connect(EDT_SchemaFilter, &QLineEdit::textChanged, this, &SchemaWindow::fill);
    connect(BBN_SchemaRefresh, &QPushButton::clicked, this, &SchemaWindow::refresh);
    connect(TRV_Schema, &QTreeWidget::itemExpanded, this, &SchemaWindow::addColumns);
    connect(TRV_Schema, &QTreeWidget::itemDoubleClicked, this, &SchemaWindow::insertName);
    if (m_ctx.connection) {
        // Another connection has other tables: read them afresh when next asked.
        connect(m_ctx.connection, &Connection::aboutToDisconnect, this, [this] {
            m_catalogue.reset();
            m_words.clear();
            fill();
        });
    }
}

void SchemaWindow::keyPressEvent(QKeyEvent* event)
{
    // The filter box and the list leave Escape to the window: it closes, as a tool window should.
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SchemaWindow::open()
{
    show();
    raise();
    activateWindow();
    if (!m_catalogue)
        refresh();
}

bool SchemaWindow::refresh()
{
    try {
        if (!m_ctx.connection)
            return false;
        const BusyCursor busy(m_ctx.desktop);
        const WatchedCall watch(*m_ctx.connection, progressParent(), kReading);
        m_catalogue = m_ctx.connection->driver().readCatalogue();
    } catch (const EngineError& e) {
        ShowEngineError(m_ctx.desktop, e, progressParent());
        return false;
    } catch (const std::exception&) {
        m_ctx.desktop.messageBox(BoxKind::Plain, kError, BoxButtons::Ok, progressParent());
        return false;
    }
    m_words = m_catalogue->completionWords();
    fill();
    return true;
}

const SchemaCatalogue* SchemaWindow::catalogue()
{
    if (!m_catalogue && !refresh())
        return nullptr;
    return &*m_catalogue;
}

QStringList SchemaWindow::completionWords()
{
    if (!catalogue())
        return SqlCompletionKeywords();
    return m_words;
}

QString SchemaWindow::completionText(const QString& word) const
{
    if (SqlCompletionKeywords().contains(word))
        return word;
    return nameForSql(word);
}

void SchemaWindow::fill()
{
    TRV_Schema->clear();
    if (!m_catalogue)
        return;
    const QList<CatalogueTable>& tables = m_catalogue->tables();
    QList<QTreeWidgetItem*> top;
    QTreeWidgetItem* schemaItem = nullptr;
    for (const int index : m_catalogue->filtered(EDT_SchemaFilter->text())) {
        const CatalogueTable& table = tables[index];
        QTreeWidgetItem* parent = nullptr;
        if (!table.schema.isEmpty()) {
            if (!schemaItem || schemaItem->text(0) != table.schema) {
                schemaItem = new QTreeWidgetItem({table.schema, QStringLiteral("schema")});
                schemaItem->setData(0, SqlRole, nameForSql(table.schema));
                top.append(schemaItem);
            }
            parent = schemaItem;
        }
        auto* item =
            new QTreeWidgetItem({table.name, table.view ? QStringLiteral("view") : QStringLiteral("table")});
        item->setData(0, SqlRole,
                      m_catalogue->tableSql(table, [this](const QString& n) { return nameForSql(n); }));
        item->setData(0, TableRole, index);
        // Columns are made when the table opens: ten thousand tables stay quick to list and filter.
        item->setChildIndicatorPolicy(table.columns.isEmpty() ? QTreeWidgetItem::DontShowIndicator
                                                              : QTreeWidgetItem::ShowIndicator);
        if (parent)
            parent->addChild(item);
        else
            top.append(item);
    }
    TRV_Schema->addTopLevelItems(top);
    for (QTreeWidgetItem* item : std::as_const(top)) {
        if (item->childCount() > 0)
            item->setExpanded(true);
    }
}

void SchemaWindow::addColumns(QTreeWidgetItem* tableItem) const
{
    const QVariant index = tableItem->data(0, TableRole);
    if (!m_catalogue || !index.isValid() || tableItem->childCount() > 0)
        return;
    const CatalogueTable& table = m_catalogue->tables()[index.toInt()];
    QList<QTreeWidgetItem*> columns;
    for (const CatalogueColumn& column : table.columns) {
        auto* item = new QTreeWidgetItem({column.name, column.type});
        item->setData(0, SqlRole, nameForSql(column.name));
        columns.append(item);
    }
    tableItem->addChildren(columns);
}

void SchemaWindow::insertName(QTreeWidgetItem* item, int column)
{
    Q_UNUSED(column);
    const QString text = item->data(0, SqlRole).toString();
    if (text.isEmpty())
        return;
    m_editor.insertPlainText(text);
}

QString SchemaWindow::nameForSql(const QString& name) const
{
    if (m_ctx.connection && m_ctx.connection->isConnected())
        return m_ctx.connection->driver().nameForSql(name);
    return DoubleQuotedSqlName(name);
}

QWidget* SchemaWindow::progressParent()
{
    return isVisible() ? this : m_editor.window();
}
