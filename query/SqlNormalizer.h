#pragma once

#include <QString>
#include <QStringView>

/// The full statement normaliser behind NormalizeSQL, in one pass over the text. A text that starts
/// with a blank (an empty first word) gives the empty text.
///
/// The rules work on words (a word runs to the next blank; what follows a blank is trimmed of
/// codes 0 to 32): a word is split at each "=" into the part before the operator ("=", or "<=",
/// ">=", "!=" when the "=" follows "<", ">" or "!"), the operator and the rest, which is taken as
/// the next word; a word that is exactly "(" is glued to the next word; each piece is upper-cased
/// (a to z) unless it holds a quote character, and followed by one blank.
///
/// Ordinary text, where the output is the input upper-cased, is copied eight characters at a time;
/// only the characters where the rules act ("=", "(", quotes, control characters and a blank
/// followed by another blank or control character) are handled one by one. Inside a piece the
/// output mirrors the input, so the piece under the cursor starts after the last blank written
/// or the last place where a rule acted, whichever is later.
QString NormalizeSqlText(QStringView text);
