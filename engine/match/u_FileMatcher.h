#pragma once
// TFileMatcher: the work on one file that needs nothing of the task but its parameters: read it,
// turn it away on its raw bytes when it surely cannot match, settle its encoding, decode it and
// test for the find text; in replace mode, after a match, build the bytes to write back. A small
// file is read once, whole. A large one is first searched in pieces; in find mode it is never held
// whole (a double-byte ANSI file whose bytes hold the find text is read a second time, to decode
// it piece by piece). It keeps its buffers from file to file, so a tree of a million files does
// not cost a million allocations. One object per thread.

#include "files/u_FileRead.h"
#include "match/u_RawPrefilter.h"
#include "text/u_Encoding.h"
#include "text/u_EncodingProbe.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace morvane {

class TFileMatcher {
public:
    // p_Prefilter must outlive this object and be made from the find text and match-case flag
    // that Match receives.
    explicit TFileMatcher(const TRawPrefilter& p_Prefilter);

    // Reads the file (the entry p_strEntryName of the folder open as p_intDirectoryFd, or, when
    // that is -1, p_strNativeFileName) and tests it. True when its text, read in the encoding in
    // effect (p_intEncoding, or detection for 0), contains p_strOldText (already upper-cased when
    // case is ignored). A file that cannot be read or decoded is false: it is not processed.
    // p_IsKeepingText: the text in the line model is wanted afterwards (replace mode).
    // p_doBeforeRead: as for ReadWholeFileAt (not called on Windows).
    bool Match(int p_intDirectoryFd, const char* p_strEntryName,
               const std::string& p_strNativeFileName, const std::u16string& p_strFileName,
               std::int32_t p_intEncoding, const std::u16string& p_strOldText, bool p_IsMatchCase,
               bool p_IsKeepingText,
               const std::function<void(std::uint64_t p_intSize)>& p_doBeforeRead = {});

    // After a true Match: the encoding in effect and what the file was when it was read.
    TEncodingCode Encoding() const { return g_intEncoding; }
    const TFileIdentity& Identity() const { return g_FileIdentity; }
    // After a false Match: what made reading the file fail, or null when it was read (or not
    // decoded); see TFileSkipError.
    const std::exception_ptr& ReadFailure() const { return g_ReadFailure; }

    // After a true Match with p_IsKeepingText: the new content of the file in its encoding, with
    // its mark. Throws TEngineError with the reason of the failure record when the file must not
    // or cannot be rewritten faithfully.
    std::string BuildRewrite(const std::u16string& p_strOldText, const std::u16string& p_strNewText,
                             bool p_IsMatchCase);

    // Gives the buffers' memory back (the end of a task).
    void ReleaseBuffers();

    // Files larger than this are searched piece by piece before they are read whole.
    static constexpr std::size_t kScanPieceSize = std::size_t{256} << 10;

private:
#ifndef _WIN32
    enum class TScanResult { Absent, Found, Undecided };
    // Whether the file's bytes hold the find text, read in pieces; Undecided when the raw-byte
    // decision does not apply to it. With p_Probe, a found file is read to its end through it.
    TScanResult ScanForFindText(TFileReader& p_Reader, std::int32_t p_intEncoding,
                                TEncodingProbe* p_Probe);
    void FeedRest(TFileReader& p_Reader, TEncodingProbe& p_Probe);
    enum class TFoundVerdict { Matched, NotMatched, NeedsText };
    // Find mode, for a file whose bytes hold the find text: the verdict when the probe's facts
    // settle it (g_intEncoding is then set), or NeedsText.
    TFoundVerdict DecideFoundFile(const TEncodingProbe& p_Probe, std::int32_t p_intEncoding,
                                  const std::u16string& p_strFileName);
    bool AnsiPiecesContain(TFileReader& p_Reader, const std::u16string& p_strOldText,
                           bool p_IsMatchCase);
#endif

    std::string BuildUtf8Rewrite(std::string_view p_strBody, const std::u16string& p_strNewText);

    // Large text buffers are not kept for the next file, nor the bytes once a rewrite has been
    // built: a tree with one huge file would hold their memory for the whole task. The bytes
    // buffer is otherwise kept, as every file needs one.
    void ReleaseBytesIfLarge();
    static void ReleaseIfLarge(std::u16string& p_strBuffer);

    const TRawPrefilter& g_RawPrefilter;
    TEncodingCode g_intEncoding = 0;
    // The last match was decided on the bytes of a UTF-8 file, which were not decoded.
    bool g_IsUtf8Bytes = false;
    // The file's bytes: g_strFileBytes views g_arrFileBytes, which is not cleared before each
    // read (std::string would fill a large file's room with zeros every time).
    std::unique_ptr<char[]> g_arrFileBytes;
    std::size_t g_intFileBytesCapacity = 0;
    std::string_view g_strFileBytes;
#ifdef _WIN32
    std::string g_strWindowsBytes;
#endif
    TFileIdentity g_FileIdentity;
    std::exception_ptr g_ReadFailure;
    TDecodedText g_DecodedText;
    std::u16string g_strText;
    std::string g_strScanBuffer;
};

} // namespace morvane
