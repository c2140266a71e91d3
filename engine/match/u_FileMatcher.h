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

// One file to test, and how (see TFileMatcher::Match).
struct TMatchRequest {
    // The file: the entry g_strEntryName of the folder open as g_intDirectoryFd or, when that is
    // -1, g_strNativeFileName; g_strFileName is its full path as records show it.
    int g_intDirectoryFd = -1;
    const char* g_strEntryName = nullptr;
    const std::string& g_strNativeFileName;
    const std::u16string& g_strFileName;
    // 0 to detect, 1..5 forced.
    std::int32_t g_intEncoding = 0;
    // Already upper-cased in the ASCII range when case is ignored.
    const std::u16string& g_strOldText;
    bool g_IsMatchCase = false;
    // Replace mode: the file's text is wanted afterwards, for BuildRewrite.
    bool g_IsKeepingText = false;
    // As for ReadWholeFileAt (not called on Windows).
    std::function<void(std::uint64_t p_intSize)> g_doBeforeRead;
};

// The reasons of the failure records of files for which memory ran out.
inline constexpr const char* kOutOfMemoryUntestedMessage = "内存不足，未处理。";
inline constexpr const char* kOutOfMemoryMessage = "内存不足，未替换。";

class TFileMatcher {
public:
    // p_Prefilter must outlive this object and be made from the find text and match-case flag
    // that Match receives.
    explicit TFileMatcher(const TRawPrefilter& p_Prefilter);

    // Reads the file and tests it. True when its text, read in the encoding in effect (or as
    // detected), contains the find text in the line model. A file that cannot be read or decoded
    // is false: it is not processed. So is memory running out, in both modes; ReadFailure then
    // holds the std::bad_alloc, so the task reports the file (kOutOfMemoryUntestedMessage) rather
    // than taking it for one without the find text.
    bool Match(const TMatchRequest& p_Request);

    // After a true Match: the encoding in effect and what the file was when it was read.
    TEncodingCode Encoding() const { return g_intEncoding; }
    const TFileIdentity& Identity() const { return g_FileIdentity; }
    // After a false Match: what made reading the file fail, or null when it was read (or not
    // decoded); see TFileSkipError.
    const std::exception_ptr& ReadFailure() const { return g_ReadFailure; }

    // After a true Match with g_IsKeepingText: the new content of the file in its encoding, with
    // its mark: the file's bytes with only the occurrences' stretches changed (ReplaceInFileText).
    // Throws TEngineError with the reason of the failure record when the file must not or cannot
    // be rewritten faithfully, or when memory runs out (kOutOfMemoryMessage). A file of n bytes
    // costs about 3n at most: its bytes and its text (2n for ASCII), then the text and the new
    // bytes; the bytes go as soon as the text is known to give them back.
    std::string BuildRewrite(const std::u16string& p_strOldText, const std::u16string& p_strNewText,
                             bool p_IsMatchCase);

    // Gives the buffers' memory back (the end of a task).
    void ReleaseBuffers();

    // Files larger than this are searched piece by piece before they are read whole.
    static constexpr std::size_t kScanPieceSize = std::size_t{256} << 10;

private:
    enum class TStepVerdict { Matched, NotMatched, GoOn };
    // Reads the file into g_strFileBytes, unless its pieces settle it on the way (then not
    // GoOn). p_IsFoundInBytes: the pieces showed the find text's bytes.
    TStepVerdict ReadFileBytes(const TMatchRequest& p_Request, bool& p_IsFoundInBytes);
    // The match test on the bytes read: the raw-byte decision, the encoding, decoding.
    bool TestFileBytes(const TMatchRequest& p_Request, bool p_IsFoundInBytes);
    std::string BuildTextRewrite(const std::u16string& p_strOldText,
                                 const std::u16string& p_strNewText, bool p_IsMatchCase);
#ifndef _WIN32
    TStepVerdict ScanLargeFile(TFileReader& p_Reader, const TMatchRequest& p_Request,
                               bool& p_IsFoundInBytes);
    void ReadWhole(TFileReader& p_Reader);
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
    // Memory ran out while the last file was tested in replace mode.
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
    std::string g_strScanBuffer;
};

} // namespace morvane
