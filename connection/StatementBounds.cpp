#include "connection/StatementBounds.h"

#include "connection/SqlLexer.h"

#include <QList>

namespace {

/// One statement of the text: its significant characters and how far a cursor behind it still
/// belongs to it (past its ";" when it has one).
struct Piece
{
    qsizetype start = 0; ///< just after the separator before it: its leading blanks and comments begin here
    qsizetype begin = -1;
    qsizetype end = -1;
    qsizetype reach = -1;
};

bool isBlankLine(QStringView space)
{
    return space.count(u'\n') >= 2;
}

QList<Piece> splitStatements(QStringView text, SqlDialect dialect)
{
    QList<Piece> pieces;
    Piece current;
    int depth = 0;
    auto close = [&pieces, &current](qsizetype reach, qsizetype nextStart) {
        if (current.begin >= 0) {
            current.reach = reach < 0 ? current.end : reach;
            pieces.append(current);
        }
        current = Piece{};
        current.start = nextStart;
    };
    ForEachSqlToken(
        text,
        [&](const SqlToken& token) {
            if (token.kind == SqlTokenKind::Space) {
                if (depth == 0 && isBlankLine(text.mid(token.begin, token.length)))
                    close(-1, token.begin + token.length);
                return;
            }
            if (token.kind == SqlTokenKind::Comment)
                return;
            const QStringView word = text.mid(token.begin, token.length);
            if (token.kind == SqlTokenKind::Symbol) {
                if (word == u"(") {
                    ++depth;
                } else if (word == u")") {
                    depth = std::max(0, depth - 1);
                } else if (word == u";" && depth == 0) {
                    close(token.begin + token.length, token.begin + token.length);
                    return;
                }
            }
            if (current.begin < 0)
                current.begin = token.begin;
            current.end = token.begin + token.length;
        },
        dialect);
    close(-1, text.size());
    return pieces;
}

/// Whether the line the cursor stands on holds nothing but blanks.
bool onBlankLine(QStringView text, qsizetype cursor)
{
    qsizetype from = cursor;
    while (from > 0 && text[from - 1] != u'\n')
        --from;
    for (qsizetype i = from; i < text.size() && text[i] != u'\n'; ++i) {
        if (!text[i].isSpace())
            return false;
    }
    return true;
}

} // namespace

StatementBounds StatementAt(QStringView text, qsizetype cursor, SqlDialect dialect)
{
    const QList<Piece> pieces = splitStatements(text, dialect);
    for (const Piece& piece : pieces) {
        if (piece.begin <= cursor && cursor < piece.reach)
            return {piece.begin, piece.end};
    }
    for (const Piece& piece : pieces) {
        if (cursor == piece.reach)
            return {piece.begin, piece.end};
    }
    // A comment line just above a statement belongs to it.
    if (!onBlankLine(text, cursor)) {
        for (const Piece& piece : pieces) {
            if (piece.start <= cursor && cursor < piece.begin)
                return {piece.begin, piece.end};
        }
    }
    const Piece* before = nullptr;
    for (const Piece& piece : pieces) {
        if (piece.reach <= cursor)
            before = &piece;
    }
    if (before)
        return {before->begin, before->end};
    for (const Piece& piece : pieces) {
        if (piece.begin >= cursor)
            return {piece.begin, piece.end};
    }
    return {};
}
