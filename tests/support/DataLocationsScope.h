#pragma once
// TDataLocationsScope: one test's program folder, portable by default, with the XDG variables
// pointed into a temporary folder of its own, so that no test ever writes to the real home. The
// program folder override, the marker and the variables are restored afterwards.

#include "TempTree.h"
#include "files/u_ProgramFolder.h"

#include <cstdlib>
#include <optional>
#include <string>

namespace morvane::test {

class TDataLocationsScope {
public:
    explicit TDataLocationsScope(TTempTree& p_ProgramFolder)
        : g_ProgramFolder(p_ProgramFolder), g_strOldConfig(Get("XDG_CONFIG_HOME")),
          g_strOldState(Get("XDG_STATE_HOME")) {
        const std::string m_strRoot = p_ProgramFolder.RootWithSlash();
        SetProgramFolderOverride(std::u16string(m_strRoot.begin(), m_strRoot.end()));
        setenv("XDG_CONFIG_HOME", g_Home.Path("config").c_str(), 1);
        setenv("XDG_STATE_HOME", g_Home.Path("state").c_str(), 1);
        SetPortable(true);
    }
    ~TDataLocationsScope() {
        SetProgramFolderOverride(std::u16string());
        Restore("XDG_CONFIG_HOME", g_strOldConfig);
        Restore("XDG_STATE_HOME", g_strOldState);
    }
    TDataLocationsScope(const TDataLocationsScope&) = delete;
    TDataLocationsScope& operator=(const TDataLocationsScope&) = delete;

    void SetPortable(bool p_IsPortable) {
        if (p_IsPortable) {
            g_ProgramFolder.WriteFile("portable", "");
        } else {
            std::filesystem::remove(g_ProgramFolder.Path("portable"));
        }
    }
    // Where an installed program's settings and logs go in this test.
    TTempTree& Home() { return g_Home; }

private:
    static std::optional<std::string> Get(const char* p_strName) {
        const char* m_strValue = std::getenv(p_strName);
        return m_strValue != nullptr ? std::optional<std::string>(m_strValue) : std::nullopt;
    }
    static void Restore(const char* p_strName, const std::optional<std::string>& p_strValue) {
        if (p_strValue) {
            setenv(p_strName, p_strValue->c_str(), 1);
        } else {
            unsetenv(p_strName);
        }
    }

    TTempTree& g_ProgramFolder;
    TTempTree g_Home;
    std::optional<std::string> g_strOldConfig;
    std::optional<std::string> g_strOldState;
};

} // namespace morvane::test
