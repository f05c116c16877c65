#include "connection/FieldValue.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>

#include <charconv>

namespace {

int declaredSize(QStringView declared, int* scale)
{
    static const QRegularExpression size(QStringLiteral("\\(\\s*(\\d+)\\s*(?:,\\s*(\\d+)\\s*)?\\)"));
    const QRegularExpressionMatch m = size.match(declared);
    if (!m.hasMatch())
        return 0;
    if (scale)
        *scale = m.captured(2).toInt();
    return m.captured(1).toInt();
}

QString timeText(const QTime& time)
{
    return time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

} // namespace

int FieldValue::DefaultWidth(FieldType type)
{
    switch (type) {
    case FieldType::Integer:
        return 10;
    case FieldType::Real:
        return 15;
    case FieldType::Money:
        return 12;
    case FieldType::Date:
        return 10;
    case FieldType::DateTime:
        return 19;
    case FieldType::Time:
        return 8;
    case FieldType::Boolean:
        return 5;
    case FieldType::Blob:
        // A whole preview of a long value, its byte count included.
        return 2 + 2 * kBinaryPreviewBytes + 14;
    case FieldType::Text:
    case FieldType::Other:
        break;
    }
    return 20;
}

FieldType FieldValue::FromDeclaredType(QStringView declared, int* displayWidth)
{
    const QString d = declared.toString().toUpper();
    int scale = 0;
    const int size = declaredSize(d, &scale);
    auto has = [&d](const char* part) { return d.contains(QLatin1String(part)); };
    FieldType type = FieldType::Text;
    int width = 0;
    if (d.trimmed().isEmpty()) {
        type = FieldType::Other;
    } else if (has("BOOL")) {
        type = FieldType::Boolean;
    } else if (has("INT")) {
        type = FieldType::Integer;
    } else if (has("DATETIME") || has("TIMESTAMP")) {
        type = FieldType::DateTime;
    } else if (has("DATE")) {
        type = FieldType::Date;
    } else if (has("TIME")) {
        type = FieldType::Time;
    } else if (has("MONEY") || has("CURRENCY")) {
        type = FieldType::Money;
    } else if (has("CHAR") || has("CLOB") || has("TEXT") || has("STRING")) {
        type = FieldType::Text;
        width = size;
    } else if (has("BLOB") || has("BINARY")) {
        type = FieldType::Blob;
    } else if (has("REAL") || has("FLOA") || has("DOUB")) {
        type = FieldType::Real;
    } else if (has("NUMERIC") || has("DECIMAL") || has("NUMBER")) {
        type = FieldType::Real;
        // Digits, sign and decimal point.
        width = size ? size + (scale ? 2 : 1) : 0;
    }
    if (displayWidth)
        *displayWidth = std::min(width > 0 ? width : DefaultWidth(type), kMaxDisplayWidth);
    return type;
}

QVariant FieldValue::Typed(FieldType type, std::string_view text)
{
    const QByteArray bytes = QByteArray::fromRawData(text.data(), qsizetype(text.size()));
    const QString string = QString::fromUtf8(text.data(), qsizetype(text.size()));
    switch (type) {
    case FieldType::Integer: {
        qlonglong v = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec == std::errc() && end == text.data() + text.size())
            return v;
        bool ok = false;
        const double d = bytes.toDouble(&ok);
        return ok ? QVariant(d) : QVariant(string);
    }
    case FieldType::Real:
    case FieldType::Money: {
        bool ok = false;
        const double d = bytes.toDouble(&ok);
        return ok ? QVariant(d) : QVariant(string);
    }
    case FieldType::Date: {
        const QDate date = QDate::fromString(string, Qt::ISODate);
        return date.isValid() ? QVariant(date) : QVariant(string);
    }
    case FieldType::DateTime: {
        QString iso = string;
        if (iso.size() > 10 && iso[10] == QLatin1Char(' '))
            iso[10] = QLatin1Char('T');
        const QDateTime dt = QDateTime::fromString(iso, Qt::ISODateWithMs);
        return dt.isValid() ? QVariant(dt) : QVariant(string);
    }
    case FieldType::Time: {
        const QTime time = QTime::fromString(string, Qt::ISODateWithMs);
        return time.isValid() ? QVariant(time) : QVariant(string);
    }
    case FieldType::Boolean: {
        const QString lower = string.trimmed().toLower();
        if (lower == u"1" || lower == u"t" || lower == u"true" || lower == u"y" || lower == u"yes")
            return true;
        if (lower == u"0" || lower == u"f" || lower == u"false" || lower == u"n" || lower == u"no")
            return false;
        return string;
    }
    case FieldType::Blob:
        return QByteArray(text.data(), qsizetype(text.size()));
    case FieldType::Text:
    case FieldType::Other:
        break;
    }
    return string;
}

QByteArray FieldValue::Text(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return value.toString().toUtf8();
    case QMetaType::QByteArray:
        return value.toByteArray();
    case QMetaType::Bool:
        return value.toBool() ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
    case QMetaType::Double:
    case QMetaType::Float:
        return QByteArray::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return QByteArray::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return QByteArray::number(value.toULongLong());
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate).toUtf8();
    case QMetaType::QTime:
        return timeText(value.toTime()).toUtf8();
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return (dt.date().toString(Qt::ISODate) + QLatin1Char(' ') + timeText(dt.time())).toUtf8();
    }
    default:
        break;
    }
    return value.toString().toUtf8();
}

QByteArray FieldValue::BinaryText(std::string_view bytes)
{
    return QByteArrayLiteral("\\x") + QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())).toHex();
}

QString FieldValue::BinaryPreview(std::string_view bytes)
{
    if (bytes.size() <= std::size_t(kBinaryPreviewBytes))
        return QString::fromLatin1(BinaryText(bytes));
    return QString::fromLatin1(BinaryText(bytes.substr(0, kBinaryPreviewBytes))) +
           QStringLiteral("\u2026 (%1 bytes)").arg(bytes.size());
}
