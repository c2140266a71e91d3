#pragma once
// TTempTree: a fresh folder per test, removed afterwards, with one place to build file trees.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include <sys/stat.h>

namespace morvane::test {

class TTempTree {
public:
    TTempTree() {
        std::string m_strTemplate =
            (std::filesystem::temp_directory_path() / "morvane-test-XXXXXX").string();
        if (mkdtemp(m_strTemplate.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        g_Root = m_strTemplate;
        // World-traversable so tests that drop to another uid can still reach their files.
        std::filesystem::permissions(g_Root, std::filesystem::perms::all &
                                                 ~std::filesystem::perms::group_write &
                                                 ~std::filesystem::perms::others_write);
    }
    ~TTempTree() {
        std::error_code m_Error;
        // Files made read-only by a test must not survive it.
        for (auto m_It = std::filesystem::recursive_directory_iterator(
                 g_Root, std::filesystem::directory_options::skip_permission_denied, m_Error);
             !m_Error && m_It != std::filesystem::recursive_directory_iterator();
             m_It.increment(m_Error)) {
            if (m_It->is_directory() && !m_It->is_symlink()) {
                chmod(m_It->path().c_str(), 0755);
            }
        }
        chmod(g_Root.c_str(), 0755);
        std::filesystem::remove_all(g_Root, m_Error);
    }
    TTempTree(const TTempTree&) = delete;
    TTempTree& operator=(const TTempTree&) = delete;

    const std::filesystem::path& Root() const { return g_Root; }
    // The root as the engine takes it: ending with "/".
    std::string RootWithSlash() const { return g_Root.string() + "/"; }
    std::filesystem::path Path(std::string_view p_strRelative) const {
        return g_Root / std::filesystem::path(std::string(p_strRelative));
    }

    // Writes a file (creating its folders) with exactly these bytes.
    std::filesystem::path WriteFile(std::string_view p_strRelative, std::string_view p_strBytes) {
        const auto m_Path = Path(p_strRelative);
        std::filesystem::create_directories(m_Path.parent_path());
        std::ofstream m_Out(m_Path, std::ios::binary | std::ios::trunc);
        m_Out.write(p_strBytes.data(), static_cast<std::streamsize>(p_strBytes.size()));
        if (!m_Out) {
            throw std::runtime_error("cannot write " + m_Path.string());
        }
        return m_Path;
    }

    // Several files at once: {{"a.txt", "abc"}, {"sub/b.txt", "x"}}.
    void
    WriteFiles(std::initializer_list<std::pair<std::string_view, std::string_view>> p_arrFiles) {
        for (const auto& [m_strName, m_strBytes] : p_arrFiles) {
            WriteFile(m_strName, m_strBytes);
        }
    }

    std::filesystem::path MakeDir(std::string_view p_strRelative) {
        const auto m_Path = Path(p_strRelative);
        std::filesystem::create_directories(m_Path);
        return m_Path;
    }

    std::filesystem::path MakeSymlink(std::string_view p_strTarget,
                                      std::string_view p_strRelative) {
        const auto m_Path = Path(p_strRelative);
        std::filesystem::create_directories(m_Path.parent_path());
        std::filesystem::create_symlink(std::string(p_strTarget), m_Path);
        return m_Path;
    }

    std::string ReadFile(std::string_view p_strRelative) const {
        return ReadBytes(Path(p_strRelative));
    }

    static std::string ReadBytes(const std::filesystem::path& p_Path) {
        std::ifstream m_In(p_Path, std::ios::binary);
        if (!m_In) {
            throw std::runtime_error("cannot read " + p_Path.string());
        }
        return {std::istreambuf_iterator<char>(m_In), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path g_Root;
};

} // namespace morvane::test
