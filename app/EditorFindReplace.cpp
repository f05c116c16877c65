#include "app/EditorFindReplace.h"

#include "app/EditorSearch.h"
#include "app/FindDialog.h"
#include "app/ReplaceDialog.h"
#include "platform/AppContext.h"
#include "platform/Desktop.h"
#include "platform/GeneralError.h"
#include "platform/Placement.h"
#include "platform/WindowPlacement.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <QPlainTextEdit>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>

namespace {

const QString kNotFoundRepeat = QStringLiteral("Search string not found.\rRepeat search again?");
const QString kReplaceNotFound = QStringLiteral("The text to be replaced was not found");
const QString kReplacementsMade = QStringLiteral("%1 replacements of the text have been made.");

} // namespace

EditorFindReplace::EditorFindReplace(AppContext& ctx, QPlainTextEdit& editor, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_editor(editor), m_findDialog(new FindDialog(&editor)),
      m_replaceDialog(new ReplaceDialog(&editor))
{
    connect(m_findDialog, &FindDialog::findNextRequested, this, &EditorFindReplace::FDI_VemraFind);
    connect(m_replaceDialog, &ReplaceDialog::findNextRequested, this, &EditorFindReplace::RDI_VemraFind);
    connect(m_replaceDialog, &ReplaceDialog::replaceRequested, this, &EditorFindReplace::RDI_VemraReplace);
    // The keyboard stays in a dialog while it is open; the editor has it back when the dialog goes.
    connect(m_findDialog, &QDialog::finished, this, &EditorFindReplace::focusEditor);
    connect(m_replaceDialog, &QDialog::finished, this, &EditorFindReplace::focusEditor);
}

EditorFindReplace::~EditorFindReplace() = default;

FindDialog& EditorFindReplace::findDialog() const
{
    return *m_findDialog;
}

ReplaceDialog& EditorFindReplace::replaceDialog() const
{
    return *m_replaceDialog;
}

void EditorFindReplace::loadFindDialog()
{
    namespace D = Schema::Dialogs;
    const SettingsStore store = m_ctx.settings.open();
    m_findDialog->setFindText(store.Read(D::FindDialogText));
    m_findDialog->setMatchCase(store.Read(D::FindDialogMatchCase));
    m_findDialog->setWholeWord(store.Read(D::FindDialogWholeWord));
    m_findDialog->setDown(store.Read(D::FindDialogFromTop));
}

void EditorFindReplace::MI_FindClick()
{
    RunGuarded(m_ctx.desktop, [&] {
        m_counter = 0;
        loadFindDialog();
        present(*m_findDialog);
    });
}

void EditorFindReplace::MI_FindNextClick()
{
    RunGuarded(m_ctx.desktop, [&] {
        loadFindDialog();
        FDI_VemraFind();
    });
}

void EditorFindReplace::MI_ReplaceClick()
{
    RunGuarded(m_ctx.desktop, [&] {
        m_counter = 0;
        namespace D = Schema::Dialogs;
        const SettingsStore store = m_ctx.settings.open();
        m_replaceDialog->setFindText(store.Read(D::ReplaceDialogText));
        m_replaceDialog->setMatchCase(store.Read(D::ReplaceDialogMatchCase));
        m_replaceDialog->setWholeWord(store.Read(D::ReplaceDialogWholeWord));
        present(*m_replaceDialog);
    });
}

void EditorFindReplace::FDI_VemraFind()
{
    RunGuarded(m_ctx.desktop, [&] {
        const FindDialog& dialog = *m_findDialog;
        const SearchOptions options{dialog.matchCase(), dialog.wholeWord(), dialog.down()};
        findNext(m_findDialog, dialog.findText(), options, &EditorFindReplace::storeFindDialog);
    });
}

void EditorFindReplace::RDI_VemraFind()
{
    RunGuarded(m_ctx.desktop, [&] {
        const ReplaceDialog& dialog = *m_replaceDialog;
        const SearchOptions options{dialog.matchCase(), dialog.wholeWord(), true};
        findNext(m_replaceDialog, dialog.findText(), options, &EditorFindReplace::storeReplaceDialog);
    });
}

void EditorFindReplace::findNext(QWidget* dialog, const QString& findText, const SearchOptions& options,
                                 void (EditorFindReplace::*storeOptions)())
{
    // F3 searches with the find dialog hidden; the question then belongs to the editor's window.
    QWidget* boxParent = dialog->isVisible() ? dialog : m_editor.window();
    for (;;) {
        ++m_counter;
        (this->*storeOptions)();
        const QString text = EditorSearch::searchText(*m_editor.document());
        const int position = EditorSearch::findOccurrence(findText, text, m_counter, options);
        if (position > 0) {
            select(position - 1, int(findText.size()));
            return;
        }
        const BoxAnswer answer = m_ctx.desktop.messageBox(BoxKind::Confirmation, kNotFoundRepeat,
                                                          BoxButtons::YesNoCancel, boxParent);
        if (answer != BoxAnswer::Yes)
            return;
        m_counter = 0;
    }
}

void EditorFindReplace::storeFindDialog()
{
    namespace D = Schema::Dialogs;
    SettingsStore store = m_ctx.settings.open();
    store.Write(D::FindDialogText, m_findDialog->findText());
    store.Write(D::FindDialogMatchCase, m_findDialog->matchCase());
    store.Write(D::FindDialogWholeWord, m_findDialog->wholeWord());
    store.Write(D::FindDialogFromTop, m_findDialog->down());
}

void EditorFindReplace::storeReplaceDialog()
{
    namespace D = Schema::Dialogs;
    SettingsStore store = m_ctx.settings.open();
    store.Write(D::ReplaceDialogText, m_replaceDialog->findText());
    store.Write(D::ReplaceDialogMatchCase, m_replaceDialog->matchCase());
    store.Write(D::ReplaceDialogWholeWord, m_replaceDialog->wholeWord());
    store.Write(D::ReplaceDialogFromTop, true);
}

void EditorFindReplace::select(int start, int length)
{
    QTextCursor cursor(m_editor.document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    m_editor.setTextCursor(cursor);
    m_editor.ensureCursorVisible();
    // The hit is shown while the dialog keeps the keyboard: it must not fade to the inactive
    // colours that some themes make hard to see. Set at each hit, as themes and options change.
    QPalette palette = m_editor.palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setBrush(QPalette::Inactive, role, palette.brush(QPalette::Active, role));
    if (palette != m_editor.palette())
        m_editor.setPalette(palette);
    // The keyboard stays where it is: in the dialog, Return finds the next hit and Alt+letters press
    // its buttons; in the editor (F3), typing goes on there.
    for (SearchDialog* dialog :
         std::initializer_list<SearchDialog*>{m_findDialog.data(), m_replaceDialog.data()}) {
        if (dialog && dialog->isVisible())
            placeBesideSelection(*dialog, WindowPlacement::Frame(*dialog));
    }
}

void EditorFindReplace::focusEditor()
{
    if (!m_editor.window()->isVisible())
        return;
    m_editor.window()->activateWindow();
    m_editor.setFocus();
}

QRect EditorFindReplace::selectionArea() const
{
    QTextCursor start = m_editor.textCursor();
    QTextCursor end = start;
    start.setPosition(start.selectionStart());
    end.setPosition(end.selectionEnd());
    const QRect area = m_editor.cursorRect(start).united(m_editor.cursorRect(end));
    return QRect(m_editor.viewport()->mapToGlobal(area.topLeft()), area.size());
}

void EditorFindReplace::placeBesideSelection(SearchDialog& dialog, const QRect& preferred)
{
    const QScreen* screen = m_editor.window()->screen();
    if (!screen)
        return;
    const QRect frame = PlaceBeside(preferred, selectionArea(), screen->availableGeometry());
    if (frame != WindowPlacement::Frame(dialog))
        WindowPlacement::SetFrame(dialog, frame);
}

void EditorFindReplace::present(SearchDialog& dialog)
{
    if (!dialog.isVisible()) {
        // A new dialog opens over the middle of the editor's window, unless it would cover the selection.
        const QMargins margins = WindowPlacement::FrameMargins(dialog);
        QRect frame(QPoint(), dialog.size().grownBy(margins));
        frame.moveCenter(WindowPlacement::Frame(*m_editor.window()).center());
        placeBesideSelection(dialog, frame);
    }
    dialog.present();
}

void EditorFindReplace::RDI_VemraReplace(bool replaceAll)
{
    RunGuarded(m_ctx.desktop, [&] {
        if (replaceAll) {
            this->replaceAll();
            return;
        }
        // The selection is compared under the dialog's case rule: compared exactly, a SELECT found for
        // select with match case off could never be replaced and Replace would select it forever.
        const QString findText = m_replaceDialog->findText();
        QTextCursor cursor = m_editor.textCursor();
        if (cursor.hasSelection() && EditorSearch::sameText(EditorSearch::searchText(cursor.selectedText()),
                                                            findText, m_replaceDialog->matchCase())) {
            cursor.insertText(m_replaceDialog->replaceText());
            m_editor.setTextCursor(cursor);
        }
        m_counter = 0;
        RDI_VemraFind();
    });
}

void EditorFindReplace::replaceAll()
{
    const QString findText = m_replaceDialog->findText();
    const bool matchCase = m_replaceDialog->matchCase();
    const bool wholeWord = m_replaceDialog->wholeWord();
    QTextDocument& document = *m_editor.document();
    const QString raw = document.toRawText();

    // Replacing one occurrence and searching on behind the inserted text meets the same
    // occurrences as the downward search of the unchanged text, so they are all found first and
    // the new text is put in as one edit: linear time, and one undo step.
    std::vector<int> starts =
        EditorSearch::occurrenceStarts(findText, EditorSearch::searchText(raw), matchCase, wholeWord);
    const int count = int(starts.size());
    if (count == 0)
        m_ctx.desktop.messageBox(BoxKind::Error, kReplaceNotFound, BoxButtons::Ok, m_replaceDialog);
    storeReplaceDialog();
    if (count == 0)
        return;

    {
        const BusyCursor busy(m_ctx.desktop);
        const int first = starts.front();
        const int end = starts.back() + int(findText.size());
        for (int& start : starts)
            start -= first;
        const QString span = EditorSearch::replaceAt(QStringView(raw).mid(first, end - first), starts,
                                                     int(findText.size()), m_replaceDialog->replaceText());
        QTextCursor cursor(&document);
        cursor.beginEditBlock();
        cursor.setPosition(first);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.insertText(span);
        cursor.endEditBlock();
        m_editor.setTextCursor(cursor);
    }
    m_ctx.desktop.messageBox(BoxKind::Information, kReplacementsMade.arg(count), BoxButtons::Ok,
                             m_replaceDialog);
}
