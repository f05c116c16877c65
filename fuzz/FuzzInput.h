#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

/// Reads a fuzzer's bytes as a few small numbers followed by texts separated by NUL bytes.
class FuzzInput final
{
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    /// The next byte, 0 once the input is used up.
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    /// The text up to the next NUL byte (or the end), as UTF-8.
    QString text()
    {
        const size_t from = m_pos;
        while (m_pos < m_size && m_data[m_pos] != 0)
            ++m_pos;
        const QString result =
            QString::fromUtf8(reinterpret_cast<const char*>(m_data + from), qsizetype(m_pos - from));
        if (m_pos < m_size)
            ++m_pos;
        return result;
    }

    /// Everything not yet read, as UTF-16 code units taken two bytes at a time (so lone
    /// surrogates and NUL characters reach the code under test too) when utf16 is set, else as UTF-8.
    QString rest(bool utf16)
    {
        const uint8_t* from = m_data + m_pos;
        const size_t n = m_size - m_pos;
        m_pos = m_size;
        if (!utf16)
            return QString::fromUtf8(reinterpret_cast<const char*>(from), qsizetype(n));
        QString out(qsizetype(n / 2), Qt::Uninitialized);
        for (size_t i = 0; i + 1 < n; i += 2)
            out[qsizetype(i / 2)] = QChar(char16_t(from[i] | (from[i + 1] << 8)));
        return out;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

/// The text with every character outside printable ASCII as \uXXXX, for reports.
inline QString Escaped(const QString& text)
{
    QString out;
    for (QChar c : text) {
        if (c.unicode() >= 32 && c.unicode() < 127 && c != u'\\')
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QLatin1Char('0'));
    }
    return out;
}

/// Stops the run with a message: libFuzzer records the input as a crash.
[[noreturn]] inline void FuzzFailure(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "property broken: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                                        \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            FuzzFailure(#condition, detail);                                                                 \
    } while (false)
