#pragma once
// The replace-mode rewrite of a user's file. The new content goes to a temporary file in the same
// folder, which then takes the file's place in one rename, so the file is never missing, empty
// or half written, whatever fails and whenever the program stops.

#include "files/u_FileRead.h"

#include <string>
#include <string_view>

namespace morvane {

// The failure reason given when the file is no longer the one that was read.
inline constexpr const char* kFileChangedSinceReadMessage = "文件在读取后已被修改或删除，未替换。";
// The failure reason given for a file with more than one name: the replacement would give this
// name a new file and leave the others with the old content.
inline constexpr const char* kFileHasHardLinksMessage =
    "文件有多个硬链接，替换会断开链接，未替换。";
// The failure reason given when another program has the file open for writing, or opens it so
// while the rewrite runs.
inline constexpr const char* kFileBeingWrittenMessage = "文件正被其他程序写入，未替换。";

// Temporary files are named kTemporaryFilePrefix, 8 random letters or digits, ".tmp". One is
// left behind only when the process dies mid-rewrite; it holds no user's data worth keeping.
inline constexpr std::string_view kTemporaryFilePrefix = ".~mv";
bool IsRewriteTemporaryName(std::string_view p_strFileName);

// Replaces the content of the file that was read (p_Original, from ReadWholeFile) with
// p_strBytes so that the file is never left damaged, half-written or lost.
//
// The file keeps its permission bits, its extended attributes (user.* always; security.*,
// system.posix_acl_* and others where the system lets the user set them) and, where the user may
// set them, its owner and group (taken from the file as it is now, once it is known to be the one
// that was read). The replacement is a new inode, so a file with more than one hard link fails
// with kFileHasHardLinksMessage. A read-only file fails, also for root. A file that is gone,
// replaced, or whose size, modification time or (not on Windows) status change time differs from
// p_Original is left alone and fails with kFileChangedSinceReadMessage.
//
// On Linux a read lease is held on the file from the first checks to the end, and the last step
// exchanges the names of the temporary file and the file (renameat2), then checks what it took
// out and exchanges back when that is not the file read. A file open for writing elsewhere, or
// opened so meanwhile, fails with kFileBeingWrittenMessage. Where leases are not permitted or
// the exchange is not supported, the checks stand alone and a plain rename follows the last one.
// Should the old content fail to be removed after the exchange, the rewrite still succeeds and it
// stays under a temporary name.
//
// Throws TEngineError whose message is the failure record's reason:
//   "Cannot create file \"<p_strDisplayPath>\". <system text>" when the file or its folder cannot
//   be written; "Stream write error" when the new content cannot be written in full; the system
//   text otherwise. On every failure the old file stays byte for byte and mode for mode, and no
//   temporary file is left (unless removing it fails too). Uses FileSystemOps().
//
// With p_IsCheckOnly (a replace preview) it makes the checks above that change nothing (still the
// file read, read-only, hard links, the trial open for writing without truncation, and on Linux
// the read lease) and returns, or throws as the rewrite would, right before the temporary file
// would be created; p_strBytes is not used then.
void SafeRewriteFile(const std::string& p_strNativePath, const std::u16string& p_strDisplayPath,
                     const TFileIdentity& p_Original, std::string_view p_strBytes,
                     bool p_IsCheckOnly = false);

} // namespace morvane
