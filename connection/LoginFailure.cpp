#include "connection/LoginFailure.h"

#include "connection/EngineError.h"

#include <QStringList>

QString LoginFailureReason(const std::exception& failure, const QString& password)
{
    QStringList messages;
    if (const auto* engine = dynamic_cast<const EngineError*>(&failure)) {
        for (const EngineError::Entry& entry : engine->entries())
            messages.append(entry.message);
    } else {
        messages.append(QString::fromUtf8(failure.what()));
    }
    // Drivers indent their hint lines with tabs and end with line breaks; a box wants neither.
    QStringList lines;
    for (const QString& message : std::as_const(messages)) {
        for (const QString& line : message.split(u'\n')) {
            if (const QString trimmed = line.trimmed(); !trimmed.isEmpty())
                lines.append(trimmed);
        }
    }
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
