#pragma once
// Small conversions on UTF-16 text and UTF-8 bytes. Pure functions, no I/O.

#include <cstddef>
#include <string>
#include <string_view>

namespace morvane {

// a-z become A-Z (A-Z become a-z); every other code unit or byte stays as it is. The one case
// fold of the system wherever it upper-cases, one unit at a time for the hot loops.
template <typename TUnit> constexpr TUnit AsciiUpperUnit(TUnit p_intUnit) {
    return p_intUnit >= TUnit{'a'} && p_intUnit <= TUnit{'z'}
               ? static_cast<TUnit>(p_intUnit - ('a' - 'A'))
               : p_intUnit;
}
template <typename TUnit> constexpr TUnit AsciiLowerUnit(TUnit p_intUnit) {
    return p_intUnit >= TUnit{'A'} && p_intUnit <= TUnit{'Z'}
               ? static_cast<TUnit>(p_intUnit + ('a' - 'A'))
               : p_intUnit;
}

// The same over a whole text.
std::u16string AsciiUpperCase(std::u16string_view p_strText);
std::string AsciiUpperCase(std::string_view p_strText);

// Each BMP code unit mapped to its simple upper-case form; surrogate code units unchanged, so the
// length never changes.
std::u16string FullUpperCase(std::u16string_view p_strText);

// Well-formed UTF-8 to UTF-16 with every ill-formed sequence replaced by U+FFFD. For paths,
// settings and log pages, never for a user's file contents.
std::u16string Utf8ToUtf16Lenient(std::string_view p_strBytes);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view p_strText);

// Strict RFC 3629 decoding (no overlong forms, no encoded surrogates, nothing above U+10FFFF, no
// truncated sequence). Returns false, leaving p_strText unspecified, on any ill-formed input.
bool DecodeUtf8Strict(std::string_view p_strBytes, std::u16string& p_strText);

// Whether any byte is 0x80 or more.
bool HasHighByte(std::string_view p_strBytes);

// Whether DecodeUtf8Strict would accept the bytes, without decoding them.
bool IsWellFormedUtf8(std::string_view p_strBytes);

// The length of the longest beginning of the bytes made of whole well-formed sequences, for bytes
// that arrive in pieces. p_IsIllFormed tells whether it ends at a sequence no further bytes could
// mend; otherwise it ends at the end or at a sequence the end has cut (at most three bytes).
std::size_t WellFormedUtf8Prefix(std::string_view p_strBytes, bool& p_IsIllFormed);

// Decimal text of a number, as labels, log lines and messages show numbers.
std::u16string IntToText(long long p_intValue);

} // namespace morvane
