#pragma once

#include <QObject>
#include <QPointer>

struct AppContext;
struct SearchOptions;
class FindDialog;
class QPlainTextEdit;
class QString;
class ReplaceDialog;
class QRect;
class SearchDialog;

/// The editor's Find, Find Next, Replace and Replace All commands, with their modeless dialogs.
///
/// The main window owns one and calls its three command slots. Every search looks for the n-th
/// occurrence counted from the top (or bottom) of the whole text, n being one counter shared by
/// both dialogs; the dialogs' texts and options go to the settings store at each search.
///
/// A hit is selected and scrolled into view, but the keyboard stays where it was: a key meant for
/// the dialog (Return for the next hit, Alt+letter for a button) must never reach the SQL. The
/// editor takes the keyboard when a dialog closes, or when the user clicks into it.
class EditorFindReplace final : public QObject
{
    Q_OBJECT

public:
    /// The dialogs become children of the editor (so they stay above its window and go with it).
    EditorFindReplace(AppContext& ctx, QPlainTextEdit& editor, QObject* parent = nullptr);
    ~EditorFindReplace() override;

    FindDialog& findDialog() const;
    ReplaceDialog& replaceDialog() const;
    /// The occurrence number the next Find Next looks for, less one.
    int occurrenceCounter() const { return m_counter; }

public Q_SLOTS:
    /// Ctrl+F: the find dialog with the stored text and options, counting from the first again.
    void MI_FindClick();
    /// F3: Find Next with the stored find dialog settings, without showing the dialog.
    void MI_FindNextClick();
    /// Ctrl+R: the replace dialog with its stored text and options, counting from the first again.
    void MI_ReplaceClick();

    void FDI_VemraFind();
    void RDI_VemraFind();
    void RDI_VemraReplace(bool replaceAll);

private:
    /// Raises the counter and searches until found or the user declines the repeat question.
    void loadFindDialog();
    void findNext(QWidget* dialog, const QString& findText, const SearchOptions& options,
                  void (EditorFindReplace::*storeOptions)());
    void select(int start, int length);
    /// The editor's window becomes the active window with the keyboard in the editor (a dialog closed).
    void focusEditor();
    /// The selection's area on the screen.
    QRect selectionArea() const;
    /// Moves the dialog from where it is preferred to a place that leaves the selection visible.
    void placeBesideSelection(SearchDialog& dialog, const QRect& preferred);
    void present(SearchDialog& dialog);
    void replaceAll();
    void storeFindDialog();
    void storeReplaceDialog();

    AppContext& m_ctx;
    QPlainTextEdit& m_editor;
    QPointer<FindDialog> m_findDialog;
    QPointer<ReplaceDialog> m_replaceDialog;
    int m_counter = 0;
};
