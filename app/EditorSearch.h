#pragma once

#include <QString>
#include <QStringView>

#include <vector>

class QTextDocument;

/// How the editor's find and replace commands match a find text.
struct SearchOptions
{
    bool matchCase = false;
    bool wholeWord = false;
    bool down = true; ///< false searches from the bottom of the text upward
};

/// The occurrence search of the editor's find and replace commands.
///
/// Occurrences are counted from the top (or, searching up, from the bottom) of the whole text,
/// never from the caret, and never overlap: the search for the next one resumes behind the last.
/// Without match case only the letters a to z are upper-cased. A whole word is bounded by the
/// space character or the end of the searched part; tabs, line breaks and punctuation are not
/// word bounds. An empty find text never occurs. Every function here runs in time linear in the
/// lengths of the text and the find text.
namespace EditorSearch {

/// The 1-based position, in text, of the n-th occurrence of findText, or 0 when there are fewer
/// than n occurrences (or n < 1). Searching up, occurrence 1 is the one nearest the end and the
/// position is still that of its first character counted from the start of text.
int findOccurrence(QStringView findText, QStringView text, int n, const SearchOptions& options);

/// The number of occurrences counted downward: the largest n for which findOccurrence finds one.
int countOccurrences(QStringView findText, QStringView text, bool matchCase, bool wholeWord);

/// The 0-based starts of the first `limit` occurrences counted downward (all when limit < 0).
std::vector<int> occurrenceStarts(QStringView findText, QStringView text, bool matchCase, bool wholeWord,
                                  int limit = -1);

/// text with the given occurrences of a find text of length findLength replaced by replacement,
/// built in one pass. starts must be ascending and non-overlapping.
QString replaceAt(QStringView text, const std::vector<int>& starts, int findLength, QStringView replacement);

/// Whether a and b are the same text under the search's case rule (a to z only, without match case).
bool sameText(QStringView a, QStringView b, bool matchCase);

/// The text a search sees for a document: one character per cursor position, so a position found
/// in it is the cursor position in the document. Block breaks (and the line separator that
/// Shift+Enter inserts) read as "\n"; every other character, a no-break space included, is kept.
QString searchText(const QTextDocument& document);

/// The same mapping for a text taken from the document (a selection, the raw text).
QString searchText(QString documentText);

} // namespace EditorSearch
