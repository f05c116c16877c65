#pragma once

#include <QString>

/// The value kind of a result column, as far as the callers care.
enum class FieldType
{
    Integer,
    Real,
    Money,
    Text,
    Date,
    DateTime,
    Time,
    Boolean,
    Blob,
    Other,
};

/// One field of an open result. Position is the field's index in the query's current order.
struct Field
{
    QString name;          ///< as the result spells it; the key of everything stored for it
    QString displayLabel;  ///< the column title; starts equal to name
    int displayWidth = 10; ///< in characters
    bool visible = true;
    FieldType type = FieldType::Text;
    int storeColumn = 0; ///< the column of the row store holding its values (fixed while open)
};
