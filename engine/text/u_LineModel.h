#pragma once
// The line model in which a file's text is searched and written back: a line ends at CR LF, at a
// lone CR or at a lone LF, and the text is the lines each followed by CR LF. Pure, no I/O.

#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// The lines of the text, without their breaks. A break at the very end starts no further line;
// an empty text has no lines; LF followed by CR is two breaks with an empty line between. The
// views point into p_strText.
std::vector<std::u16string_view> SplitLines(std::u16string_view p_strText);

// The lines of the text joined, every line followed by CR LF, the last one included; an empty
// text stays empty. Same result as joining SplitLines, in one pass.
std::u16string NormalizeLineBreaks(std::u16string_view p_strText);

// The same on the bytes of an ASCII-compatible encoding (UTF-8 or a single- or double-byte code
// page), where CR and LF are the bytes 0D and 0A and never part of another character.
std::string NormalizeLineBreaks(std::string_view p_strBytes);

} // namespace morvane
