#pragma once

#include <QString>

/// The rows a report prints, seen as text. The report engine reads its data through this alone,
/// so it knows nothing of the database engine.
class RowSource
{
public:
    virtual ~RowSource() = default;

    virtual int fieldCount() const = 0;
    virtual QString fieldName(int field) const = 0;
    virtual int rowCount() const = 0;
    /// The display text of one cell; empty for NULL.
    virtual QString cellText(int row, int field) const = 0;

    /// The first field whose name equals name without regard to case, or -1.
    int findField(const QString& name) const
    {
        for (int i = 0; i < fieldCount(); ++i) {
            if (fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }
};
