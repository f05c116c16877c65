#include "app/EditorRecovery.h"

#include "app/EditorDocument.h"
#include "app/RecoveryFile.h"
#include "platform/Desktop.h"

#include <QPlainTextEdit>

#include <algorithm>

EditorRecovery::EditorRecovery(QPlainTextEdit& editor, Desktop& desktop, QString path, QObject* parent)
    : QObject(parent), m_editor(editor), m_desktop(desktop), m_path(std::move(path))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { write(true); });
    connect(&m_editor, &QPlainTextEdit::textChanged, this, &EditorRecovery::edited);
}

EditorRecovery::~EditorRecovery()
{
    try {
        write(false);
    } catch (...) {
        // Nothing can be told any more; the text written last stays.
    }
}

void EditorRecovery::restore()
{
    if (m_keeping)
        return;
    std::optional<QString> kept;
    try {
        kept = RecoveryFile::Read(m_path);
    } catch (const RecoveryFileError&) {
        // This run's text is worth keeping even when the last run's cannot be read.
        m_keeping = true;
        throw;
    }
    const bool empty = m_editor.document()->isEmpty();
    // Never over text the editor already holds.
    if (kept && empty) {
        // Megabytes of text take the editor a while to lay out.
        const BusyCursor busy(m_desktop);
        EditorDocument::SetText(m_editor, *kept);
        m_editor.moveCursor(QTextCursor::End);
        m_editor.document()->setModified(true);
    }
    m_keeping = true;
    // Text that was there first is this run's text, and is kept in place of the last run's.
    if (!empty)
        edited();
}

void EditorRecovery::writeNow()
{
    write(true);
}

void EditorRecovery::edited()
{
    if (!m_keeping)
        return;
    if (!m_pending) {
        m_pending = true;
        m_sinceFirstChange.start();
    }
    const qint64 left = kLatestMs - m_sinceFirstChange.elapsed();
    m_timer.start(int(std::clamp<qint64>(left, 0, kQuietMs)));
}

void EditorRecovery::write(bool showFailure)
{
    if (!m_pending)
        return;
    m_timer.stop();
    m_pending = false;
    try {
        RecoveryFile::Write(m_path, EditorDocument::Text(m_editor));
        m_failureShown = false;
    } catch (const RecoveryFileError& failure) {
        // Said once: a box every few seconds would stop the user from working. The next change
        // tries again.
        if (!showFailure)
            throw;
        if (!m_failureShown) {
            m_failureShown = true;
            m_desktop.messageBox(BoxKind::Error, QString::fromUtf8(failure.what()), BoxButtons::Ok,
                                 m_editor.window());
        }
    }
}
