#pragma once
// TRawPrefilter: decides on a file's raw bytes, before any detection or decoding, that its text
// cannot contain the find text. Most files of a tree do not match, and for them decoding and the
// line model are the larger part of the work. Pure, no I/O; one object per task, shared by any
// number of threads (it is never changed after construction).
//
// The decision is made only where it is exact: the find text is printable ASCII (0x20..0x7E,
// so no line break, and the line model cannot matter), and the encoding in effect maps ASCII
// bytes to the same characters one to one and never makes printable ASCII of other bytes (UTF-8,
// and the ANSI code pages IsAsciiCompatibleAnsiCodePage names). Then an occurrence in the text is
// the same bytes in the file. UTF-16 always takes the full path.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

// The ANSI code pages whose decoding keeps every byte 00..7F as that character and turns no other
// byte or sequence into printable ASCII (the engine's tests check it on every 1- and 2-byte input).
bool IsAsciiCompatibleAnsiCodePage(int p_intCodePage);

// The code pages among those that read every byte as one character of its own, so that the find
// text's bytes in a file are the find text in its text (the engine's tests check every byte).
bool IsSingleByteAnsiCodePage(int p_intCodePage);

class TRawPrefilter {
public:
    // p_strOldText as ProcessFile receives it: already ASCII-upper-cased when case is ignored.
    TRawPrefilter(std::u16string_view p_strOldText, bool p_IsMatchCase);

    // Whether the find text allows a decision on raw bytes at all.
    bool IsActive() const { return g_IsActive; }

    // True only when the file cannot match: its text, read with the task's encoding code
    // p_intEncoding (0 detect, 1..5 forced) and the current ANSI code page, surely does not
    // contain the find text. False means "decode and test as usual". A file for which this is
    // true yields no record whatever path it takes.
    bool CannotMatch(std::string_view p_strFileBytes, std::int32_t p_intEncoding) const;

    // The find text's length in bytes (0 when inactive).
    std::size_t PatternLength() const { return g_strPattern.size(); }

    // Whether CannotMatch decides on the bytes at all: the find text allows it and the encoding
    // in effect is ASCII-compatible. When it does and says false, the bytes hold the find text.
    bool IsDecidable(std::string_view p_strFileBytes, std::int32_t p_intEncoding) const {
        return g_IsActive && IsAsciiCompatible(p_strFileBytes, p_intEncoding);
    }

    // The first occurrence of the find text's bytes at or after p_intFrom (folded as for
    // ContainsBytes), or npos.
    std::size_t Find(std::string_view p_strBytes, std::size_t p_intFrom) const {
        return g_IsActive ? FindFrom(p_strBytes, p_intFrom) : std::string_view::npos;
    }

    // Whether the bytes contain the find text's bytes (ASCII letters folded unless match case).
    // Exposed for tests.
    bool ContainsBytes(std::string_view p_strBytes) const;

private:
    bool IsAsciiCompatible(std::string_view p_strFileBytes, std::int32_t p_intEncoding) const;
    std::size_t FindFrom(std::string_view p_strBytes, std::size_t p_intFrom) const;
    bool IsMatchAt(const char* p_Candidate) const;

    bool g_IsActive = false;
    bool g_IsMatchCase = true;
    std::string g_strPattern; // the find text's bytes; upper-cased letters when case is ignored
    // Horspool shifts keyed by the folded byte, for the part no vector loop covers.
    std::array<std::uint8_t, 256> g_arrShift{};
};

} // namespace morvane
