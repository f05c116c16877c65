// Decoding an SQL file's bytes into editor text, and writing it back.
//
// No byte is lost: a valid UTF-8 file whose lines all end in CR LF is given back byte for byte;
// any other file decodes to one character per byte of its text (line ends counted once), and
// saving then loading again gives the same editor text. Line ends are CR LF, LF or a lone CR,
// and the editor text holds no CR.
#include "FuzzInput.h"

#include "app/SqlFile.h"

#include <QSet>
#include <QStringDecoder>

namespace {

/// The bytes with every CR LF, LF and lone CR as one LF, less one final line end.
QByteArray lines(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            out += '\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            out += bytes[i];
        }
    }
    if (out.endsWith('\n'))
        out.chop(1);
    return out;
}

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes); // converts only when assigned
    return !decoder.hasError();
}

/// Every line ends in CR LF and there is no other CR or LF.
bool hasCrLfLinesOnly(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return true;
    if (!bytes.endsWith("\r\n") || bytes == "\r\n")
        return false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))
            return false;
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            return false;
    }
    return true;
}

/// Every byte value decodes to a character of its own, so the fallback loses nothing.
void checkFallbackIsOneToOne()
{
    QSet<char16_t> seen;
    for (int b = 0; b < 256; ++b) {
        if (b == '\r' || b == '\n')
            continue;
        QByteArray bytes("\xff");
        bytes += char(b);
        const QString text = SqlFile::Decode(bytes);
        FUZZ_CHECK(text.size() == 2, QString::number(b));
        seen.insert(text[1].unicode());
        if (b < 0x80)
            FUZZ_CHECK(text[1] == QChar(b), QString::number(b));
    }
    FUZZ_CHECK(seen.size() == 254, QString::number(seen.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool once = (checkFallbackIsOneToOne(), true);
    (void)once;

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = SqlFile::Decode(bytes);
    const QString detail = QString::fromLatin1(bytes.toHex(' '));
    FUZZ_CHECK(!text.contains(u'\r'), detail);

    const QByteArray saved = SqlFile::Encode(text);
    FUZZ_CHECK(isValidUtf8(saved), detail);
    FUZZ_CHECK(hasCrLfLinesOnly(saved) || text.isEmpty(), detail);
    FUZZ_CHECK(SqlFile::Decode(saved) == text, detail);

    if (isValidUtf8(bytes)) {
        // An initial byte order mark stays in the text, so that saving writes it again.
        QStringDecoder utf8(QStringDecoder::Utf8,
                            QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
        const QString expected = utf8.decode(lines(bytes));
        FUZZ_CHECK(text == expected, detail);
        if (hasCrLfLinesOnly(bytes))
            FUZZ_CHECK(saved == bytes, detail);
    } else {
        FUZZ_CHECK(text.size() == lines(bytes).size(), detail);
    }
    return 0;
}
