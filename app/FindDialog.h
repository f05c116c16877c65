#pragma once

#include "app/SearchDialog.h"

class QRadioButton;

/// FDI_Vemra: the modeless find dialog of the editor, with the search direction.
class FindDialog final : public SearchDialog
{
    Q_OBJECT

public:
    explicit FindDialog(QWidget* parent = nullptr);

    /// The direction option: true for down.
    bool down() const;
    void setDown(bool down);

private:
    QRadioButton* m_up = nullptr;
    QRadioButton* m_down = nullptr;
};
