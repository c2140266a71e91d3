#pragma once
// How a file name and a failure reason are held in a log page line, a live row and
// morvane-batch's output. A line ends at CR or LF and its fields are cut at "|", while a name on
// a POSIX system may hold all three, a "\", and bytes that are not UTF-8. So outside Windows the
// name's bytes are written with these escapes, and everything else as the characters they spell:
//
//   "\"  as \\        LF  as \n        CR  as \r        "|"  as \x7C
//   each byte that is not part of a well-formed UTF-8 sequence  as \xHH (upper-case hex)
//
// UnescapeName gives the exact bytes back. On Windows a name holds none of these characters ("\"
// is the separator there) and is UTF-16 to begin with, so both directions are plain conversions
// there. Pure functions, callable on any thread.

#include <string>
#include <string_view>

namespace morvane {

// The escaped text of native bytes (a path, or a message that may quote one).
std::u16string EscapeName(std::string_view p_strBytes);

// The native bytes of an escaped text. Text that no escape produced (a lone "\" or "\" before
// another letter) is taken as it stands, so a hand-edited page still reads.
std::string UnescapeName(std::u16string_view p_strText);

// Native bytes as UTF-16 without loss, for front-ends whose strings are UTF-16: well-formed
// UTF-8 decodes as usual and every other byte HH becomes the lone surrogate U+DCHH, which no
// well-formed name can hold. TextToNativeName reverses it (and turns any other lone surrogate
// into U+FFFD). On Windows: plain UTF-8 conversions.
std::u16string NativeNameToText(std::string_view p_strBytes);
std::string TextToNativeName(std::u16string_view p_strText);

} // namespace morvane
