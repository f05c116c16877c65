#include "query/SqlNormalizer.h"

#include <QtGlobal>

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr char16_t kBlank = u' ';
/// The block copy may write this far past the output it keeps.
constexpr qsizetype kSlack = 16;

bool isTrimmable(char16_t c)
{
    return c <= 32;
}
bool isQuote(char16_t c)
{
    return c == u'\'' || c == u'"';
}
bool isOperatorLead(char16_t c)
{
    return c == u'<' || c == u'>' || c == u'!';
}
char16_t upperLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

qsizetype countEquals(const char16_t* src, qsizetype n)
{
    qsizetype count = 0;
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i equal = _mm_set1_epi16(short(u'='));
    while (i + 8 <= n) {
        // 16-bit lane counters: flushed before they can overflow.
        __m128i lanes = _mm_setzero_si128();
        const qsizetype stop = std::min(n - 7, i + 8 * 0x7FFF);
        for (; i < stop; i += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
            lanes = _mm_sub_epi16(lanes, _mm_cmpeq_epi16(v, equal));
        }
        alignas(16) quint16 parts[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(parts), lanes);
        for (quint16 p : parts)
            count += p;
    }
#endif
    for (; i < n; ++i)
        count += src[i] == u'=';
    return count;
}

/// The state of one normalisation; see NormalizeSqlText.
class SqlNormalizer final
{
public:
    explicit SqlNormalizer(QStringView text);
    QString run();

    /// Copies ordinary text block by block up to the next character where a rule acts.
    void copyOrdinary();
    void handleOne();
    void handleBlank();
    void handleParen();
    void handleEquals();
    void handleQuote();
    /// Skips the blank at the cursor, if any, and the codes 0 to 32 after it.
    void skipSeparator();
    qsizetype pieceStart() const { return std::max(m_boundary, m_lastBlank + 1); }
    /// The piece under the cursor starts with a "(" glued on from the word before.
    bool hasParenPrefix() const { return m_parenPrefix && m_lastBlank < m_boundary; }
    void setBoundary(qsizetype at, bool parenPrefix = false)
    {
        m_boundary = at;
        m_parenPrefix = parenPrefix;
    }

    const char16_t* m_src;
    qsizetype m_end;
    qsizetype m_in = 0;
    QString m_out;
    char16_t* m_dst = nullptr;
    qsizetype m_o = 0;
    /// No piece starts before this output position.
    qsizetype m_boundary = 0;
    /// The output position of the last blank copied by the block copy, -1 before any.
    qsizetype m_lastBlank = -1;
    /// The "(" at m_boundary was glued on from the word before and has no counterpart in the
    /// input at the same place.
    bool m_parenPrefix = false;
};

} // namespace

QString NormalizeSqlText(QStringView text)
{
    // A text starting with a blank has an empty first word, where the join stops: nothing.
    if (text.isEmpty() || text.front() == kBlank)
        return {};
    return SqlNormalizer(text).run();
}

SqlNormalizer::SqlNormalizer(QStringView text)
    : m_src(reinterpret_cast<const char16_t*>(text.utf16())), m_end(text.size())
{
    // The text after the first blank is trimmed at its end once; with no blank the whole text is
    // one word, control characters included.
    const qsizetype firstBlank = text.indexOf(QChar(kBlank));
    if (firstBlank >= 0) {
        while (m_end > firstBlank + 1 && isTrimmable(m_src[m_end - 1]))
            --m_end;
    }
    // Each "=" can add a blank on both sides, and the last word gains its blank.
    m_out.resize(m_end + 2 * countEquals(m_src, m_end) + 1 + kSlack);
    m_dst = reinterpret_cast<char16_t*>(m_out.data());
}

QString SqlNormalizer::run()
{
    while (m_in < m_end) {
        copyOrdinary();
        if (m_in < m_end)
            handleOne();
    }
    // The last piece gains its blank unless it already ends with one (an operator, a lone "(").
    if (m_o == 0 || m_dst[m_o - 1] != kBlank)
        m_dst[m_o++] = kBlank;
    m_out.truncate(m_o);
    return std::move(m_out);
}

