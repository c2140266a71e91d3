#include "logs/u_LogPage.h"

#include "core/u_Types.h"
#include "files/u_FileSystemOps.h"
#include "files/u_TemporaryFiles.h"
#include "text/u_LineModel.h"
#include "text/u_TextConvert.h"

#include <atomic>
#include <cstdio>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace morvane {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Distinguishes the temporary files of pages written at the same moment by one process.
std::atomic<unsigned> g_intTemporaryCounter{0};

std::string PageContent(const std::vector<std::u16string>& p_arrLines) {
    std::string m_strContent(kUtf8Mark);
    for (const auto& m_strLine : p_arrLines) {
        m_strContent += Utf16ToUtf8(m_strLine);
        m_strContent += "\r\n";
    }
    return m_strContent;
}

[[noreturn]] void ThrowPageError(const char* p_strWhat, const std::u16string& p_strFileName,
                                 const std::string& p_strReason) {
    throw TEngineError(std::string(p_strWhat) + " \"" + Utf16ToUtf8(p_strFileName) + "\". " +
                       p_strReason);
}

// The lines of a page file's bytes: a leading mark skipped, read by the same line rule as files.
void AppendPageLines(std::string_view p_strBytes, std::vector<std::u16string>& p_arrLines) {
    if (p_strBytes.starts_with(kUtf8Mark)) {
        p_strBytes.remove_prefix(kUtf8Mark.size());
    }
    const std::u16string m_strText = Utf8ToUtf16Lenient(p_strBytes);
    for (const std::u16string_view m_strLine : SplitLines(m_strText)) {
        p_arrLines.emplace_back(m_strLine);
    }
}

#ifdef _WIN32

std::wstring ToWide(std::u16string_view p_strText) {
    return std::wstring(p_strText.begin(), p_strText.end());
}

#else

// Makes the rename itself durable. Best effort: the page is complete either way.
void SyncParentFolder(const std::string& p_strFileName) {
    const std::size_t m_intSlash = p_strFileName.rfind('/');
    const std::string m_strFolder = m_intSlash == std::string::npos
                                        ? std::string(".")
                                        : p_strFileName.substr(0, m_intSlash + 1);
    const int m_intFd = open(m_strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_intFd >= 0) {
        fsync(m_intFd);
        close(m_intFd);
    }
}

#endif

} // namespace

std::u16string BuildLogLine(std::int32_t p_intMode, std::int32_t p_intSequence,
                            const std::u16string& p_strStatus,
                            const std::u16string& p_strEncodingName,
                            const std::u16string& p_strFileName,
                            const std::u16string& p_strErrorMessage) {
    std::u16string m_strLine = IntToText(p_intSequence);
    m_strLine.reserve(m_strLine.size() + p_strStatus.size() + p_strEncodingName.size() +
                      p_strFileName.size() + p_strErrorMessage.size() + 4);
    m_strLine += u'|';
    m_strLine += p_strStatus;
    m_strLine += u'|';
    m_strLine += p_strEncodingName;
    m_strLine += u'|';
    m_strLine += p_strFileName;
    // Find mode has a reason only for a file that could not be read.
    if (p_intMode == 1 || !p_strErrorMessage.empty()) {
        m_strLine += u'|';
        m_strLine += p_strErrorMessage;
    }
    return m_strLine;
}

std::u16string LogPageFileName(const std::u16string& p_strLogsDirectory, std::int32_t p_intPage) {
    char m_strNumber[16];
    std::snprintf(m_strNumber, sizeof m_strNumber, "%.6d", static_cast<int>(p_intPage));
    std::u16string m_strName = p_strLogsDirectory;
    m_strName += u'/';
    for (const char* m_chrDigit = m_strNumber; *m_chrDigit != '\0'; ++m_chrDigit) {
        m_strName += static_cast<char16_t>(*m_chrDigit);
    }
    m_strName += u".txt";
    return m_strName;
}

