#pragma once
// Reading a user's file whole, together with the identity that a later rewrite checks, so that a
// file which changed or vanished after it was read is never overwritten.

#include <cstdint>
#include <string>

namespace morvane {

// What the file was when it was read. On Linux the fields are those of fstat (g_intMode holds the
// type and permission bits of st_mode); on Windows g_intDevice is the volume serial number,
// g_intInode the file index, g_intModifiedNs the last-write time in 100 ns units and g_intMode
// the file attributes (g_intUid and g_intGid stay 0). g_intSize is the number of bytes read.
struct TFileIdentity {
    std::uint64_t g_intDevice = 0, g_intInode = 0, g_intSize = 0;
    std::int64_t g_intModifiedNs = 0;
    std::uint32_t g_intMode = 0, g_intUid = 0, g_intGid = 0;
};

// Larger files are refused rather than read: the text model counts characters in 32 bits.
inline constexpr std::uint64_t kMaxProcessedFileSize = 1ull << 30;

// Reads a regular file whole into p_strBytes (reusing its capacity) and fills p_Identity.
// Never follows a final symbolic link (O_NOFOLLOW), never blocks on a FIFO or device
// (O_NONBLOCK, then fstat must say regular), refuses files over kMaxProcessedFileSize, and
// refuses a file whose size or modification time changed while it was being read. Throws
// TEngineError on any failure (the caller skips such files silently); p_strBytes then holds
// nothing of use. p_strNativePath is the path as the operating system takes it (on Windows: UTF-8,
// turned into UTF-16 for the wide functions). Uses FileSystemOps().
void ReadWholeFile(const std::string& p_strNativePath, std::string& p_strBytes,
                   TFileIdentity& p_Identity);

} // namespace morvane
