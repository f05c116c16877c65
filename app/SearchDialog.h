#pragma once

#include <QDialog>

#include <initializer_list>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

/// What the editor's modeless find and replace dialogs share: the find text, the two options, the
/// Find Next and Cancel buttons. They only hold the text and options and ask for a search; the
/// search itself belongs to EditorFindReplace. Cancel, Escape and the title bar hide them.
class SearchDialog : public QDialog
{
    Q_OBJECT

public:
    QString findText() const;
    void setFindText(const QString& text);
    bool matchCase() const;
    void setMatchCase(bool on);
    bool wholeWord() const;
    void setWholeWord(bool on);

    /// Shows the dialog (or brings it to the front) with the find text selected for typing over.
    void present();

Q_SIGNALS:
    /// The Find Next button (or Enter) was pressed.
    void findNextRequested();

protected:
    SearchDialog(const QString& objectName, const QString& title, QWidget* parent);
    /// Connects the shared controls and fixes the size; called once the layout is complete.
    void finish();
    /// Tab goes from each widget to the next one listed.
    static void chainTabOrder(std::initializer_list<QWidget*> widgets);
    /// The buttons that need a find text; Find Next is one already.
    void addButtonsNeedingText(QList<QPushButton*> buttons);

    QLabel* m_findLabel = nullptr;
    QLineEdit* m_findText = nullptr;
    QCheckBox* m_wholeWord = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QPushButton* m_findNext = nullptr;
    QPushButton* m_cancel = nullptr;

private:
    void updateButtons();

    QList<QPushButton*> m_needText;
};
