#include "text/u_EncodingProbe.h"

#include "text/u_ExtensionFilter.h"
#include "text/u_TextConvert.h"

namespace morvane {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Detection looks at this many leading bytes for a mark, or at 2 when the file is shorter.
constexpr std::size_t kMarkProbeSize = 4;

// The longest cut sequence: a four-byte lead and two more.
constexpr std::size_t kLongestCut = 3;

} // namespace

void TEncodingProbe::KeepHead(std::string_view p_strPiece) {
    if (g_strHead.size() < kMarkProbeSize) {
        g_strHead.append(p_strPiece.substr(0, kMarkProbeSize - g_strHead.size()));
    }
    g_intSize += p_strPiece.size();
}

bool TEncodingProbe::FeedIfAscii(std::string_view p_strPiece) {
    if (g_HasHighByte || HasHighByte(p_strPiece)) {
        return false;
    }
    KeepHead(p_strPiece);
    return true;
}

void TEncodingProbe::Feed(std::string_view p_strPiece) {
    KeepHead(p_strPiece);
    if (g_IsIllFormed) {
        return;
    }
    if (!g_HasHighByte) {
        if (!HasHighByte(p_strPiece)) {
            return;
        }
        // Everything before was ASCII: no sequence is pending, the check starts here.
        g_HasHighByte = true;
    }
    bool m_IsIllFormed = false;
    if (!g_strPending.empty()) {
        // The cut sequence is completed by the piece's first bytes (or, for a tiny piece, grows).
        const std::string m_strJoined =
            g_strPending + std::string(p_strPiece.substr(0, kLongestCut));
        const std::size_t m_intWhole = WellFormedUtf8Prefix(m_strJoined, m_IsIllFormed);
        if (m_IsIllFormed) {
            g_IsIllFormed = true;
            return;
        }
        if (m_intWhole < g_strPending.size()) {
            g_strPending = m_strJoined;
            return;
        }
        p_strPiece.remove_prefix(m_intWhole - g_strPending.size());
        g_strPending.clear();
    }
    const std::size_t m_intWhole = WellFormedUtf8Prefix(p_strPiece, m_IsIllFormed);
    if (m_IsIllFormed) {
        g_IsIllFormed = true;
        return;
    }
    g_strPending.assign(p_strPiece.substr(m_intWhole));
}

TEncodingCode TEncodingProbe::Detect(std::u16string_view p_strFileName) const {
    if (g_intSize < 2) {
        return kEncodingAnsi;
    }
    // A file of 2 or 3 bytes offers only its first 2 to the mark test, so three bytes EF BB BF
    // are not taken for a marked UTF-8 file.
    const TEncodingCode m_intMarked = EncodingFromMark(
        std::string_view(g_strHead).substr(0, g_intSize >= kMarkProbeSize ? 4 : 2));
    if (m_intMarked != kEncodingAuto) {
        return m_intMarked;
    }
    if (g_HasHighByte) {
        if (!IsWellFormedUtf8Body()) {
            return kEncodingAnsi;
        }
        // Well-formed text is empty exactly when the bytes after a UTF-8 mark are, and begins
        // with U+0000 exactly when their first byte is 00.
        const std::string_view m_strBodyHead = g_strHead.starts_with(kUtf8Mark)
                                                   ? std::string_view(g_strHead).substr(3)
                                                   : std::string_view(g_strHead);
        if (!m_strBodyHead.empty() && m_strBodyHead.front() != '\0') {
            return kEncodingUtf8;
        }
    }
    return AsciiUpperCase(FileNameExtension(p_strFileName)) == u".PHP" ? kEncodingAnsi
                                                                       : kEncodingUtf8;
}

} // namespace morvane
