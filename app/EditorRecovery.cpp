#include "app/EditorRecovery.h"

#include "app/EditorDocument.h"
#include "app/RecoveryFile.h"
#include "platform/Desktop.h"

#include <QDir>
#include <QPlainTextEdit>

#include <algorithm>

namespace {

const QString kMoreKept = QStringLiteral("%1 more texts kept by earlier runs are in the folder %2.");
const QString kOneMoreKept = QStringLiteral("One more text kept by an earlier run is in the folder %1.");
const QString kKept = QStringLiteral("%1 texts kept by earlier runs are in the folder %2.");
const QString kOneKept = QStringLiteral("One text kept by an earlier run is in the folder %1.");
const QString kOpenThem = QStringLiteral(" Load SQL opens them.");

} // namespace

EditorRecovery::EditorRecovery(QPlainTextEdit& editor, Desktop& desktop, QString folder, QString legacyPath,
                               QObject* parent)
    : QObject(parent), m_editor(editor), m_desktop(desktop), m_copy(std::move(folder), std::move(legacyPath))
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
    const bool empty = m_editor.document()->isEmpty();
    RecoveryCopy::LeftOver left = m_copy.claimLeftOver();
    qsizetype notPutBack = left.newestFirst.size();
    // Never over text the editor already holds.
    if (empty && !left.newestFirst.isEmpty())
        notPutBack = putBack(left.newestFirst, left.failure);
    // The rest stay where they are, for this start's box and any later start.
    m_copy.releaseClaims();
    // This run's text is worth keeping even when the last runs' cannot be read.
    m_keeping = true;
    // Text that was there first is this run's text, and is kept beside the last runs'.
    if (!empty)
        edited();
    // Told over the window once it is up, not in the middle of its showing.
    const bool restored = notPutBack < left.newestFirst.size();
    QTimer::singleShot(0, this, [this, notPutBack, restored] { tellKept(notPutBack, restored); });
    if (!left.failure.isEmpty())
        throw RecoveryFileError(left.failure);
}

qsizetype EditorRecovery::putBack(const QStringList& newestFirst, QString& failure)
{
    for (const QString& path : newestFirst) {
        std::optional<QString> kept;
        try {
            kept = RecoveryFile::Read(path);
        } catch (const RecoveryFileError& error) {
            if (failure.isEmpty())
                failure = QString::fromUtf8(error.what());
            continue;
        }
        if (!kept)
            continue;
        {
            // Megabytes of text take the editor a while to lay out.
            const BusyCursor busy(m_desktop);
            EditorDocument::SetText(m_editor, *kept);
            m_editor.moveCursor(QTextCursor::End);
            m_editor.document()->setModified(true);
        }
        // Kept on in this run, so that a restart after this one does not find it twice.
        m_copy.adopt(path);
        return newestFirst.size() - 1;
    }
    return newestFirst.size();
}

void EditorRecovery::tellKept(qsizetype count, bool putBack)
{
    if (count == 0)
        return;
    const QString folder = QDir::toNativeSeparators(m_copy.folder());
    QString text;
    if (putBack)
        text = count == 1 ? kOneMoreKept.arg(folder) : kMoreKept.arg(QString::number(count), folder);
    else
        text = count == 1 ? kOneKept.arg(folder) : kKept.arg(QString::number(count), folder);
    m_desktop.messageBox(BoxKind::Information, text + kOpenThem, BoxButtons::Ok, m_editor.window());
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
        m_copy.write(EditorDocument::Text(m_editor));
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
