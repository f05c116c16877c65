#pragma once

/// While it lives, the calling thread obeys file permission bits even when the tests run as root:
/// the capabilities that override them are dropped from the thread's effective set (they stay
/// permitted and come back at destruction). For an ordinary user it changes nothing. So a file
/// made read-only really is read-only to the code under test, in this process.
class FilePermissionsEnforced final
{
public:
    FilePermissionsEnforced();
    ~FilePermissionsEnforced();
    FilePermissionsEnforced(const FilePermissionsEnforced&) = delete;
    FilePermissionsEnforced& operator=(const FilePermissionsEnforced&) = delete;

    /// False when the capabilities could not be dropped (the permission bits may not hold).
    bool active() const { return m_active; }

private:
    bool m_dropped = false;
    bool m_active = false;
};
