#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <utility>

class QDateTime;
class QLockFile;

/// This running copy's recovery file, and the files left by copies that no longer run.
///
/// Every copy keeps its editor's text in a file of its own in one folder, each file held by a
/// lock (a QLockFile beside it) for as long as its copy runs. A file whose lock is stale (its
/// copy was killed) or gone (its copy ended) is left over: a starting copy may claim it, which
/// locks it in turn, so two copies never take the same file. No file locked by a running copy is
/// ever read, written or removed by another.
///
/// Nothing here shows anything; failures throw RecoveryFileError naming the file.
class RecoveryCopy final
{
public:
    /// folder holds one file per copy; legacyPath is the single file all copies shared before.
    RecoveryCopy(QString folder, QString legacyPath);
    /// Releases every lock; this copy's file stays for the next start.
    ~RecoveryCopy();
    RecoveryCopy(const RecoveryCopy&) = delete;
    RecoveryCopy& operator=(const RecoveryCopy&) = delete;

    struct LeftOver
    {
        QStringList newestFirst;
        /// The first failure met on the way; the files that could be claimed are claimed anyway.
        QString failure;
    };
    /// Claims every file left over. A legacy file is moved into the folder first; empty files are
    /// removed. Each claimed file stays locked by this copy until adopt() or releaseClaims().
    LeftOver claimLeftOver();
    /// A claimed file becomes this copy's own: later writes replace it.
    void adopt(const QString& path);
    /// Unlocks the claimed files not adopted, for a later start to claim again.
    void releaseClaims();

    /// Keeps text in this copy's own file, which the first text creates (locked, under a name no
    /// other copy uses). An empty text removes the file; the name stays this copy's.
    void write(const QString& text);

    QString folder() const { return m_folder; }
    /// Empty until this copy has a file.
    QString ownPath() const { return m_ownPath; }

private:
    /// A lock on path, held by this object; nullptr when another running copy holds it.
    static std::unique_ptr<QLockFile> lock(const QString& path);
    /// Moves the legacy file into the folder as a claimed file; empty if there is none to take.
    QString claimLegacy();
    /// A name in the folder that no file or lock uses, for a text of that time, locked.
    std::pair<QString, std::unique_ptr<QLockFile>> newLockedPath(const QDateTime& when) const;

    QString m_folder;
    QString m_legacyPath;
    QString m_ownPath;
    std::unique_ptr<QLockFile> m_ownLock;
    std::map<QString, std::unique_ptr<QLockFile>> m_claims;
};
