#include "u_ThreadProcess.h"

#include "u_DirectoryListing.h"
#include "u_ExtensionFilter.h"
#include "u_LineModel.h"
#include "u_LogPage.h"
#include "u_SafeRewrite.h"
#include "u_TextConvert.h"
#include "u_TextMatch.h"

#include <exception>
#include <utility>

namespace morvane {

namespace {

constexpr std::int32_t kPageSize = 5000;
const std::u16string kStatusSuccess = u"成功";
const std::u16string kStatusFailure = u"失败";

} // namespace

TThreadProcess::TThreadProcess(std::int32_t p_intMode, std::u16string p_strLogsDirectory,
                               std::u16string p_strDirectory, std::int32_t p_intEncoding,
                               std::u16string p_strOldText, std::u16string p_strNewText,
                               std::u16string p_strExtension, bool p_IsContainSubFloder,
                               bool p_IsMatchCase)
    : g_intMode(p_intMode), g_strLogsDirectory(std::move(p_strLogsDirectory)),
      g_strDirectory(std::move(p_strDirectory)), g_intEncoding(p_intEncoding),
      // From here on the find text arrives at ProcessFile already folded when case is ignored.
      g_strOldText(p_IsMatchCase ? std::move(p_strOldText) : AsciiUpperCase(p_strOldText)),
      g_strNewText(std::move(p_strNewText)), g_strExtension(AsciiUpperCase(p_strExtension)),
      g_IsContainSubFloder(p_IsContainSubFloder), g_IsMatchCase(p_IsMatchCase) {
    SetPriority(TThreadPriority::Highest);
    SetFreeOnTerminate(false);
}

// The body reads this object's members until its last hand-off: it must have ended before they
// go. The owner destroys the object only once the completion callback has returned, so this
// join does not wait for the user-interface thread.
TThreadProcess::~TThreadProcess() {
    WaitFor();
}

void TThreadProcess::Execute() {
    g_intSearchFileCount = 0;
    g_intMatchingFileCount = 0;
    g_intReplaceSuccessFileCount = 0;
    g_intReplaceFailureFileCount = 0;
    g_intPageSize = kPageSize;
    g_intListViewFilePosition = 0;
    g_intLogsFilePosition = 0;
    g_arrProcessLogs.clear();
    g_arrProcessLogs.reserve(static_cast<std::size_t>(g_intPageSize));

    // An error that escapes the walk (a page that cannot be written, a failed hand-off) must
    // still end the task with the completion callback: the result window leaves its running
    // state only through it.
    try {
        ProcessDirectory(Utf16ToUtf8(g_strDirectory), g_strDirectory);
        if (!g_arrProcessLogs.empty()) {
            WriteLogPage(g_intPageCount);
        }
    } catch (const std::exception& m_Error) {
        AbandonTask(Utf8ToUtf16Lenient(m_Error.what()));
    } catch (...) {
        AbandonTask(u"Unknown error");
    }

    std::vector<std::u16string>().swap(g_arrProcessLogs);
    std::string().swap(g_strFileBytes);
    std::u16string().swap(g_DecodedText.g_strText);
    std::u16string().swap(g_strText);

    g_IsCompleted.store(true);
    if (g_doCheckCompletedCallBackProcedure) {
        Synchronize([this] { g_doCheckCompletedCallBackProcedure(); });
    }
}

void TThreadProcess::AbandonTask(const std::u16string& p_strErrorMessage) {
    g_strErrorMessage = p_strErrorMessage.empty() ? u"Unknown error" : p_strErrorMessage;
    if (g_arrProcessLogs.empty()) {
        return;
    }
    // The page that holds the buffered lines, counted from the last sequence number: the error
    // may have struck before the page count was brought up to date.
    const std::int32_t m_intPage = (g_intLogsFilePosition - 1) / g_intPageSize + 1;
    try {
        WriteLogPage(m_intPage);
    } catch (...) {
        // The first error is the one reported; the lines of this page are lost.
    }
}

void TThreadProcess::ProcessDirectory(const std::string& p_strNativeDirectory,
                                      const std::u16string& p_strDirectory) {
    if (g_IsStoped.load()) {
        return;
    }
    TDirectoryListing m_Listing(p_strNativeDirectory);
    if (g_intMode != kModeReplace) {
        while (m_Listing.Next()) {
            if (!ProcessDirectoryEntry(p_strNativeDirectory, p_strDirectory, m_Listing.EntryName(),
                                       m_Listing.IsDirectory())) {
                break;
            }
        }
        return;
    }
    // A rewrite renames a new file onto the old name. Some file systems then list that name
    // again later in the same listing, which would replace in the file a second time; so in
    // replace mode the folder's entries are taken first, in the listing's order, and handled
    // afterwards.
    std::vector<std::pair<std::string, bool>> m_arrEntries;
    while (m_Listing.Next()) {
        m_arrEntries.emplace_back(m_Listing.EntryName(), m_Listing.IsDirectory());
    }
    for (const auto& [m_strEntryName, m_IsDirectory] : m_arrEntries) {
        if (!ProcessDirectoryEntry(p_strNativeDirectory, p_strDirectory, m_strEntryName,
                                   m_IsDirectory)) {
            break;
        }
    }
}

bool TThreadProcess::ProcessDirectoryEntry(const std::string& p_strNativeDirectory,
                                           const std::u16string& p_strDirectory,
                                           const std::string& p_strEntryName, bool p_IsDirectory) {
    if (p_IsDirectory) {
        if (g_IsContainSubFloder) {
            ProcessDirectory(p_strNativeDirectory + p_strEntryName + '/',
                             p_strDirectory + Utf8ToUtf16Lenient(p_strEntryName) + u'/');
        }
    } else {
        ++g_intSearchFileCount;
        UpdateProgressPosition(g_intSearchFileCount);
        const std::u16string m_strName = Utf8ToUtf16Lenient(p_strEntryName);
        if (PassesExtensionFilter(m_strName, g_strExtension)) {
            g_strNativeFileName.assign(p_strNativeDirectory).append(p_strEntryName);
            g_strFileName.assign(p_strDirectory).append(m_strName);
            ProcessFile(g_intMode, g_strNativeFileName, g_strFileName, g_intEncoding, g_strOldText,
                        g_strNewText, g_IsMatchCase);
        }
    }
    return !g_IsStoped.load();
}

void TThreadProcess::ProcessFile(std::int32_t p_intMode, const std::string& p_strNativeFileName,
                                 const std::u16string& p_strFileName, std::int32_t p_intEncoding,
                                 const std::u16string& p_strOldText,
                                 const std::u16string& p_strNewText, bool p_IsMatchCase) {
    if (p_intEncoding != kEncodingAuto &&
        (p_intEncoding < kEncodingAnsi || p_intEncoding > kEncodingUtf16LE)) {
        return;
    }
    TEncodingCode m_intEncoding = kEncodingAuto;
    // Whatever goes wrong before the match test only means this file is not processed: it is
    // neither reported nor counted.
    try {
        ReadWholeFile(p_strNativeFileName, g_strFileBytes, g_FileIdentity);
        m_intEncoding = p_intEncoding != kEncodingAuto
                            ? static_cast<TEncodingCode>(p_intEncoding)
                            : DetectEncoding(g_strFileBytes, p_strFileName);
        if (m_intEncoding < kEncodingAnsi || m_intEncoding > kEncodingUtf16LE) {
            return;
        }
        if (!DecodeFileBytes(m_intEncoding, g_strFileBytes, g_DecodedText)) {
            return;
        }
        g_strText = NormalizeLineBreaks(g_DecodedText.g_strText);
        if (g_strText.empty() || !ContainsFindText(g_strText, p_strOldText, p_IsMatchCase)) {
            return;
        }
    } catch (const std::exception&) {
        return;
    }

    ++g_intMatchingFileCount;
    // Only replace mode exactly ever writes; any other mode number only reports.
    if (p_intMode != kModeReplace) {
        UpdateProcessFile(p_strFileName, m_intEncoding, kStatusSuccess, std::u16string());
        return;
    }

    // The record is made outside the guarded block: an error of the record itself (a log page
    // that cannot be written) is not this file's failure and must reach Execute.
    const std::u16string* m_strStatus = &kStatusSuccess;
    std::u16string m_strErrorMessage;
    try {
        // Refuses files that the line model cannot carry back unchanged (U+0000, an odd UTF-16
        // byte, ANSI bytes that do not survive the round trip) before anything is written.
        EnsureSafeToRewrite(m_intEncoding, g_strFileBytes, g_DecodedText);
        const std::u16string m_strNewText = NormalizeLineBreaks(
            ReplaceAllOccurrences(g_strText, p_strOldText, p_strNewText, p_IsMatchCase));
        const std::string m_strBytes = EncodeFileText(m_intEncoding, m_strNewText);
        SafeRewriteFile(p_strNativeFileName, p_strFileName, g_FileIdentity, m_strBytes);
        ++g_intReplaceSuccessFileCount;
    } catch (const std::exception& m_Error) {
        ++g_intReplaceFailureFileCount;
        m_strStatus = &kStatusFailure;
        m_strErrorMessage = Utf8ToUtf16Lenient(m_Error.what());
    }
    UpdateProcessFile(p_strFileName, m_intEncoding, *m_strStatus, m_strErrorMessage);
}

void TThreadProcess::UpdateProcessFile(const std::u16string& p_strFileName,
                                       TEncodingCode p_intEncoding,
                                       const std::u16string& p_strStatus,
                                       const std::u16string& p_strErrorMessage) {
    ++g_intListViewFilePosition;
    const std::u16string m_strEncodingName = GetEncodingName(p_intEncoding);

    // The live list holds page 1 only; later records are reached through the pager.
    if (g_intListViewFilePosition <= g_intPageSize && g_lvwFileList != nullptr) {
        // Synchronize waits, so the references stay valid while the row is built.
        Synchronize([&] {
            std::vector<std::u16string> m_arrSubItems;
            m_arrSubItems.reserve(5);
            m_arrSubItems.push_back(IntToText(g_lvwFileList->RowCount() + 1));
            m_arrSubItems.push_back(p_strStatus);
            m_arrSubItems.push_back(m_strEncodingName);
            m_arrSubItems.push_back(p_strFileName);
            if (g_intMode == kModeReplace) {
                m_arrSubItems.push_back(p_strErrorMessage);
            }
            g_lvwFileList->AddRow(std::u16string(), p_strStatus == kStatusSuccess ? 0 : 1,
                                  m_arrSubItems);
        });
    }

    ++g_intLogsFilePosition;
    g_arrProcessLogs.push_back(BuildLogLine(g_intMode, g_intLogsFilePosition, p_strStatus,
                                            m_strEncodingName, p_strFileName, p_strErrorMessage));
    if (g_doProcessRecordCallBackProcedure) {
        g_doProcessRecordCallBackProcedure(g_arrProcessLogs.back());
    }

    if (static_cast<std::int32_t>(g_arrProcessLogs.size()) % g_intPageSize == 0) {
        // Still the page count from before this record: the number of the page just filled.
        WriteLogPage(g_intPageCount);
        g_arrProcessLogs.clear();
    }

    g_intPageCount = g_intMatchingFileCount / g_intPageSize +
                     (g_intMatchingFileCount % g_intPageSize != 0 ? 1 : 0);

    if (g_doUpdatePagerInfoCallBackProcedure) {
        Synchronize([this] {
            g_doUpdatePagerInfoCallBackProcedure(g_intMatchingFileCount, g_intPageSize,
                                                 g_intPageCount);
        });
    }
}

// One hand-off per file met. Kept in one place so that it can later be coalesced.
void TThreadProcess::UpdateProgressPosition(std::int32_t p_intSearchFileCount) {
    if (g_pgrProgress == nullptr) {
        return;
    }
    Synchronize([this, p_intSearchFileCount] { g_pgrProgress->SetPosition(p_intSearchFileCount); });
}

void TThreadProcess::WriteLogPage(std::int32_t p_intPageNumber) {
    WriteLogPageFile(LogPageFileName(g_strLogsDirectory, p_intPageNumber), g_arrProcessLogs);
}

} // namespace morvane
