#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

/// FDI_Vemra: the modeless find dialog of the editor. It only holds the find text and options and
/// asks for a search; the search itself belongs to EditorFindReplace. Cancel, Escape and the title
/// bar hide it.
class FindDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit FindDialog(QWidget* parent = nullptr);

    QString findText() const;
    void setFindText(const QString& text);
    bool matchCase() const;
    void setMatchCase(bool on);
    bool wholeWord() const;
    void setWholeWord(bool on);
    /// The direction option: true for down.
    bool down() const;
    void setDown(bool down);

    /// Shows the dialog (or brings it to the front) with the find text selected for typing over.
    void present();

Q_SIGNALS:
    /// The Find Next button (or Enter) was pressed.
    void findNextRequested();

private:
    void updateButtons();

    QLineEdit* m_findText = nullptr;
    QCheckBox* m_wholeWord = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QRadioButton* m_up = nullptr;
    QRadioButton* m_down = nullptr;
    QPushButton* m_findNext = nullptr;
};
