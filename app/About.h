#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;

/// The about box: who made the program and which version it is, every text taken from the
/// version block of the program file. Filled once at creation; shown without a modal loop and
/// hidden by OK, Escape or the title bar.
class TFRM_About final : public QDialog
{
    Q_OBJECT

public:
    /// Reads the running program's own file.
    explicit TFRM_About(QWidget* parent = nullptr);
    /// Reads the given program file instead (tests, tools).
    explicit TFRM_About(const QString& programPath, QWidget* parent = nullptr);

    /// The six value labels, in the order of the rows.
    QLabel* LBL_Developer = nullptr;
    QLabel* LBL_LegalCopyright = nullptr;
    QLabel* LBL_ProductName = nullptr;
    QLabel* LBL_ProductVersion = nullptr;
    QLabel* LBL_EMail = nullptr;
    QLabel* LBL_HomePage = nullptr;
    QPushButton* OKButton = nullptr;

public Q_SLOTS:
    void OKButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void FormCreate();

    QString m_programPath;
    QFrame* m_panel = nullptr;
    bool m_placed = false;
};
