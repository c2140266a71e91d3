#include "match/u_FileMatcher.h"

#include "text/u_AnsiCodePage.h"
#include "text/u_EncodingProbe.h"
#include "text/u_LineModel.h"
#include "text/u_TextConvert.h"
#include "text/u_TextMatch.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

#ifndef _WIN32
#include <fcntl.h>
#endif

namespace morvane {

namespace {

constexpr std::size_t kKeptBufferSize = std::size_t{1} << 20;

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

bool TFileMatcher::Match(const TMatchRequest& p_Request) {
    g_intEncoding = kEncodingAuto;
    g_IsUtf8Bytes = false;
    g_ReadFailure = nullptr;
    // Whatever goes wrong before the match test means this file is not processed; the caller
    // tells from ReadFailure whether that is to be reported (memory running out is).
    try {
        bool m_IsFoundInBytes = false;
        const TStepVerdict m_Verdict = ReadFileBytes(p_Request, m_IsFoundInBytes);
        if (m_Verdict != TStepVerdict::GoOn) {
            return m_Verdict == TStepVerdict::Matched;
        }
        return TestFileBytes(p_Request, m_IsFoundInBytes);
    } catch (const std::bad_alloc&) {
        // What the file took is given back, for the files after it.
        ReleaseBuffers();
        g_ReadFailure = std::current_exception();
        return false;
    } catch (const std::exception&) {
        g_ReadFailure = std::current_exception();
        return false;
    }
}

TFileMatcher::TStepVerdict TFileMatcher::ReadFileBytes(const TMatchRequest& p_Request,
                                                       bool& p_IsFoundInBytes) {
#ifdef _WIN32
    (void)p_IsFoundInBytes;
    ReadWholeFile(p_Request.g_strNativeFileName, g_strWindowsBytes, g_FileIdentity);
    g_strFileBytes = g_strWindowsBytes;
#else
    const bool m_IsInFolder = p_Request.g_intDirectoryFd >= 0;
    TFileReader m_Reader(m_IsInFolder ? p_Request.g_intDirectoryFd : AT_FDCWD,
                         m_IsInFolder ? p_Request.g_strEntryName
                                      : p_Request.g_strNativeFileName.c_str());
    if (m_Reader.Size() > kScanPieceSize && g_RawPrefilter.IsActive()) {
        const TStepVerdict m_Verdict = ScanLargeFile(m_Reader, p_Request, p_IsFoundInBytes);
        if (m_Verdict != TStepVerdict::GoOn) {
            return m_Verdict;
        }
    }
    if (p_Request.g_doBeforeRead) {
        p_Request.g_doBeforeRead(m_Reader.Size());
    }
    ReadWhole(m_Reader);
#endif
    return TStepVerdict::GoOn;
}

bool TFileMatcher::TestFileBytes(const TMatchRequest& p_Request, bool p_IsFoundInBytes) {
    // Such a file yields no record on the full path either; detection only matters for a file
    // that may match. The bytes buffer is kept whatever its size: it is the next file's, and
    // growing it anew would cost the large file's memory once more.
    const bool m_IsDecidable = g_RawPrefilter.IsDecidable(g_strFileBytes, p_Request.g_intEncoding);
    if (m_IsDecidable && !p_IsFoundInBytes && !g_RawPrefilter.ContainsBytes(g_strFileBytes)) {
        return false;
    }
    g_intEncoding = p_Request.g_intEncoding != kEncodingAuto
                        ? static_cast<TEncodingCode>(p_Request.g_intEncoding)
                        : DetectEncoding(g_strFileBytes, p_Request.g_strFileName);
    if (!IsProcessedEncoding(g_intEncoding)) {
        return false;
    }
    // The bytes hold the find text (printable ASCII), and strict UTF-8 reads ASCII bytes as
    // themselves and nothing else as ASCII: the text holds it exactly when the bytes decode at
    // all, and with match case its occurrences are those of the bytes, so a rewrite can work on
    // the bytes too. Ignoring case, the replacement folds every letter (some non-ASCII ones to
    // ASCII), which only the text can show.
    if (m_IsDecidable && (!p_Request.g_IsKeepingText || p_Request.g_IsMatchCase) &&
        (g_intEncoding == kEncodingUtf8 || g_intEncoding == kEncodingUtf8Bom)) {
        // Detection gives code 2 only for bytes it has found well-formed (or pure ASCII).
        g_IsUtf8Bytes =
            (p_Request.g_intEncoding == kEncodingAuto && g_intEncoding == kEncodingUtf8) ||
            IsWellFormedUtf8(WithoutUtf8Mark(g_strFileBytes));
        return g_IsUtf8Bytes;
    }
    if (!DecodeFileBytes(g_intEncoding, g_strFileBytes, g_DecodedText)) {
        ReleaseIfLarge(g_DecodedText.g_strText);
        return false;
    }
    const bool m_IsMatched =
        ModelTextContains(g_DecodedText.g_strText, p_Request.g_strOldText, p_Request.g_IsMatchCase);
    if (!m_IsMatched || !p_Request.g_IsKeepingText) {
        ReleaseIfLarge(g_DecodedText.g_strText);
    }
    return m_IsMatched;
}

std::string TFileMatcher::BuildRewrite(const std::u16string& p_strOldText,
                                       const std::u16string& p_strNewText, bool p_IsMatchCase) {
    try {
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
        return BuildTextRewrite(p_strOldText, p_strNewText, p_IsMatchCase);
    } catch (const std::bad_alloc&) {
        ReleaseBuffers();
        throw TEngineError(kOutOfMemoryMessage);
    }
}

std::string TFileMatcher::BuildTextRewrite(const std::u16string& p_strOldText,
                                           const std::u16string& p_strNewText, bool p_IsMatchCase) {
    // Refuses files whose text cannot give back their bytes unchanged (U+0000, an odd UTF-16
    // byte, ANSI bytes that do not survive the round trip) before anything is written.
    EnsureSafeToRewrite(g_intEncoding, g_strFileBytes, g_DecodedText);
    const std::size_t m_intFileSize = g_strFileBytes.size();
    ReleaseBytesIfLarge();
    const std::u16string_view m_strText = g_DecodedText.g_strText;
    // The text gives back the file's bytes, so the new bytes are those with each occurrence
    // replaced: room for them all at once, so that they never move while they grow (a move
    // would hold them twice). Room never written costs no memory.
    std::size_t m_intRoom = m_intFileSize + 4;
    if (m_intFileSize > kKeptBufferSize && !p_strNewText.empty()) {
        const std::size_t m_intNewSize =
            EncodeFileText(g_intEncoding, WithLineBreaks(p_strNewText, LineBreakStyle(m_strText)))
                .size();
        m_intRoom +=
            CountFileTextOccurrences(m_strText, p_strOldText, p_IsMatchCase) * m_intNewSize;
    }
    std::string m_strResult;
    m_strResult.reserve(m_intRoom);
    TFileTextEncoder m_Encoder(g_intEncoding, m_strResult);
    ReplaceInFileText(
        m_strText, p_strOldText, p_strNewText, p_IsMatchCase,
        [&m_Encoder](std::u16string_view p_strPiece) { m_Encoder.Append(p_strPiece); });
    m_Encoder.Finish();
    ReleaseIfLarge(g_DecodedText.g_strText);
    return m_strResult;
}

// The rewrite of a UTF-8 file on its bytes, with match case and a find text of printable ASCII
// (so within one line): the replacement on bytes that stand one to one for the text's
// characters, the replacement's breaks in the file's style, the mark of the code.
std::string TFileMatcher::BuildUtf8Rewrite(std::string_view p_strBody,
                                           const std::u16string& p_strNewText) {
    const std::string_view m_strStyle = LineBreakStyle(p_strBody);
    // Throws, with the text's path's reason, for a lone surrogate, which a valid file's text
    // never holds and which nothing in the file can pair.
    const std::string m_strNewBytes = EncodeFileText(
        kEncodingUtf8,
        WithLineBreaks(p_strNewText, std::u16string(m_strStyle.begin(), m_strStyle.end())));
    const std::size_t m_intOldLength = g_RawPrefilter.PatternLength();
    std::size_t m_intRoom = p_strBody.size() + 3;
    if (p_strBody.size() > kKeptBufferSize && m_strNewBytes.size() > m_intOldLength) {
        std::size_t m_intCount = 0;
        for (std::size_t m_intFound = g_RawPrefilter.Find(p_strBody, 0);
             m_intFound != std::string_view::npos;
             m_intFound = g_RawPrefilter.Find(p_strBody, m_intFound + m_intOldLength)) {
            ++m_intCount;
        }
        m_intRoom += m_intCount * (m_strNewBytes.size() - m_intOldLength);
    }
    std::string m_strResult;
    m_strResult.reserve(m_intRoom);
    if (g_intEncoding == kEncodingUtf8Bom) {
        m_strResult.append("\xEF\xBB\xBF");
    }
    std::size_t m_intCopied = 0;
    for (std::size_t m_intFound = g_RawPrefilter.Find(p_strBody, 0);
         m_intFound != std::string_view::npos;
         m_intFound = g_RawPrefilter.Find(p_strBody, m_intCopied)) {
        m_strResult.append(p_strBody.substr(m_intCopied, m_intFound - m_intCopied));
        m_strResult.append(m_strNewBytes);
        m_intCopied = m_intFound + m_intOldLength;
    }
    m_strResult.append(p_strBody.substr(m_intCopied));
    ReleaseBytesIfLarge();
    return m_strResult;
}

#ifndef _WIN32
// A large file is first searched piece by piece in a small buffer that stays in the processor's
// cache; only a file that may match is then read whole. In find mode the pieces also settle its
// encoding, and most files are never held whole.
TFileMatcher::TStepVerdict TFileMatcher::ScanLargeFile(TFileReader& p_Reader,
                                                       const TMatchRequest& p_Request,
                                                       bool& p_IsFoundInBytes) {
    TEncodingProbe m_Probe;
    const bool m_IsFinding = !p_Request.g_IsKeepingText;
    switch (ScanForFindText(p_Reader, p_Request.g_intEncoding, m_IsFinding ? &m_Probe : nullptr)) {
    case TScanResult::Absent:
        return TStepVerdict::NotMatched;
    case TScanResult::Undecided:
        return TStepVerdict::GoOn;
    case TScanResult::Found:
        break;
    }
    p_IsFoundInBytes = true;
    if (!m_IsFinding) {
        return TStepVerdict::GoOn;
    }
    p_Reader.CheckUnchanged(m_Probe.Size(), g_FileIdentity);
    const TFoundVerdict m_Verdict =
        DecideFoundFile(m_Probe, p_Request.g_intEncoding, p_Request.g_strFileName);
    if (m_Verdict != TFoundVerdict::NeedsText) {
        return m_Verdict == TFoundVerdict::Matched ? TStepVerdict::Matched
                                                   : TStepVerdict::NotMatched;
    }
    if (g_intEncoding == kEncodingAnsi) {
        return AnsiPiecesContain(p_Reader, p_Request.g_strOldText, p_Request.g_IsMatchCase)
                   ? TStepVerdict::Matched
                   : TStepVerdict::NotMatched;
    }
    return TStepVerdict::GoOn;
}

void TFileMatcher::ReadWhole(TFileReader& p_Reader) {
    const std::size_t m_intRoom = static_cast<std::size_t>(p_Reader.Size()) + 1;
    if (g_intFileBytesCapacity < m_intRoom) {
        // Grown by half again at least, as a string grows: files of a tree differ in size by a
        // little, and each new buffer costs its pages once more.
        const std::size_t m_intCapacity =
            std::max(m_intRoom, g_intFileBytesCapacity + g_intFileBytesCapacity / 2);
        g_strFileBytes = std::string_view();
        g_arrFileBytes.reset();
        g_intFileBytesCapacity = 0;
        g_arrFileBytes = std::make_unique_for_overwrite<char[]>(m_intCapacity);
        g_intFileBytesCapacity = m_intCapacity;
    }
    g_strFileBytes = std::string_view(g_arrFileBytes.get(),
                                      p_Reader.ReadWholeInto(g_arrFileBytes.get(), g_FileIdentity));
}

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
}

} // namespace morvane
