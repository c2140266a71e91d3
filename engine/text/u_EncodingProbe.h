#pragma once
// TEncodingProbe: detection for a reader that sees a file in pieces and never holds it whole.
// What detection needs beyond the first bytes is whether any byte is 0x80 or more and whether the
// bytes are well-formed UTF-8; both are gathered piece by piece, so the verdict is the one
// DetectEncoding gives on the bytes joined (DetectEncoding is built on this class).

#include "text/u_Encoding.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

class TEncodingProbe {
public:
    // The next piece of the file: pieces come in order from the first byte, in any sizes.
    void Feed(std::string_view p_strPiece);

    // Takes the piece only when all its bytes are below 0x80 and none came before it, at the
    // cost of one pass over it; false leaves the probe as it was. A reader that searches first
    // feeds ASCII as it goes and checks the rest only for a file that turns out to be wanted.
    bool FeedIfAscii(std::string_view p_strPiece);

    // What DetectEncoding gives for the bytes fed so far, joined, and the file name.
    TEncodingCode Detect(std::u16string_view p_strFileName) const;

    // Whether the bytes fed, less a leading UTF-8 mark, are well-formed UTF-8 (what decoding them
    // as UTF-8 would need).
    bool IsWellFormedUtf8Body() const { return !g_IsIllFormed && g_strPending.empty(); }

    std::uint64_t Size() const { return g_intSize; }

private:
    void KeepHead(std::string_view p_strPiece);

    std::string g_strHead; // the first bytes, as many as the marks need
    std::uint64_t g_intSize = 0;
    bool g_HasHighByte = false;
    bool g_IsIllFormed = false;
    // The end of a sequence that the end of the last piece cut (at most three bytes).
    std::string g_strPending;
};

} // namespace morvane
