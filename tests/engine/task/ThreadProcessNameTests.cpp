// Files whose names a log line cannot hold as they are: every record, in every form the task
// gives it (page line, live row, the runner's line), carries the name escaped, one record to a
// line, and the escape leads back to the very file.

#include "FakeUi.h"
#include "TaskTestSupport.h"
#include "TempTree.h"

#include "logs/u_NameEscape.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>

namespace morvane::test {
namespace {

std::string Repeat(const std::string& p_strPiece, int p_intCount) {
    std::string m_strText;
    for (int m_intIndex = 0; m_intIndex < p_intCount; ++m_intIndex) {
        m_strText += p_strPiece;
    }
    return m_strText;
}

// Name under the tree, as bytes, and how a record must spell it.
const std::map<std::string, std::string> kOddNames = {
    {"line\nbreak.txt", "line\\nbreak.txt"},
    {"cr\rname.txt", "cr\\rname.txt"},
    {"pipe|name.txt", "pipe\\x7Cname.txt"},
    {"back\\slash.txt", "back\\\\slash.txt"},
    {"bad\xff.txt", "bad\\xFF.txt"},
    {"中文名.txt", "中文名.txt"},
    {Repeat("n", 251) + ".txt", Repeat("n", 251) + ".txt"},
    {Repeat("|\xff", 125) + "x.txt", Repeat("\\x7C\\xFF", 125) + "x.txt"},
    {"d\xfe|/in.txt", "d\\xFE\\x7C/in.txt"},
};

std::vector<std::string> SplitFields(const std::string& p_strLine) {
    std::vector<std::string> m_arrFields(1);
    for (const char m_chrByte : p_strLine) {
        if (m_chrByte == '|') {
            m_arrFields.emplace_back();
        } else {
            m_arrFields.back() += m_chrByte;
        }
    }
    return m_arrFields;
}

class ThreadProcessNames : public ::testing::Test {
protected:
    ThreadProcessNames() {
        g_Tree.MakeDir("logs");
        for (const auto& [m_strName, m_strEscaped] : kOddNames) {
            g_Tree.WriteFile("tree/" + m_strName, "a Needle\n");
        }
    }

    TTaskParameters Parameters(std::int32_t p_intMode) const {
        TTaskParameters m_Parameters;
        m_Parameters.g_intMode = p_intMode;
        m_Parameters.g_strLogsDirectory = g_Tree.Path("logs").string();
        m_Parameters.g_strDirectory = Root();
        return m_Parameters;
    }
    std::string Root() const { return g_Tree.RootWithSlash() + "tree/"; }

    // The lines the task must write, in walk order: status and reason by file name.
    std::vector<std::string> ExpectedLines(std::int32_t p_intMode,
                                           const std::map<std::string, std::string>& p_arrReasons) {
        std::vector<std::string> m_arrLines;
        for (const std::string& m_strPath : WalkOrder(Root())) {
            const std::string m_strName = m_strPath.substr(Root().size());
            const auto m_Reason = p_arrReasons.find(m_strName);
            std::string m_strLine = std::to_string(m_arrLines.size() + 1) +
                                    (m_Reason == p_arrReasons.end() ? "|成功|" : "|失败|") +
                                    "UTF8无Bom|" + Root() + g_arrEscaped.at(m_strName);
            if (p_intMode == kModeReplace) {
                m_strLine += "|" + (m_Reason == p_arrReasons.end() ? "" : m_Reason->second);
            }
            m_arrLines.push_back(m_strLine);
        }
        return m_arrLines;
    }

    // Every form of each record agrees with its page line, and its name opens the file.
    static void CheckRecordForms(TTaskHarness& p_Harness,
                                 const std::vector<std::string>& p_arrLines,
                                 std::size_t p_intFieldCount) {
        ASSERT_EQ(p_Harness.g_arrRecordLines.size(), p_arrLines.size());
        ASSERT_EQ(p_Harness.g_lvwFileList.g_arrRows.size(), p_arrLines.size());
        for (std::size_t m_intIndex = 0; m_intIndex < p_arrLines.size(); ++m_intIndex) {
            const std::vector<std::string> m_arrFields = SplitFields(p_arrLines[m_intIndex]);
            ASSERT_EQ(m_arrFields.size(), p_intFieldCount) << p_arrLines[m_intIndex];
            EXPECT_EQ(Utf16ToUtf8(p_Harness.g_arrRecordLines[m_intIndex]), p_arrLines[m_intIndex]);
            const auto& m_arrCells = p_Harness.g_lvwFileList.g_arrRows[m_intIndex].g_arrSubItems;
            ASSERT_EQ(m_arrCells.size(), p_intFieldCount);
            for (std::size_t m_intField = 1; m_intField < p_intFieldCount; ++m_intField) {
                EXPECT_EQ(Utf16ToUtf8(m_arrCells[m_intField]), m_arrFields[m_intField]);
            }
            struct stat m_Stat {};
            EXPECT_EQ(stat(UnescapeName(Utf8ToUtf16Lenient(m_arrFields[3])).c_str(), &m_Stat), 0)
                << m_arrFields[3];
        }
    }

    TTempTree g_Tree;
    std::map<std::string, std::string> g_arrEscaped = kOddNames;
};

TEST_F(ThreadProcessNames, FindModeEscapesEveryOddName) {
    TTaskHarness m_Harness(Parameters(kModeFind));
    m_Harness.Run();

    const std::vector<std::string> m_arrLines = ReadPageLines(g_Tree.Path("logs/000001.txt"));
    EXPECT_EQ(m_arrLines, ExpectedLines(kModeFind, {}));
    CheckRecordForms(m_Harness, m_arrLines, 4);
}

TEST_F(ThreadProcessNames, ReplaceModeRewritesEveryOddNameAndEscapesItsReason) {
    const std::string m_strLocked = "ro|\\\n.txt";
    g_arrEscaped[m_strLocked] = "ro\\x7C\\\\\\n.txt";
    const auto m_LockedPath = g_Tree.WriteFile("tree/" + m_strLocked, "a Needle\n");
    ASSERT_EQ(chmod(m_LockedPath.c_str(), 0444), 0);
    TTaskHarness m_Harness(Parameters(kModeReplace));
    m_Harness.Run();

    for (const auto& [m_strName, m_strEscaped] : kOddNames) {
        EXPECT_EQ(g_Tree.ReadFile("tree/" + m_strName), "a pin\n") << m_strEscaped;
    }
    EXPECT_EQ(g_Tree.ReadFile("tree/" + m_strLocked), "a Needle\n");
    const std::vector<std::string> m_arrLines = ReadPageLines(g_Tree.Path("logs/000001.txt"));
    ASSERT_EQ(m_arrLines.size(), kOddNames.size() + 1);
    // The reason quotes the name as the path field spells it: one escape over the whole text.
    std::string m_strReason;
    for (const std::string& m_strLine : m_arrLines) {
        const std::vector<std::string> m_arrFields = SplitFields(m_strLine);
        if (m_arrFields.size() == 5 && m_arrFields[1] == "失败") {
            m_strReason = m_arrFields[4];
        }
    }
    const std::string m_strQuoted =
        "Cannot create file \"" + Root() + g_arrEscaped.at(m_strLocked) + "\". ";
    EXPECT_TRUE(m_strReason.starts_with(m_strQuoted)) << m_strReason;
    auto m_arrExpected = ExpectedLines(kModeReplace, {{m_strLocked, m_strReason}});
    EXPECT_EQ(m_arrLines, m_arrExpected);
    CheckRecordForms(m_Harness, m_arrLines, 5);
}

} // namespace
} // namespace morvane::test
