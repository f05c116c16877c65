#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class Desktop;
class QPlainTextEdit;

/// Keeps the main window's editor text in the recovery file (RecoveryFile), so that SQL typed and
/// never saved comes back at the next start.
///
/// Nothing is written before restore(): until the first login the editor is empty and the file
/// still holds the last run's text. restore() puts that text into the editor, if the editor is
/// still empty, and from then on every change is written a quiet interval after the last one,
/// and at the latest a bounded time after the first unwritten change, so that steady typing is
/// kept too. Whatever is unwritten is written when this object goes, at the end of the run.
///
/// The restored text is no saved file: the editor counts it as modified.
class EditorRecovery final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kQuietMs = 2'000;
    static constexpr int kLatestMs = 5'000;

    EditorRecovery(QPlainTextEdit& editor, Desktop& desktop, QString path, QObject* parent = nullptr);
    /// Writes what is unwritten, without a box: the program is ending.
    ~EditorRecovery() override;

    /// Once, after the first login: restores the kept text and starts keeping the editor's.
    /// Throws RecoveryFileError when the kept text cannot be read; the editor is kept anyway.
    void restore();
    /// Writes now if a change is unwritten.
    void writeNow();
    /// A change waits to be written.
    bool pending() const { return m_pending; }
    QString path() const { return m_path; }

private:
    void edited();
    void write(bool showFailure);

    QPlainTextEdit& m_editor;
    Desktop& m_desktop;
    QString m_path;
    QTimer m_timer;
    QElapsedTimer m_sinceFirstChange;
    bool m_keeping = false;
    bool m_pending = false;
    bool m_failureShown = false;
};
