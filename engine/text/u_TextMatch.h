#pragma once
// Finding and replacing the find text in a file's text. Pure functions, no I/O; positions and
// lengths are UTF-16 code units.

#include <string>
#include <string_view>

namespace morvane {

// The match test. Empty text or empty find text: false. Match case: p_strOldText occurs exactly.
// Otherwise the text with a-z folded to A-Z (nothing else) contains p_strOldText, which the
// caller has already upper-cased the same way. The text is not copied.
bool ContainsFindText(std::u16string_view p_strText, std::u16string_view p_strOldText,
                      bool p_IsMatchCase);

// Every occurrence of p_strOldText replaced by p_strNewText, taken left to right without overlap.
// Match case: exact occurrences. Otherwise occurrences are found on FullUpperCase copies of both
// (so any letter's case is ignored here, not only ASCII), and the stretches of the original text
// at those positions are replaced; the rest keeps its case. An empty find text changes nothing.
std::u16string ReplaceAllOccurrences(std::u16string_view p_strText,
                                     std::u16string_view p_strOldText,
                                     std::u16string_view p_strNewText, bool p_IsMatchCase);

} // namespace morvane
