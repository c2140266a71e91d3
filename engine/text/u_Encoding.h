#pragma once
// Encoding codes: their display names, per-file detection, and how a file's bytes become text
// and text becomes bytes again in the encoding in effect. Pure functions, no I/O; the caller reads
// the file once and hands over its bytes.

#include "core/u_Types.h"

#include <string>
#include <string_view>

namespace morvane {

inline constexpr TEncodingCode kEncodingAuto = 0;
inline constexpr TEncodingCode kEncodingAnsi = 1;
inline constexpr TEncodingCode kEncodingUtf8 = 2;
inline constexpr TEncodingCode kEncodingUtf8Bom = 3;
inline constexpr TEncodingCode kEncodingUtf16BE = 4;
inline constexpr TEncodingCode kEncodingUtf16LE = 5;
inline constexpr TEncodingCode kEncodingUtf32BE = 6;
inline constexpr TEncodingCode kEncodingUtf32LE = 7;

// Whether files are read and rewritten in this code: 1 to 5. Detection may also give 6 and 7,
// which are never processed.
constexpr bool IsProcessedEncoding(std::int32_t p_intEncoding) {
    return p_intEncoding >= kEncodingAnsi && p_intEncoding <= kEncodingUtf16LE;
}

// "unknow", "ANSI", "UTF8无Bom", "UTF8有Bom", "UTF16BE", "UTF16LE", "UTF32BE", "UTF32LE";
// "unknow" for 0 and for anything above 7.
std::u16string GetEncodingName(TEncodingCode p_intEncoding);

// The detected encoding of a file from all of its bytes and its name (bare or full path): a
// byte-order mark among the first 4 (or, for a file of 2 or 3 bytes, 2) bytes; else well-formed
// UTF-8 when the file has a byte of 0x80 or more; else ANSI for ".php" in any letter case and
// UTF-8 for every other name. Returns 1..7, never 0. Called on the processing thread.
TEncodingCode DetectEncoding(std::string_view p_strFileBytes, std::u16string_view p_strFileName);

// The code a byte-order mark at the start of p_strHead stands for (UTF-32 marks before the UTF-16
// mark they begin with), or kEncodingAuto when it holds none.
TEncodingCode EncodingFromMark(std::string_view p_strHead);

// A file's text before the line model is applied.
struct TDecodedText {
    std::u16string g_strText;
    // A UTF-16 file had an odd number of bytes after its mark; the last one is not in the text.
    bool g_IsOddByteDropped = false;
};

// The file's bytes decoded in the encoding in effect (codes 1..5), after dropping that
// encoding's own mark (only that one). ANSI never fails; UTF-8 is strict; UTF-16 copies code units
// without checks (a lone surrogate stays). False for ill-formed UTF-8, for a UTF-16 file of exactly
// one byte after its mark, and for any other code. Reuses the buffer of p_Decoded.
bool DecodeFileBytes(TEncodingCode p_intEncoding, std::string_view p_strFileBytes,
                     TDecodedText& p_Decoded);

// Throws TEngineError, with the reason the user reads, when rewriting the file from p_Decoded
// would lose or change bytes the user did not ask to change: a U+0000 in the text, a dropped odd
// byte of a UTF-16 file, or ANSI bytes that do not survive decoding and encoding in the current
// code page. p_Decoded must come from DecodeFileBytes on the same bytes and code.
void EnsureSafeToRewrite(TEncodingCode p_intEncoding, std::string_view p_strFileBytes,
                         const TDecodedText& p_Decoded);

// The bytes to write for the text (already in the line model): the code's mark (none for 1 and
// 2) and the encoded text. Throws TEngineError when a character cannot be written faithfully: one
// the ANSI code page lacks, or a lone surrogate in UTF-8; and for codes other than 1..5.
std::string EncodeFileText(TEncodingCode p_intEncoding, std::u16string_view p_strText);

// EncodeFileText for a text that arrives in pieces, appended to a string as it comes, so that a
// large file's new text is never held whole as text beside its bytes. The bytes are those
// EncodeFileText gives for the pieces joined, and it throws the same errors (Append or Finish).
class TFileTextEncoder {
public:
    // Appends the mark of p_intEncoding to p_strBytes, which must outlive this object.
    TFileTextEncoder(TEncodingCode p_intEncoding, std::string& p_strBytes);
    void Append(std::u16string_view p_strText);
    // After the last piece.
    void Finish();

private:
    void EncodePiece(std::u16string_view p_strText);
    void FlushPending(bool p_IsLast);

    TEncodingCode g_intEncoding;
    std::string& g_strBytes;
    std::u16string g_strPending; // a lead surrogate waits here for its trail
    std::string g_strPieceBytes;
};

} // namespace morvane