void SqlNormalizer::copyOrdinary()
{
#if defined(__SSE2__)
    const __m128i sign = _mm_set1_epi16(short(0x8000));
    const __m128i upTo32 = _mm_set1_epi16(short(0x8000 + 33));
    const __m128i below32 = _mm_set1_epi16(short(0x8000 + 32));
    const __m128i blank = _mm_set1_epi16(short(kBlank));
    const __m128i equal = _mm_set1_epi16(short(u'='));
    const __m128i paren = _mm_set1_epi16(short(u'('));
    const __m128i apostrophe = _mm_set1_epi16(short(u'\''));
    const __m128i quote = _mm_set1_epi16(short(u'"'));
    const __m128i beforeA = _mm_set1_epi16(short(u'a' - 1));
    const __m128i afterZ = _mm_set1_epi16(short(u'z' + 1));
    const __m128i caseBit = _mm_set1_epi16(32);
    // Locals: the block stores may alias anything, members would be reloaded after each.
    const char16_t* const src = m_src;
    char16_t* const dst = m_dst;
    const qsizetype end = m_end;
    qsizetype in = m_in;
    qsizetype o = m_o;
    qsizetype lastBlank = m_lastBlank;
    while (in + 9 <= end) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + in));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + in + 1));
        const __m128i lower = _mm_and_si128(_mm_cmpgt_epi16(v, beforeA), _mm_cmplt_epi16(v, afterZ));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + o),
                         _mm_sub_epi16(v, _mm_and_si128(lower, caseBit)));
        const __m128i isBlank = _mm_cmpeq_epi16(v, blank);
        // Unsigned comparisons through the sign flip: control characters, and a blank that is
        // followed by a trimmable character.
        const __m128i control = _mm_cmplt_epi16(_mm_xor_si128(v, sign), below32);
        const __m128i runOfBlanks =
            _mm_and_si128(isBlank, _mm_cmplt_epi16(_mm_xor_si128(next, sign), upTo32));
        __m128i hit = _mm_or_si128(_mm_cmpeq_epi16(v, equal), _mm_cmpeq_epi16(v, paren));
        hit = _mm_or_si128(hit, _mm_or_si128(_mm_cmpeq_epi16(v, apostrophe), _mm_cmpeq_epi16(v, quote)));
        hit = _mm_or_si128(hit, _mm_or_si128(control, runOfBlanks));
        const unsigned mask = unsigned(_mm_movemask_epi8(hit));
        unsigned blanks = unsigned(_mm_movemask_epi8(isBlank));
        // Two mask bits per character; only the blanks before the first hit were copied for good.
        const int stop = mask ? __builtin_ctz(mask) : 16;
        blanks &= (1u << stop) - 1;
        if (blanks)
            lastBlank = o + (31 - __builtin_clz(blanks)) / 2;
        in += stop / 2;
        o += stop / 2;
        if (mask)
            break;
    }
    m_in = in;
    m_o = o;
    m_lastBlank = lastBlank;
#endif
}

void SqlNormalizer::handleOne()
{
    const char16_t c = m_src[m_in];
    if (c == kBlank) {
        handleBlank();
    } else if (c == u'=') {
        handleEquals();
    } else if (c == u'(') {
        handleParen();
    } else if (isQuote(c)) {
        handleQuote();
    } else {
        m_dst[m_o++] = upperLetter(c);
        ++m_in;
    }
}

void SqlNormalizer::skipSeparator()
{
    if (m_in < m_end && m_src[m_in] == kBlank) {
        ++m_in;
        while (m_in < m_end && isTrimmable(m_src[m_in]))
            ++m_in;
    }
}

void SqlNormalizer::handleBlank()
{
    m_dst[m_o++] = kBlank;
    skipSeparator();
    setBoundary(m_o);
}

void SqlNormalizer::handleParen()
{
    const bool alone = pieceStart() == m_o && (m_in + 1 == m_end || m_src[m_in + 1] == kBlank);
    m_dst[m_o++] = u'(';
    ++m_in;
    if (!alone)
        return;
    // A word that is exactly "(" joins the next word; with nothing after it, it stays a word.
    skipSeparator();
    if (m_in >= m_end) {
        m_dst[m_o++] = kBlank;
        return;
    }
    setBoundary(m_o - 1, true);
}

void SqlNormalizer::handleEquals()
{
    const qsizetype before = m_o - pieceStart();
    if (before > 0 && isOperatorLead(m_dst[m_o - 1])) {
        const char16_t lead = m_dst[m_o - 1];
        if (before > 1) {
            m_dst[m_o - 1] = kBlank;
            m_dst[m_o++] = lead;
        }
    } else if (before > 0) {
        m_dst[m_o++] = kBlank;
    }
    m_dst[m_o++] = u'=';
    m_dst[m_o++] = kBlank;
    ++m_in;
    // The rest of the word is the next piece; when it is empty the word's blank is used up.
    skipSeparator();
    setBoundary(m_o);
}

void SqlNormalizer::handleQuote()
{
    // The piece stays as typed: copy it again from the input up to where it ends.
    const qsizetype start = pieceStart() + (hasParenPrefix() ? 1 : 0);
    const qsizetype shift = m_o - m_in;
    qsizetype end = m_in;
    while (end < m_end && m_src[end] != kBlank && m_src[end] != u'=')
        ++end;
    std::copy(m_src + (start - shift), m_src + end, m_dst + start);
    m_o = end + shift;
    m_in = end;
}
