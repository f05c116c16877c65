#include "connection/OdbcDiagnostics.h"

#include <sql.h>
#include <sqlext.h>

void OdbcDiagnostics::Append(short handleType, void* handle, QList<EngineError::Entry>& entries)
{
    if (!handle)
        return;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(handleType, handle, record, state, &native, nullptr, 0, &length)))
            break;
        QByteArray message(qsizetype(length) + 1, '\0');
        if (!SQL_SUCCEEDED(SQLGetDiagRec(handleType, handle, record, state, &native,
                                         reinterpret_cast<SQLCHAR*>(message.data()),
                                         SQLSMALLINT(message.size()), &length)))
            break;
        message.truncate(qMin<qsizetype>(length, message.size() - 1));
        entries.append({QString::fromLatin1(reinterpret_cast<const char*>(state)), int(native),
                        QString::fromUtf8(message).trimmed()});
    }
}

bool OdbcDiagnostics::IsLostConnection(const QString& state)
{
    return state.startsWith(QStringLiteral("08")) || state == QStringLiteral("57P01") ||
           state == QStringLiteral("57P02");
}

EngineError OdbcDiagnostics::Cancelled()
{
    return EngineError(QStringLiteral("HY008"), 0, QStringLiteral("Operation canceled"));
}
