#include "connection/LoginFailure.h"

#include "connection/EngineError.h"

#include <QStringList>

QString LoginFailureReason(const std::exception& failure, const QString& password)
{
    QStringList lines;
    if (const auto* engine = dynamic_cast<const EngineError*>(&failure)) {
        for (const EngineError::Entry& entry : engine->entries())
            lines.append(entry.message.trimmed());
    } else {
        lines.append(QString::fromUtf8(failure.what()).trimmed());
    }
    lines.removeAll(QString());
    QString reason = lines.join(u'\n');
    // An engine may quote the connection request it was given, password and all.
    if (!password.isEmpty())
        reason.replace(password, QString(password.size(), u'*'));
    return reason;
}

QString LoginFailureText(const QString& text, const QString& reason)
{
    return reason.isEmpty() ? text : text + QStringLiteral("\n\n") + reason;
}
