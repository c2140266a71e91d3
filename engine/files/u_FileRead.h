#pragma once
// Reading a user's file whole, together with the identity that a later rewrite checks, so that a
// file which changed or vanished after it was read is never overwritten.

#include "core/u_Types.h"
#include "files/u_FileIdentity.h"

#include <cstdint>
#include <functional>
#include <string>

namespace morvane {

// A file the task wanted but could not take: it cannot be opened, read or held in memory, or it
// changed while it was being read. The message is the reason its "失败" record gives. Anything
// else a read throws (a link or a non-regular file found where the listing named a file) is a
// plain TEngineError: such an entry is simply not followed, and nothing is reported.
class TFileSkipError : public TEngineError {
public:
    using TEngineError::TEngineError;
};

// Larger files are refused rather than read: the text model counts characters in 32 bits.
inline constexpr std::uint64_t kMaxProcessedFileSize = 1ull << 30;

// Reads a regular file whole into p_strBytes (reusing its capacity) and fills p_Identity.
// Never follows a final symbolic link (O_NOFOLLOW), never blocks on a FIFO or device
// (O_NONBLOCK, then fstat must say regular), refuses files over kMaxProcessedFileSize, and
// refuses a file whose size or modification time changed while it was being read. Throws
// TFileSkipError (or, for what is not followed, TEngineError) on any failure; p_strBytes then
// holds nothing of use. p_strNativePath is the path as the operating system takes it (on Windows:
// UTF-8, turned into UTF-16 for the wide functions). Uses FileSystemOps().
void ReadWholeFile(const std::string& p_strNativePath, std::string& p_strBytes,
                   TFileIdentity& p_Identity);

#ifndef _WIN32
// One regular file opened for reading as ReadWholeFile opens it (the same refusals, thrown as
// TEngineError by the constructor), so that a caller may look at parts of it before, or instead
// of, reading it whole. The identity is taken when it is opened.
class TFileReader {
public:
    TFileReader(int p_intDirectoryFd, const char* p_strName);
    ~TFileReader();
    TFileReader(const TFileReader&) = delete;
    TFileReader& operator=(const TFileReader&) = delete;

    std::uint64_t Size() const { return g_intSize; }
    // Up to p_intCount bytes from p_intOffset (fewer only at the end of the file).
    std::size_t ReadAt(std::uint64_t p_intOffset, char* p_Buffer, std::size_t p_intCount);
    // The whole file, as ReadWholeFile reads it; it must not have changed since it was opened.
    void ReadWhole(std::string& p_strBytes, TFileIdentity& p_Identity);
    // The same into a buffer of at least Size() + 1 bytes, whose old content needs no clearing
    // first; returns the number of bytes read (Size()).
    std::size_t ReadWholeInto(char* p_Buffer, TFileIdentity& p_Identity);
    // For a caller that read the file its own way: throws unless p_intBytesRead is its size and
    // neither its size nor its modification time has changed since it was opened; then fills
    // p_Identity.
    void CheckUnchanged(std::uint64_t p_intBytesRead, TFileIdentity& p_Identity);

private:
    int g_intFd = -1;
    std::uint64_t g_intSize = 0;
    TFileIdentity g_Before;
};

// The same for the entry p_strName of the folder open as p_intDirectoryFd (AT_FDCWD: the current
// folder, and then p_strName may be any path). A walk that holds its folder open saves the
// lookup of every folder on the way, file after file.
// p_doBeforeRead, when set, is called with the file's size once it is known to be a regular
// file of acceptable size and before any memory is taken for it; it may wait, or throw to refuse
// the file.
void ReadWholeFileAt(int p_intDirectoryFd, const char* p_strName, std::string& p_strBytes,
                     TFileIdentity& p_Identity,
                     const std::function<void(std::uint64_t p_intSize)>& p_doBeforeRead = {});
#endif

} // namespace morvane
