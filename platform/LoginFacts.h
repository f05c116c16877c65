#pragma once

#include <QString>

/// Process-wide values set by a successful login and read by other windows.
struct LoginFacts
{
    QString ProgramFolder; ///< the program file's folder, ending in "/"
    QString CurrentUserName;
    QString CurrentDataSource;
    /// Until the login dialog reads it: the schema's read default (the layer below the settings
    /// cannot name it; a test holds the two equal).
    int LoginRetryLimit = 3;
    int LoginAttempt = 1;
};
