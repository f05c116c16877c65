#pragma once

#include "platform/Desktop.h"

#include <QMessageBox>

/// The program's message box: the icon of its kind, one of the fixed button sets, and an answer
/// of Closed when it is dismissed by Escape or the title bar without a Cancel button in the set.
class DesktopMessageBox final : public QMessageBox
{
    Q_OBJECT

public:
    DesktopMessageBox(BoxKind kind, const QString& text, BoxButtons buttons, const QString& caption,
                      QWidget* parent = nullptr);

    /// What the user answered in the last showing.
    BoxAnswer answer() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_hasCancel = false;
    bool m_closed = false;
};
