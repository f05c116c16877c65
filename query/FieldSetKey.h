#pragma once

#include <QString>
#include <QStringList>

/// The settings key under which the column order of a result is kept: its field names, each once
/// and sorted, both without regard to case (the user's locale), joined by "|". Two results with
/// the same names in any order share one key.
class FieldSetKey final
{
public:
    /// Longer keys are neither written nor read.
    static constexpr qsizetype kMaxLength = 261;

    explicit FieldSetKey(const QStringList& fieldNames);

    const QString& text() const { return m_text; }
    bool isUsable() const { return m_text.size() <= kMaxLength; }

private:
    QString m_text;
};
