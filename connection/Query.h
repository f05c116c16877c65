#pragma once

#include "connection/Field.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>
#include <string_view>

class Connection;
class RowStore;
struct FetchedResult;

/// A query object on the one connection (QRY_Grid, QRY_Report).
///
/// Open fetches every row, forward-only, into a compact in-memory store (per column UTF-8 bytes
/// with end offsets and null flags); the record count and the cursor work on that store. Fields
/// can be moved and hidden; their positions are the order callers see. A live result (every
/// field from one base table whose key is in the result) can be edited: changes are posted as
/// bound UPDATE, INSERT and DELETE statements keyed by the original key values.
///
/// Parameters are re-derived from the SQL text whenever it changes: one per ":name" marker
/// outside string literals, quoted identifiers and comments, in marker order ("::" is a cast).
class Query final : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Inactive,
        Browse,
        Edit,
        Insert,
    };
    Q_ENUM(State)

    explicit Query(Connection& connection, QObject* parent = nullptr);
    ~Query() override;

    Connection& connection() const { return m_connection; }
    QString databaseName() const { return m_databaseName; }
    void setDatabaseName(const QString& name) { m_databaseName = name; }

    // SQL text
    QStringList sql() const { return m_sql; }
    void clearSql();
    void addSql(const QString& line);
    void setSql(const QStringList& lines);
    /// The lines joined by "\n", as sent to the engine.
    QString sqlText() const;
    bool requestLive() const { return m_requestLive; }
    void setRequestLive(bool on) { m_requestLive = on; }

    // Parameters by position
    int paramCount() const;
    QString paramName(int index) const;
    void setParamAsString(int index, const QString& value);
    /// The value as text; empty when unset.
    QString paramAsText(int index) const;
    bool paramIsSet(int index) const;
    void clearParamValues();
    /// Copies the values by position from another query (names need not match).
    void copyParamsFrom(const Query& other);

    // Running
    /// Runs a row-returning statement; throws EngineError (also for a text without a statement),
    /// or WrapperError for an unset parameter.
    void open();
    /// Runs a statement without rows; afterwards rowsAffected() is the count or -1. When the
    /// statement returned rows after all, they are the open result (read-only) and the count -1.
    void execSQL();
    /// Whether the statement returns rows, when the engine can tell without running it.
    std::optional<bool> returnsRows() const;
    /// Runs lines as the new statement, with values for its parameters by position, and only when
    /// it opens replaces the statement and the open result; on failure it throws and the query
    /// stays exactly as it was.
    void openReplacing(const QStringList& lines, const QStringList& values);
    int rowsAffected() const { return m_rowsAffected; }
    void close();
    bool isActive() const;
    /// True when the open result accepts edits (live request granted).
    bool canModify() const;

    // Fields, in their current order
    int fieldCount() const;
    const Field& field(int position) const;
    /// Position of the first field whose name equals name without regard to case, or -1.
    int findField(const QString& name) const;
    void setDisplayLabel(int position, const QString& label);
    void setDisplayWidth(int position, int characters);
    void setVisible(int position, bool visible);
    /// Moves the field at from to position to; the others keep their relative order.
    void moveField(int from, int to);

    // Cursor over records 0 .. recordCount()-1
    int recordCount() const;
    /// The current record, 0-based; -1 when there is none.
    int recNo() const;
    void setRecNo(int record);
    void first();
    void last();
    void next();
    void prior();
    bool bof() const;
    bool eof() const;
    /// Bookmarks are stable while the result stays open (they survive deletes of other rows).
    using Bookmark = qint64;
    Bookmark bookmark() const;
    void gotoBookmark(Bookmark mark);
    void freeBookmark(Bookmark mark);
    /// Counted: while disabled, no cursor or data signals are emitted (scans stay fast).
    void disableControls();
    void enableControls();
    bool controlsDisabled() const;

    // Values of any record, by field position (no cursor move)
    bool isNull(int record, int position) const;
    /// The value's UTF-8 bytes, valid until the store changes; empty for NULL.
    std::string_view valueBytes(int record, int position) const;
    /// The value as the grid shows it: empty for NULL, a binary value as its hex preview
    /// (FieldValue::BinaryPreview), which is never its value and so never to be edited.
    QString valueText(int record, int position) const;
    /// The value as a typed QVariant (QVariant() for NULL); text that does not parse as the
    /// field's type comes back as QString.
    QVariant value(int record, int position) const;

    // Editing the current record of a live result (throws WrapperError when not live). Moving the
    // cursor posts a modified record and drops an unmodified one; close() drops it too.
    State state() const;
    /// Copies the current record into the edit buffer; on an empty result it inserts instead.
    void edit();
    /// Inserts a new empty record before the current one and makes it current.
    void insert();
    /// Appends a new empty record at the end and makes it current.
    void append();
    /// Sets a field of the record being edited or inserted (enters Edit when browsing).
    /// A null QVariant stores NULL.
    void setFieldValue(int position, const QVariant& value);
    bool modified() const;
    /// Posts the pending change; throws EngineError (and stays in Edit/Insert) on failure or when
    /// the keyed statement does not touch exactly one row.
    void post();
    void cancel();
    /// Deletes the current record in the database and the store.
    void deleteRecord();

    /// Bytes held for the open result (row store and field data), for the memory figures.
    qint64 memoryBytes() const;

Q_SIGNALS:
    void opened();
    void closed();
    /// Fields moved, hidden or relabelled.
    void fieldsChanged();
    /// Rows inserted or deleted, or a whole re-open.
    void recordsReset();
    void recordChanged(int record);
    void currentChanged(int record);
    void stateChanged(Query::State state);

private:
    struct Impl;
    enum Pending : int
    {
        PendingOpenState = 1,
        PendingFields = 2,
        PendingRecords = 4,
        PendingCurrent = 8,
        PendingState = 16,
    };
    void notify(Pending kind, int record = -1);
    QVariantList boundParameters() const;
    void refuseEmpty(const QString& text) const;
    void install(FetchedResult&& result);
    int storeColumn(int position) const;
    void checkRecord(int record) const;
    const std::optional<QByteArray>* editedCell(int record, int column) const;
    QList<std::optional<QByteArray>> recordCells(int record) const;
    void requireLive() const;
    void checkBrowseMode();
    void setCurrent(int record, bool bof, bool eof);
    void setState(State state);
    void beginInsert(int at);
    [[noreturn]] void refuse(int touched) const;

    Connection& m_connection;
    QString m_databaseName;
    QStringList m_sql;
    bool m_requestLive = true;
    int m_rowsAffected = -1;
    std::unique_ptr<Impl> d;
};
