#pragma once

#include "app/RecoveryCopy.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class Desktop;
class QPlainTextEdit;

/// Keeps the main window's editor text in this copy's own recovery file (RecoveryCopy), so that
/// SQL typed and never saved comes back at the next start.
///
/// Nothing is written before restore(): until the first login the editor is empty and the files
/// still hold the last runs' texts. restore() claims the texts left by copies that no longer run;
/// the newest goes into the editor, if the editor is still empty, and its file becomes this
/// copy's own; one box says how many more are kept and where. From then on every change is
/// written a quiet interval after the last one, and at the latest a bounded time after the first
/// unwritten change, so that steady typing is kept too. Whatever is unwritten is written when this
/// object goes, at the end of the run.
///
/// The restored text is no saved file: the editor counts it as modified.
class EditorRecovery final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kQuietMs = 2'000;
    static constexpr int kLatestMs = 5'000;

    /// folder holds every copy's file; legacyPath is the one file that earlier versions kept.
    EditorRecovery(QPlainTextEdit& editor, Desktop& desktop, QString folder, QString legacyPath,
                   QObject* parent = nullptr);
    /// Writes what is unwritten, without a box: the program is ending.
    ~EditorRecovery() override;

    /// Once, after the first login: restores the newest text left over and starts keeping the
    /// editor's. Throws RecoveryFileError when a kept text cannot be read; the editor is kept anyway.
    void restore();
    /// Writes now if a change is unwritten.
    void writeNow();
    /// A change waits to be written.
    bool pending() const { return m_pending; }
    /// This copy's own file; empty until it has one.
    QString path() const { return m_copy.ownPath(); }
    QString folder() const { return m_copy.folder(); }

private:
    void edited();
    void write(bool showFailure);
    /// Puts back the newest readable text of paths; the number of those not put back.
    qsizetype putBack(const QStringList& newestFirst, QString& failure);
    void tellKept(qsizetype count, bool putBack);

    QPlainTextEdit& m_editor;
    Desktop& m_desktop;
    RecoveryCopy m_copy;
    QTimer m_timer;
    QElapsedTimer m_sinceFirstChange;
    bool m_keeping = false;
    bool m_pending = false;
    bool m_failureShown = false;
};
