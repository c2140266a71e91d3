#pragma once
// Helpers shared by the task tests: an independent view of the listing order and of log pages.

#include "TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace morvane::test {

// The files under p_strDirectory (ending with "/") in the order a depth-first walk over the
// platform's listing meets them, leaving symbolic links out. Uses std::filesystem, not the
// engine, so the engine's order is checked against a second reading of the same directories.
inline void CollectWalkOrder(const std::string& p_strDirectory, bool p_IsContainSubFloder,
                             std::vector<std::string>& p_arrFiles) {
    for (const auto& m_Entry : std::filesystem::directory_iterator(p_strDirectory)) {
        const std::string m_strName = m_Entry.path().filename().string();
        if (m_Entry.is_symlink()) {
            continue;
        }
        if (m_Entry.is_directory()) {
            if (p_IsContainSubFloder) {
                CollectWalkOrder(p_strDirectory + m_strName + "/", p_IsContainSubFloder,
                                 p_arrFiles);
            }
        } else {
            p_arrFiles.push_back(p_strDirectory + m_strName);
        }
    }
}

inline std::vector<std::string> WalkOrder(const std::string& p_strDirectory,
                                          bool p_IsContainSubFloder = true) {
    std::vector<std::string> m_arrFiles;
    CollectWalkOrder(p_strDirectory, p_IsContainSubFloder, m_arrFiles);
    return m_arrFiles;
}

// A log page's lines as UTF-8, checking the mark and that every line ends with CR LF.
inline std::vector<std::string> ReadPageLines(const std::filesystem::path& p_Path) {
    std::string m_strBytes = TTempTree::ReadBytes(p_Path);
    std::vector<std::string> m_arrLines;
    EXPECT_EQ(m_strBytes.substr(0, 3), "\xEF\xBB\xBF") << p_Path;
    std::size_t m_intStart = 3;
    while (m_intStart < m_strBytes.size()) {
        const std::size_t m_intEnd = m_strBytes.find("\r\n", m_intStart);
        if (m_intEnd == std::string::npos) {
            ADD_FAILURE() << "last line without CR LF in " << p_Path;
            m_arrLines.push_back(m_strBytes.substr(m_intStart));
            break;
        }
        m_arrLines.push_back(m_strBytes.substr(m_intStart, m_intEnd - m_intStart));
        m_intStart = m_intEnd + 2;
    }
    return m_arrLines;
}

// The names in a folder, sorted, for "which files are there" checks.
inline std::vector<std::string> FolderNames(const std::filesystem::path& p_Path) {
    std::vector<std::string> m_arrNames;
    for (const auto& m_Entry : std::filesystem::directory_iterator(p_Path)) {
        m_arrNames.push_back(m_Entry.path().filename().string());
    }
    std::sort(m_arrNames.begin(), m_arrNames.end());
    return m_arrNames;
}

// Many small files quickly: "f" + zero-padded number + p_strExtension, numbered from p_intFirst,
// all with the same bytes.
inline void WriteManyFiles(const std::filesystem::path& p_Folder, int p_intFirst, int p_intCount,
                           std::string_view p_strExtension, std::string_view p_strBytes) {
    std::filesystem::create_directories(p_Folder);
    for (int m_intIndex = p_intFirst; m_intIndex < p_intFirst + p_intCount; ++m_intIndex) {
        char m_strNumber[16];
        std::snprintf(m_strNumber, sizeof m_strNumber, "%06d", m_intIndex);
        const std::string m_strPath =
            (p_Folder / ("f" + std::string(m_strNumber) + std::string(p_strExtension))).string();
        const int m_intFd = open(m_strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(m_intFd, 0) << m_strPath;
        ASSERT_EQ(write(m_intFd, p_strBytes.data(), p_strBytes.size()),
                  static_cast<ssize_t>(p_strBytes.size()));
        close(m_intFd);
    }
}

} // namespace morvane::test
