#pragma once
// Names of parameterized cases. ctest lists every case under its name, so the name must read as
// what the case checks and must be the same in every build: left to itself GoogleTest numbers the
// cases, and ctest then shows the printed bytes of the case's struct, which change from build to
// build.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace morvane::test {

// What GoogleTest accepts in a name: letters, digits and '_'. Every other byte, each byte of a
// UTF-8 character included, becomes '_'; an empty text becomes "Unnamed" so that the duplicate
// check of GoogleTest, not an empty name, reports a table that forgot its names.
inline std::string CaseName(std::string_view p_strText) {
    std::string m_strName;
    m_strName.reserve(p_strText.size());
    for (const char m_chrByte : p_strText) {
        const bool m_IsKept = (m_chrByte >= 'a' && m_chrByte <= 'z') ||
                              (m_chrByte >= 'A' && m_chrByte <= 'Z') ||
                              (m_chrByte >= '0' && m_chrByte <= '9') || m_chrByte == '_';
        m_strName += m_IsKept ? m_chrByte : '_';
    }
    return m_strName.empty() ? std::string("Unnamed") : m_strName;
}

// The generator for case tables whose struct names each case in its g_strName field.
struct TCaseNameFromName {
    template <class TCase>
    std::string operator()(const ::testing::TestParamInfo<TCase>& p_Info) const {
        return CaseName(p_Info.param.g_strName);
    }
};

} // namespace morvane::test
