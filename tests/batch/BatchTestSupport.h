#pragma once
// Shared pieces of the morvane-batch tests: the programs under test, a tree with a logs folder
// beside it, and reading back what a run left.

#include "ChildProcess.h"
#include "TempTree.h"
#include "logs/u_LogPage.h"
#include "text/u_TextConvert.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace morvane::test {

inline const std::string kBatchProgram = MORVANE_BATCH_EXECUTABLE;
inline const std::string kBatchFakeProgram = MORVANE_BATCH_FAKE_EXECUTABLE;

// The text split at LF; a final LF starts no further line.
inline std::vector<std::string> SplitLf(const std::string& p_strText) {
    std::vector<std::string> m_arrLines;
    std::size_t m_intStart = 0;
    while (m_intStart < p_strText.size()) {
        const std::size_t m_intEnd = p_strText.find('\n', m_intStart);
        if (m_intEnd == std::string::npos) {
            m_arrLines.push_back(p_strText.substr(m_intStart));
            break;
        }
        m_arrLines.push_back(p_strText.substr(m_intStart, m_intEnd - m_intStart));
        m_intStart = m_intEnd + 1;
    }
    return m_arrLines;
}

// A folder with the files to search in "tree" and the logs in "logs" (not created beforehand).
class TBatchTree {
public:
    TTempTree g_Tree;

    std::string TreeDir() const { return g_Tree.Path("tree").string(); }
    std::string LogsDir() const { return g_Tree.Path("logs").string(); }
    void Write(const std::string& p_strRelative, const std::string& p_strBytes) {
        g_Tree.WriteFile("tree/" + p_strRelative, p_strBytes);
    }
    std::string Read(const std::string& p_strRelative) const {
        return g_Tree.ReadFile("tree/" + p_strRelative);
    }

    // The arguments of a run over the tree with the logs folder given; DIRECTORY comes last.
    std::vector<std::string> Arguments(std::vector<std::string> p_arrOptions) const {
        p_arrOptions.push_back("--logs-dir");
        p_arrOptions.push_back(LogsDir());
        p_arrOptions.push_back(TreeDir());
        return p_arrOptions;
    }

    // Every file under the folder with its bytes: a run that must touch nothing leaves it equal.
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> m_arrFiles;
        for (const auto& m_Entry : std::filesystem::recursive_directory_iterator(g_Tree.Root())) {
            if (m_Entry.is_regular_file()) {
                m_arrFiles[m_Entry.path().string()] = TTempTree::ReadBytes(m_Entry.path());
            }
        }
        return m_arrFiles;
    }
};

// The lines of all log pages of a task log folder, page after page, in UTF-8.
inline std::vector<std::string> ReadAllPageLines(const std::string& p_strTaskFolder) {
    std::vector<std::string> m_arrLines;
    for (std::int32_t m_intPage = 1;; ++m_intPage) {
        std::vector<std::u16string> m_arrPage;
        if (!ReadLogPageFile(LogPageFileName(Utf8ToUtf16Lenient(p_strTaskFolder), m_intPage),
                             m_arrPage)) {
            return m_arrLines;
        }
        for (const std::u16string& m_strLine : m_arrPage) {
            m_arrLines.push_back(Utf16ToUtf8(m_strLine));
        }
    }
}

// The task log folder that a run names on the last line of its stderr.
inline std::string TaskFolderOf(const TChildResult& p_Result) {
    const std::vector<std::string> m_arrLines = SplitLf(p_Result.g_strStderr);
    return m_arrLines.empty() ? std::string() : m_arrLines.back();
}

} // namespace morvane::test
