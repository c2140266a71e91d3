#pragma once
// Finding and replacing the find text in a file's text. Pure functions, no I/O; positions and
// lengths are UTF-16 code units.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace morvane {

// The match test. Empty text or empty find text: false. Match case: p_strOldText occurs exactly.
// Otherwise the text with a-z folded to A-Z (nothing else) contains p_strOldText, which the
// caller has already upper-cased the same way. The text is not copied.
bool ContainsFindText(std::u16string_view p_strText, std::u16string_view p_strOldText,
                      bool p_IsMatchCase);

// The match test on the line model's text of a file's text (lines joined by CR LF), without
// building that text: a find text that holds CR LF matches across LF, CR or CR LF breaks.
bool ModelTextContains(std::u16string_view p_strText, std::u16string_view p_strOldText,
                       bool p_IsMatchCase);

// The replacement in a file's text. Occurrences of p_strOldText are found in the line model's text
// of p_strText, left to right without overlap: with match case exactly, otherwise on copies of
// both folded with FullUpperCase (so any letter's case is ignored here, not only ASCII). They are
// taken back to p_strText (TLineModelMap: a break of the file goes only
// with an occurrence that holds all of it). Everything outside them is handed on as it stands in
// the file, breaks included; p_strNewText goes in their place with its breaks written in the
// file's style (LineBreakStyle). p_doPiece receives the new text in order, piece by piece (a
// piece may be long: a stretch between two occurrences). Returns the number of occurrences.
std::size_t ReplaceInFileText(std::u16string_view p_strText, std::u16string_view p_strOldText,
                              std::u16string_view p_strNewText, bool p_IsMatchCase,
                              const std::function<void(std::u16string_view)>& p_doPiece);
std::u16string ReplaceInFileText(std::u16string_view p_strText, std::u16string_view p_strOldText,
                                 std::u16string_view p_strNewText, bool p_IsMatchCase);

// How many occurrences ReplaceInFileText replaces, without building anything.
std::size_t CountFileTextOccurrences(std::u16string_view p_strText,
                                     std::u16string_view p_strOldText, bool p_IsMatchCase);

// Each code unit to its simple upper-case form as FullUpperCase maps it (a table, built once).
char16_t FullUpperUnit(char16_t p_intUnit);

} // namespace morvane
