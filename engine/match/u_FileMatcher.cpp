#include "match/u_FileMatcher.h"

#include "text/u_AnsiCodePage.h"
#include "text/u_EncodingProbe.h"
#include "text/u_LineModel.h"
#include "text/u_TextConvert.h"
#include "text/u_TextMatch.h"

#include <algorithm>
#include <cstring>
#include <exception>

#ifndef _WIN32
#include <fcntl.h>
#endif

namespace morvane {

namespace {

constexpr std::size_t kKeptBufferSize = std::size_t{1} << 20;

bool HasLineBreak(const std::u16string& p_strText) {
    return p_strText.find_first_of(u"\r\n") != std::u16string::npos;
}

std::string_view WithoutUtf8Mark(std::string_view p_strBytes) {
    return p_strBytes.starts_with("\xEF\xBB\xBF") ? p_strBytes.substr(3) : p_strBytes;
}

} // namespace

TFileMatcher::TFileMatcher(const TRawPrefilter& p_Prefilter) : g_RawPrefilter(p_Prefilter) {}

void TFileMatcher::ReleaseBytesIfLarge() {
    if (g_intFileBytesCapacity > kKeptBufferSize) {
        g_strFileBytes = std::string_view();
        g_arrFileBytes.reset();
        g_intFileBytesCapacity = 0;
    }
#ifdef _WIN32
    if (g_strWindowsBytes.capacity() > kKeptBufferSize) {
        std::string().swap(g_strWindowsBytes);
    }
#endif
}

void TFileMatcher::ReleaseIfLarge(std::u16string& p_strBuffer) {
    if (p_strBuffer.capacity() > kKeptBufferSize / 2) {
        std::u16string().swap(p_strBuffer);
    }
}

bool TFileMatcher::Match(int p_intDirectoryFd, const char* p_strEntryName,
                         const std::string& p_strNativeFileName,
                         const std::u16string& p_strFileName, std::int32_t p_intEncoding,
                         const std::u16string& p_strOldText, bool p_IsMatchCase,
                         bool p_IsKeepingText,
                         const std::function<void(std::uint64_t p_intSize)>& p_doBeforeRead) {
    g_intEncoding = kEncodingAuto;
    g_IsUtf8Bytes = false;
    g_strText.clear();
    g_ReadFailure = nullptr;
    // Whatever goes wrong before the match test means this file is not processed; the caller
    // tells from ReadFailure whether that is to be reported.
    try {
        bool m_IsFoundInBytes = false;
#ifdef _WIN32
        (void)p_intDirectoryFd;
        (void)p_strEntryName;
        (void)p_doBeforeRead;
        ReadWholeFile(p_strNativeFileName, g_strWindowsBytes, g_FileIdentity);
        g_strFileBytes = g_strWindowsBytes;
#else
        TFileReader m_Reader(p_intDirectoryFd >= 0 ? p_intDirectoryFd : AT_FDCWD,
                             p_intDirectoryFd >= 0 ? p_strEntryName : p_strNativeFileName.c_str());
        if (m_Reader.Size() > kScanPieceSize && g_RawPrefilter.IsActive()) {
            // A large file is first searched piece by piece in a small buffer that stays in
            // the processor's cache; only a file that may match is then read whole. In find
            // mode the pieces also settle its encoding, and most files are never held whole.
            TEncodingProbe m_Probe;
            switch (
                ScanForFindText(m_Reader, p_intEncoding, p_IsKeepingText ? nullptr : &m_Probe)) {
            case TScanResult::Absent:
                return false;
            case TScanResult::Found:
                if (!p_IsKeepingText) {
                    m_Reader.CheckUnchanged(m_Probe.Size(), g_FileIdentity);
                    const TFoundVerdict m_Verdict =
                        DecideFoundFile(m_Probe, p_intEncoding, p_strFileName);
                    if (m_Verdict != TFoundVerdict::NeedsText) {
                        return m_Verdict == TFoundVerdict::Matched;
                    }
                    if (g_intEncoding == kEncodingAnsi) {
                        return AnsiPiecesContain(m_Reader, p_strOldText, p_IsMatchCase);
                    }
                }
                m_IsFoundInBytes = true;
                break;
            case TScanResult::Undecided:
                break;
            }
        }
        if (p_doBeforeRead) {
            p_doBeforeRead(m_Reader.Size());
        }
        const std::size_t m_intRoom = static_cast<std::size_t>(m_Reader.Size()) + 1;
        if (g_intFileBytesCapacity < m_intRoom) {
            // Grown by half again at least, as a string grows: files of a tree differ in size by
            // a little, and each new buffer costs its pages once more.
            const std::size_t m_intCapacity =
                std::max(m_intRoom, g_intFileBytesCapacity + g_intFileBytesCapacity / 2);
            g_arrFileBytes.reset();
            g_intFileBytesCapacity = 0;
            g_arrFileBytes = std::make_unique_for_overwrite<char[]>(m_intCapacity);
            g_intFileBytesCapacity = m_intCapacity;
        }
        g_strFileBytes = std::string_view(
            g_arrFileBytes.get(), m_Reader.ReadWholeInto(g_arrFileBytes.get(), g_FileIdentity));
#endif
        // Such a file yields no record on the full path either; detection only matters for a
        // file that may match. The bytes buffer is kept whatever its size: it is the next
        // file's, and growing it anew would cost the large file's memory once more.
        const bool m_IsDecidable = g_RawPrefilter.IsDecidable(g_strFileBytes, p_intEncoding);
        if (m_IsDecidable && !m_IsFoundInBytes && !g_RawPrefilter.ContainsBytes(g_strFileBytes)) {
            return false;
        }
        g_intEncoding = p_intEncoding != kEncodingAuto
                            ? static_cast<TEncodingCode>(p_intEncoding)
                            : DetectEncoding(g_strFileBytes, p_strFileName);
        if (!IsProcessedEncoding(g_intEncoding)) {
            return false;
        }
        // The bytes hold the find text (printable ASCII), and strict UTF-8 reads ASCII bytes
        // as themselves and nothing else as ASCII: the text holds it exactly when the bytes
        // decode at all, and with match case its occurrences are those of the bytes, so a
        // rewrite can work on the bytes too. Ignoring case, the replacement folds every letter
        // (some non-ASCII ones to ASCII), which only the text can show.
        if (m_IsDecidable && (!p_IsKeepingText || p_IsMatchCase) &&
            (g_intEncoding == kEncodingUtf8 || g_intEncoding == kEncodingUtf8Bom)) {
            // Detection gives code 2 only for bytes it has found well-formed (or pure ASCII).
            g_IsUtf8Bytes = (p_intEncoding == kEncodingAuto && g_intEncoding == kEncodingUtf8) ||
                            IsWellFormedUtf8(WithoutUtf8Mark(g_strFileBytes));
            return g_IsUtf8Bytes;
        }
        if (!DecodeFileBytes(g_intEncoding, g_strFileBytes, g_DecodedText)) {
            ReleaseIfLarge(g_DecodedText.g_strText);
            return false;
        }
        bool m_IsMatched = false;
        if (!HasLineBreak(p_strOldText)) {
            // The line model changes only the breaks between lines, and a find text without a
            // break lies within one line: it occurs in the decoded text exactly when it occurs
            // in the text of the line model, which is made only when it is needed.
            m_IsMatched = ContainsFindText(g_DecodedText.g_strText, p_strOldText, p_IsMatchCase);
        } else {
            g_strText = NormalizeLineBreaks(g_DecodedText.g_strText);
            m_IsMatched = ContainsFindText(g_strText, p_strOldText, p_IsMatchCase);
        }
        if (!m_IsMatched || !p_IsKeepingText) {
            ReleaseIfLarge(g_DecodedText.g_strText);
            ReleaseIfLarge(g_strText);
        }
        return m_IsMatched;
    } catch (const std::exception&) {
        g_ReadFailure = std::current_exception();
        return false;
    }
}

std::string TFileMatcher::BuildRewrite(const std::u16string& p_strOldText,
                                       const std::u16string& p_strNewText, bool p_IsMatchCase) {
    if (g_IsUtf8Bytes) {
        const std::string_view m_strBody = WithoutUtf8Mark(g_strFileBytes);
        if (m_strBody.find('\0') == std::string_view::npos) {
            return BuildUtf8Rewrite(m_strBody, p_strNewText);
        }
        // Refused for its U+0000, with the reason the text's path gives.
        g_IsUtf8Bytes = false;
        if (!DecodeFileBytes(g_intEncoding, g_strFileBytes, g_DecodedText)) {
            throw TEngineError("Unknown error");
        }
    }
    // Refuses files that the line model cannot carry back unchanged (U+0000, an odd UTF-16
    // byte, ANSI bytes that do not survive the round trip) before anything is written.
    EnsureSafeToRewrite(g_intEncoding, g_strFileBytes, g_DecodedText);
    // From here on each step drops what the next no longer needs, so a large file is held about
    // twice at most, not once per step.
    ReleaseBytesIfLarge();
    if (g_strText.empty()) {
        g_strText = NormalizeLineBreaks(g_DecodedText.g_strText);
    }
    ReleaseIfLarge(g_DecodedText.g_strText);
    std::u16string m_strNewText =
        ReplaceAllOccurrences(g_strText, p_strOldText, p_strNewText, p_IsMatchCase);
    ReleaseIfLarge(g_strText);
    // Without a break in either text no break is made or cut, and the replaced text is still
    // in the line model.
    if (HasLineBreak(p_strOldText) || HasLineBreak(p_strNewText)) {
        m_strNewText = NormalizeLineBreaks(m_strNewText);
    }
    return EncodeFileText(g_intEncoding, m_strNewText);
}

// The rewrite of a UTF-8 file on its bytes, with match case: the same steps as on the text (line
// model, replacement, line model again when the new text has breaks, the mark of the code), each
// on bytes that stand one to one for the text's characters.
std::string TFileMatcher::BuildUtf8Rewrite(std::string_view p_strBody,
                                           const std::u16string& p_strNewText) {
    // Throws, with the text's path's reason, for a lone surrogate, which a valid file's text
    // never holds and which nothing in the file can pair.
    const std::string m_strNewBytes = EncodeFileText(kEncodingUtf8, p_strNewText);
    std::string m_strText = NormalizeLineBreaks(p_strBody);
    ReleaseBytesIfLarge();
    std::string m_strResult;
    if (g_intEncoding == kEncodingUtf8Bom) {
        m_strResult = "\xEF\xBB\xBF";
    }
    m_strResult.reserve(m_strResult.size() + m_strText.size());
    const std::string_view m_strView(m_strText);
    const std::size_t m_intOldLength = g_RawPrefilter.PatternLength();
    std::size_t m_intCopied = 0;
    for (std::size_t m_intFound = g_RawPrefilter.Find(m_strView, 0);
         m_intFound != std::string_view::npos;
         m_intFound = g_RawPrefilter.Find(m_strView, m_intCopied)) {
        m_strResult.append(m_strView.substr(m_intCopied, m_intFound - m_intCopied));
        m_strResult.append(m_strNewBytes);
        m_intCopied = m_intFound + m_intOldLength;
    }
    m_strResult.append(m_strView.substr(m_intCopied));
    std::string().swap(m_strText);
    // The mark holds no break, so the line model of the whole is the mark and that of the rest.
    if (HasLineBreak(p_strNewText)) {
        m_strResult = NormalizeLineBreaks(std::string_view(m_strResult));
    }
    return m_strResult;
}

#ifndef _WIN32
// The pieces overlap by the find text's length less one, so no occurrence is cut. The probe
// takes the pieces that are plain ASCII as they go by; from the first other piece on it is only
// fed once the find text has turned up, so files that do not match are never checked as UTF-8.
TFileMatcher::TScanResult TFileMatcher::ScanForFindText(TFileReader& p_Reader,
                                                        std::int32_t p_intEncoding,
                                                        TEncodingProbe* p_Probe) {
    const std::size_t m_intOverlap = g_RawPrefilter.PatternLength() - 1;
    g_strScanBuffer.resize(m_intOverlap + kScanPieceSize);
    std::size_t m_intCarried = 0;
    std::uint64_t m_intOffset = 0;
    bool m_IsProbeBehind = p_Probe == nullptr;
    for (;;) {
        const std::size_t m_intGot =
            p_Reader.ReadAt(m_intOffset, g_strScanBuffer.data() + m_intCarried, kScanPieceSize);
        const std::string_view m_strWindow(g_strScanBuffer.data(), m_intCarried + m_intGot);
        if (m_intOffset == 0 && !g_RawPrefilter.IsDecidable(m_strWindow, p_intEncoding)) {
            // Decided by the first bytes (a UTF-16 mark) or the encoding: not for this file.
            return TScanResult::Undecided;
        }
        if (!m_IsProbeBehind) {
            m_IsProbeBehind = !p_Probe->FeedIfAscii(m_strWindow.substr(m_intCarried));
        }
        if (g_RawPrefilter.ContainsBytes(m_strWindow)) {
            if (p_Probe != nullptr) {
                FeedRest(p_Reader, *p_Probe);
            }
            return TScanResult::Found;
        }
        if (m_intGot < kScanPieceSize) {
            return TScanResult::Absent;
        }
        m_intOffset += m_intGot;
        m_intCarried = std::min(m_intOverlap, m_strWindow.size());
        std::memmove(g_strScanBuffer.data(), m_strWindow.data() + m_strWindow.size() - m_intCarried,
                     m_intCarried);
    }
}

// Reads on from where the probe stopped to the end of the file (a file that grows meanwhile is
// read beyond its size, which the caller's check then refuses).
void TFileMatcher::FeedRest(TFileReader& p_Reader, TEncodingProbe& p_Probe) {
    g_strScanBuffer.resize(kScanPieceSize);
    for (;;) {
        const std::size_t m_intGot =
            p_Reader.ReadAt(p_Probe.Size(), g_strScanBuffer.data(), kScanPieceSize);
        p_Probe.Feed(std::string_view(g_strScanBuffer.data(), m_intGot));
        if (m_intGot < kScanPieceSize) {
            return;
        }
    }
}

// The bytes hold the find text and the probe has seen them all. In UTF-8 the bytes decide, as in
// Match; so they do for a single-byte ANSI code page, which reads each byte as one character and
// ASCII bytes as themselves. A double-byte code page may read the find text's bytes as the second
// halves of characters: only its text can tell.
TFileMatcher::TFoundVerdict TFileMatcher::DecideFoundFile(const TEncodingProbe& p_Probe,
                                                          std::int32_t p_intEncoding,
                                                          const std::u16string& p_strFileName) {
    g_intEncoding = p_intEncoding != kEncodingAuto ? static_cast<TEncodingCode>(p_intEncoding)
                                                   : p_Probe.Detect(p_strFileName);
    if (!IsProcessedEncoding(g_intEncoding)) {
        return TFoundVerdict::NotMatched;
    }
    if (g_intEncoding == kEncodingUtf8 || g_intEncoding == kEncodingUtf8Bom) {
        return p_Probe.IsWellFormedUtf8Body() ? TFoundVerdict::Matched : TFoundVerdict::NotMatched;
    }
    if (g_intEncoding == kEncodingAnsi && IsSingleByteAnsiCodePage(GetAnsiCodePage())) {
        return TFoundVerdict::Matched;
    }
    return TFoundVerdict::NeedsText;
}

// A double-byte code page's text, decoded and searched piece by piece: the pieces' texts overlap
// by the find text's length less one (it has no break, so the line model does not matter), and
// the file is never held whole.
bool TFileMatcher::AnsiPiecesContain(TFileReader& p_Reader, const std::u16string& p_strOldText,
                                     bool p_IsMatchCase) {
    const int m_intCodePage = GetAnsiCodePage();
    const std::size_t m_intOverlap = p_strOldText.size() - 1;
    g_strScanBuffer.resize(kScanPieceSize);
    std::u16string m_strPieceText;
    std::u16string& m_strWindow = g_DecodedText.g_strText;
    m_strWindow.clear();
    std::uint64_t m_intOffset = 0;
    bool m_IsFound = false;
    bool m_IsLast = false;
    while (!m_IsLast && !m_IsFound) {
        const std::size_t m_intGot =
            p_Reader.ReadAt(m_intOffset, g_strScanBuffer.data(), kScanPieceSize);
        m_IsLast = m_intGot < kScanPieceSize;
        AnsiDecodePiece(std::string_view(g_strScanBuffer.data(), m_intGot), m_intCodePage,
                        m_intOffset == 0, m_IsLast, m_strPieceText);
        m_intOffset += m_intGot;
        m_strWindow.erase(0, m_strWindow.size() - std::min(m_intOverlap, m_strWindow.size()));
        m_strWindow += m_strPieceText;
        m_IsFound = ContainsFindText(m_strWindow, p_strOldText, p_IsMatchCase);
    }
    // Read a second time: the file must still be what the first reading saw (a found text
    // ends the reading early, and then only the size and time can tell).
    p_Reader.CheckUnchanged(m_IsLast ? m_intOffset : p_Reader.Size(), g_FileIdentity);
    ReleaseIfLarge(m_strWindow);
    return m_IsFound;
}
#endif

void TFileMatcher::ReleaseBuffers() {
    g_strFileBytes = std::string_view();
    g_arrFileBytes.reset();
    g_intFileBytesCapacity = 0;
#ifdef _WIN32
    std::string().swap(g_strWindowsBytes);
#endif
    std::u16string().swap(g_DecodedText.g_strText);
    std::u16string().swap(g_strText);
}

} // namespace morvane
