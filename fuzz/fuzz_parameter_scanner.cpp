// The parameter marker scanner and the placeholder rewrite on any statement text.
//
// Every marker found is a single ":" followed by its name (letters, digits, "_"), never the
// second colon of a "::" cast, in text order without overlap. Rewriting only the markers keeps
// every other character where it was. The rewrite for simpler parsers leaves no comment and no
// dollar-quoted string behind, and the markers of the rewritten text are the placeholders, in
// the same order: the rewrite changes no string or comment boundary.
#include "FuzzInput.h"

#include "connection/ParameterScanner.h"
#include "connection/SqlLexer.h"

#include <algorithm>

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

QString placeholderName(int k)
{
    return QStringLiteral(":p%1").arg(k);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const bool utf16 = input.byte() & 1;
    const QString sql = input.rest(utf16);
    auto both = [&sql](const QString& rewritten) {
        return Escaped(sql) + QStringLiteral("\n") + Escaped(rewritten);
    };

    const QList<ParameterMarker> markers = ParameterScanner::Scan(sql);
    qsizetype end = 0;
    for (const ParameterMarker& marker : markers) {
        FUZZ_CHECK(marker.begin >= end, Escaped(sql));
        FUZZ_CHECK(marker.length >= 2 && marker.begin + marker.length <= sql.size(), Escaped(sql));
        FUZZ_CHECK(sql[marker.begin] == u':', Escaped(sql));
        FUZZ_CHECK(marker.begin == 0 || sql[marker.begin - 1] != u':', Escaped(sql));
        FUZZ_CHECK(marker.name == QStringView(sql).mid(marker.begin + 1, marker.length - 1), Escaped(sql));
        FUZZ_CHECK(std::all_of(marker.name.begin(), marker.name.end(), isNameChar), Escaped(sql));
        FUZZ_CHECK(marker.begin + marker.length == sql.size() ||
                       !isNameChar(sql[marker.begin + marker.length]),
                   Escaped(sql));
        end = marker.begin + marker.length;
    }

    // Markers only: the text between markers is untouched. (It goes to the engine as it is; our
    // own reading of it may differ, as "?2" followed by ".5" reads as one number.)
    QString spliced;
    qsizetype from = 0;
    for (int k = 0; k < markers.size(); ++k) {
        spliced += QStringView(sql).mid(from, markers[k].begin - from);
        spliced += QStringLiteral("?%1").arg(k + 1);
        from = markers[k].begin + markers[k].length;
    }
    spliced += QStringView(sql).mid(from);
    const QString replaced =
        ParameterScanner::Replace(sql, markers, [](int k) { return QStringLiteral("?%1").arg(k + 1); });
    FUZZ_CHECK(replaced == spliced, both(replaced));

    // For simple parsers: same boundaries, so the placeholders are the markers found again.
    const QString simple =
        ParameterScanner::Replace(sql, markers, placeholderName, ParameterScanner::Rewrite::ForSimpleParsers);
    const QString detail = both(simple);
    const QList<ParameterMarker> again = ParameterScanner::Scan(simple);
    FUZZ_CHECK(again.size() == markers.size(), detail);
    for (int k = 0; k < again.size(); ++k)
        FUZZ_CHECK(again[k].name == placeholderName(k).mid(1), detail);
    for (const SqlToken& token : TokenizeSql(simple)) {
        FUZZ_CHECK(token.kind != SqlTokenKind::Comment, detail);
        FUZZ_CHECK(token.kind != SqlTokenKind::String || simple[token.begin] != u'$', detail);
    }
    // Text that needs no rewriting comes through unchanged.
    bool plain = true;
    for (const SqlToken& token : TokenizeSql(sql)) {
        if (token.kind == SqlTokenKind::Comment || token.kind == SqlTokenKind::Parameter ||
            (token.kind == SqlTokenKind::String && sql[token.begin] != u'\''))
            plain = false;
    }
    if (plain)
        FUZZ_CHECK(simple == sql, detail);
    return 0;
}