#ifdef _WIN32

void WriteLogPageFile(const std::u16string& p_strFileName,
                      const std::vector<std::u16string>& p_arrLines, bool p_IsDurable) {
    const std::string m_strContent = PageContent(p_arrLines);
    const std::wstring m_strTarget = ToWide(p_strFileName);
    std::wstring m_strTemporary;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    for (int m_intAttempt = 0; m_intAttempt < 100 && m_hFile == INVALID_HANDLE_VALUE;
         ++m_intAttempt) {
        m_strTemporary = m_strTarget + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
                         std::to_wstring(g_intTemporaryCounter.fetch_add(1)) + L".tmp";
        m_hFile = CreateFileW(m_strTemporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_hFile == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    if (m_hFile == INVALID_HANDLE_VALUE) {
        ThrowPageError("Cannot create file", p_strFileName,
                       SystemErrorText(static_cast<int>(GetLastError())));
    }
    const char* m_Data = m_strContent.data();
    std::size_t m_intLeft = m_strContent.size();
    DWORD m_intError = 0;
    while (m_intLeft > 0 && m_intError == 0) {
        const DWORD m_intChunk =
            m_intLeft > 0x40000000 ? 0x40000000 : static_cast<DWORD>(m_intLeft);
        DWORD m_intWritten = 0;
        if (!WriteFile(m_hFile, m_Data, m_intChunk, &m_intWritten, nullptr) || m_intWritten == 0) {
            m_intError = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
        }
        m_Data += m_intWritten;
        m_intLeft -= m_intWritten;
    }
    if (m_intError == 0 && p_IsDurable && !FlushFileBuffers(m_hFile)) {
        m_intError = GetLastError();
    }
    CloseHandle(m_hFile);
    if (m_intError != 0) {
        DeleteFileW(m_strTemporary.c_str());
        ThrowPageError("Cannot write file", p_strFileName,
                       SystemErrorText(static_cast<int>(m_intError)));
    }
    if (!MoveFileExW(m_strTemporary.c_str(), m_strTarget.c_str(),
                     MOVEFILE_REPLACE_EXISTING | (p_IsDurable ? MOVEFILE_WRITE_THROUGH : 0))) {
        m_intError = GetLastError();
        DeleteFileW(m_strTemporary.c_str());
        ThrowPageError("Cannot create file", p_strFileName,
                       SystemErrorText(static_cast<int>(m_intError)));
    }
}

bool ReadLogPageFile(const std::u16string& p_strFileName, std::vector<std::u16string>& p_arrLines) {
    p_arrLines.clear();
    HANDLE m_hFile = CreateFileW(ToWide(p_strFileName).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::string m_strBytes;
    char m_Buffer[65536];
    DWORD m_intRead = 0;
    bool m_IsOk = true;
    for (;;) {
        if (!ReadFile(m_hFile, m_Buffer, sizeof m_Buffer, &m_intRead, nullptr)) {
            m_IsOk = false;
            break;
        }
        if (m_intRead == 0) {
            break;
        }
        m_strBytes.append(m_Buffer, m_intRead);
    }
    CloseHandle(m_hFile);
    if (!m_IsOk) {
        return false;
    }
    AppendPageLines(m_strBytes, p_arrLines);
    return true;
}

#else

namespace {

// Creates the page's temporary file beside it, registered in TTemporaryFiles (which an immediate
// exit empties) under p_intSlot; a name taken by another writer is passed over.
int CreatePageTemporary(const std::u16string& p_strFileName, const std::string& p_strTarget,
                        std::string& p_strTemporary, int& p_intSlot) {
    int m_intFd = -1;
    for (int m_intAttempt = 0; m_intAttempt < 100 && m_intFd < 0; ++m_intAttempt) {
        p_strTemporary = p_strTarget + "." + std::to_string(getpid()) + "." +
                         std::to_string(g_intTemporaryCounter.fetch_add(1)) + ".tmp";
        m_intFd = TTemporaryFiles::Process().CreateAt(
            AT_FDCWD, p_strTemporary.c_str(),
            [&] {
                return open(p_strTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            },
            p_intSlot);
        if (m_intFd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (m_intFd < 0) {
        ThrowPageError("Cannot create file", p_strFileName, SystemErrorText(errno));
    }
    return m_intFd;
}

// Writes all of p_strContent; 0, or the error that stopped it.
int WriteWholeContent(int p_intFd, const std::string& p_strContent) {
    const char* m_Data = p_strContent.data();
    std::size_t m_intLeft = p_strContent.size();
    while (m_intLeft > 0) {
        const ssize_t m_intWritten = write(p_intFd, m_Data, m_intLeft);
        if (m_intWritten < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (m_intWritten == 0) {
            return EIO;
        }
        m_Data += m_intWritten;
        m_intLeft -= static_cast<std::size_t>(m_intWritten);
    }
    return 0;
}

} // namespace

void WriteLogPageFile(const std::u16string& p_strFileName,
                      const std::vector<std::u16string>& p_arrLines, bool p_IsDurable) {
    const std::string m_strContent = PageContent(p_arrLines);
    const std::string m_strTarget = Utf16ToUtf8(p_strFileName);
    std::string m_strTemporary;
    int m_intSlot = -1;
    const int m_intFd = CreatePageTemporary(p_strFileName, m_strTarget, m_strTemporary, m_intSlot);
    int m_intError = WriteWholeContent(m_intFd, m_strContent);
    // A durable page: the rename below must never put one in place whose bytes are not on disk.
    if (m_intError == 0 && p_IsDurable && fsync(m_intFd) != 0) {
        m_intError = errno;
    }
    if (close(m_intFd) != 0 && m_intError == 0) {
        m_intError = errno;
    }
    if (m_intError != 0) {
        unlink(m_strTemporary.c_str());
        TTemporaryFiles::Process().Forget(m_intSlot);
        ThrowPageError("Cannot write file", p_strFileName,
                       SystemErrorText(static_cast<int>(m_intError)));
    }
    if (rename(m_strTemporary.c_str(), m_strTarget.c_str()) != 0) {
        m_intError = errno;
        unlink(m_strTemporary.c_str());
        TTemporaryFiles::Process().Forget(m_intSlot);
        ThrowPageError("Cannot create file", p_strFileName,
                       SystemErrorText(static_cast<int>(m_intError)));
    }
    TTemporaryFiles::Process().Forget(m_intSlot);
    if (p_IsDurable) {
        SyncParentFolder(m_strTarget);
    }
}

bool ReadLogPageFile(const std::u16string& p_strFileName, std::vector<std::u16string>& p_arrLines) {
    p_arrLines.clear();
    // O_NONBLOCK: a FIFO under a page's name must not hang the pager; it is refused below.
    const int m_intFd = open(Utf16ToUtf8(p_strFileName).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_intFd < 0) {
        return false;
    }
    struct stat m_Stat {};
    if (fstat(m_intFd, &m_Stat) != 0 || !S_ISREG(m_Stat.st_mode)) {
        close(m_intFd);
        return false;
    }
    std::string m_strBytes;
    char m_Buffer[65536];
    bool m_IsOk = true;
    for (;;) {
        const ssize_t m_intRead = read(m_intFd, m_Buffer, sizeof m_Buffer);
        if (m_intRead < 0) {
            if (errno == EINTR) {
                continue;
            }
            m_IsOk = false;
            break;
        }
        if (m_intRead == 0) {
            break;
        }
        m_strBytes.append(m_Buffer, static_cast<std::size_t>(m_intRead));
    }
    close(m_intFd);
    if (!m_IsOk) {
        return false;
    }
    AppendPageLines(m_strBytes, p_arrLines);
    return true;
}

#endif

} // namespace morvane
