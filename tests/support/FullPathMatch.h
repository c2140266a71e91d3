#pragma once
// What the processing of one file decides without any shortcut (detection, decoding, the line
// model, the match test): whether the file is reported. The reference the fast paths are held to.

#include "text/u_Encoding.h"
#include "text/u_LineModel.h"
#include "text/u_TextMatch.h"

#include <cstdint>
#include <string>

namespace morvane::test {

inline bool FullPathMatches(const std::string& p_strBytes, const std::u16string& p_strFileName,
                            std::int32_t p_intEncoding, const std::u16string& p_strOldText,
                            bool p_IsMatchCase) {
    const TEncodingCode m_intEncoding = p_intEncoding != kEncodingAuto
                                            ? static_cast<TEncodingCode>(p_intEncoding)
                                            : DetectEncoding(p_strBytes, p_strFileName);
    if (m_intEncoding < kEncodingAnsi || m_intEncoding > kEncodingUtf16LE) {
        return false;
    }
    TDecodedText m_Decoded;
    if (!DecodeFileBytes(m_intEncoding, p_strBytes, m_Decoded)) {
        return false;
    }
    const std::u16string m_strText = NormalizeLineBreaks(m_Decoded.g_strText);
    return !m_strText.empty() && ContainsFindText(m_strText, p_strOldText, p_IsMatchCase);
}

} // namespace morvane::test
