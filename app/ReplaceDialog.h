#pragma once

#include "app/SearchDialog.h"

/// RDI_Vemra: the modeless replace dialog of the editor (find text, replace-with text, match case,
/// whole word; no direction).
class ReplaceDialog final : public SearchDialog
{
    Q_OBJECT

public:
    explicit ReplaceDialog(QWidget* parent = nullptr);

    QString replaceText() const;
    void setReplaceText(const QString& text);

Q_SIGNALS:
    /// Replace (replaceAll false) or Replace All (true) was pressed.
    void replaceRequested(bool replaceAll);

private:
    QLineEdit* m_replaceText = nullptr;
    QPushButton* m_replace = nullptr;
    QPushButton* m_replaceAll = nullptr;
};
