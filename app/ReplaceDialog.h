#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

/// RDI_Vemra: the modeless replace dialog of the editor (find text, replace-with text, match case,
/// whole word; no direction). The searching and replacing belong to EditorFindReplace. Cancel,
/// Escape and the title bar hide it.
class ReplaceDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit ReplaceDialog(QWidget* parent = nullptr);

    QString findText() const;
    void setFindText(const QString& text);
    QString replaceText() const;
    void setReplaceText(const QString& text);
    bool matchCase() const;
    void setMatchCase(bool on);
    bool wholeWord() const;
    void setWholeWord(bool on);

    /// Shows the dialog (or brings it to the front) with the find text selected for typing over.
    void present();

Q_SIGNALS:
    void findNextRequested();
    /// Replace (replaceAll false) or Replace All (true) was pressed.
    void replaceRequested(bool replaceAll);

private:
    void updateButtons();

    QLineEdit* m_findText = nullptr;
    QLineEdit* m_replaceText = nullptr;
    QCheckBox* m_wholeWord = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QPushButton* m_findNext = nullptr;
    QPushButton* m_replace = nullptr;
    QPushButton* m_replaceAll = nullptr;
};
