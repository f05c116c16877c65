#pragma once

#include <QString>

/// Process-wide values set by a successful login and read by other windows.
struct LoginFacts
{
    QString ProgramFolder; ///< the program file's folder, ending in "/"
    QString CurrentUserName;
    QString CurrentDataSource;
    int LoginRetryLimit = 3;
    int LoginAttempt = 1;
};
