// The command line of morvane-batch: what it turns into task parameters, and the checks it
// makes in the main window's order with the main window's messages.

#include "TempTree.h"
#include "core/u_Types.h"
#include "u_BatchOptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace morvane {
namespace {

using test::TTempTree;

constexpr const char* kDirectoryMissing = "文件路径不存在，请重新选择路径！";
constexpr const char* kFindTextEmpty = "请输入需要进行查找的文字！";
constexpr const char* kSameText = "替换文字不能与查找文字相同！";
constexpr const char* kNoExtension = "请选择文件格式！";

class BatchOptions : public ::testing::Test {
protected:
    // Placeholders in the argument tables: "DIR" the existing folder (followed by whatever the
    // argument adds), "FILE" a regular file.
    std::vector<std::string> Expand(std::vector<std::string> p_arrArguments) const {
        for (std::string& m_strArgument : p_arrArguments) {
            if (m_strArgument.starts_with("DIR")) {
                m_strArgument = g_Tree.Root().string() + m_strArgument.substr(3);
            } else if (m_strArgument == "FILE") {
                m_strArgument = g_Tree.Path("plain.txt").string();
            }
        }
        return p_arrArguments;
    }
    TBatchParseResult Parse(std::vector<std::string> p_arrArguments) const {
        return ParseBatchOptions(Expand(std::move(p_arrArguments)));
    }
    std::u16string RootWithSlash() const { return Utf8(g_Tree.RootWithSlash()); }
    static std::u16string Utf8(const std::string& p_strText) {
        return std::u16string(p_strText.begin(), p_strText.end()); // ASCII temp paths only
    }

    void SetUp() override { g_Tree.WriteFile("plain.txt", "x"); }

    TTempTree g_Tree;
};

TEST_F(BatchOptions, DefaultsAreAFindTaskWithSubfoldersIgnoringCase) {
    const TBatchParseResult m_Result = Parse({"--find", "abc", "--ext", "*.txt", "DIR"});
    ASSERT_EQ(m_Result.g_strErrorMessage, "");
    const TBatchOptions& m_Options = m_Result.g_Options;
    EXPECT_EQ(m_Options.g_Task.g_intMode, kModeFind);
    EXPECT_EQ(m_Options.g_Task.g_strLogsFileDirectory, u"");
    EXPECT_EQ(m_Options.g_Task.g_strDirectory, RootWithSlash());
    EXPECT_EQ(m_Options.g_Task.g_intEncoding, 0);
    EXPECT_EQ(m_Options.g_Task.g_strOldText, u"abc");
    EXPECT_EQ(m_Options.g_Task.g_strNewText, u"");
    EXPECT_EQ(m_Options.g_Task.g_strExtension, u"*.TXT|");
    EXPECT_TRUE(m_Options.g_Task.g_IsContainSubFloder);
    EXPECT_FALSE(m_Options.g_Task.g_IsMatchCase);
    EXPECT_EQ(m_Options.g_intAnsiCodePage, 0);
    EXPECT_FALSE(m_Options.g_IsConfirmed);
    EXPECT_FALSE(m_Options.g_IsQuiet);
    EXPECT_FALSE(m_Options.g_IsHelp);
}

TEST_F(BatchOptions, EveryOptionReachesItsParameter) {
    const TBatchParseResult m_Result = Parse({"--mode",
                                              "replace",
                                              "--find=Old",
                                              "--replace",
                                              "New",
                                              "--ext",
                                              "*.txt",
                                              "--ext=*.Htm",
                                              "--ext",
                                              "*.ä",
                                              "--encoding",
                                              "utf16le",
                                              "--no-subfolders",
                                              "--match-case",
                                              "--logs-dir",
                                              "/var/tmp/mv logs",
                                              "--ansi-codepage",
                                              "CP936",
                                              "--yes",
                                              "--quiet",
                                              "DIR/"});
    ASSERT_EQ(m_Result.g_strErrorMessage, "");
    const TBatchOptions& m_Options = m_Result.g_Options;
    EXPECT_EQ(m_Options.g_Task.g_intMode, kModeReplace);
    EXPECT_EQ(m_Options.g_Task.g_strLogsFileDirectory, u"/var/tmp/mv logs");
    EXPECT_EQ(m_Options.g_Task.g_strDirectory,
              RootWithSlash()); // a "/" already there is not doubled
    EXPECT_EQ(m_Options.g_Task.g_intEncoding, 5);
    EXPECT_EQ(m_Options.g_Task.g_strOldText,
              u"Old"); // folding is the task's business, not the parser's
    EXPECT_EQ(m_Options.g_Task.g_strNewText, u"New");
    EXPECT_EQ(m_Options.g_Task.g_strExtension, u"*.TXT|*.HTM|*.ä|");
    EXPECT_FALSE(m_Options.g_Task.g_IsContainSubFloder);
    EXPECT_TRUE(m_Options.g_Task.g_IsMatchCase);
    EXPECT_EQ(m_Options.g_intAnsiCodePage, 936);
    EXPECT_TRUE(m_Options.g_IsConfirmed);
    EXPECT_TRUE(m_Options.g_IsQuiet);
}

TEST_F(BatchOptions, EncodingNamesAndNumbersGiveTheCodesOfTheEncodingChoice) {
    const std::pair<const char*, std::int32_t> m_arrCases[] = {
        {"auto", 0},    {"ansi", 1},    {"utf8", 2}, {"utf8-bom", 3}, {"utf16be", 4},
        {"utf16le", 5}, {"UTF16BE", 4}, {"0", 0},    {"3", 3},        {"5", 5}};
    for (const auto& [m_strName, m_intCode] : m_arrCases) {
        const TBatchParseResult m_Result =
            Parse({"--find", "a", "--ext", "*.txt", "--encoding", m_strName, "DIR"});
        EXPECT_EQ(m_Result.g_strErrorMessage, "") << m_strName;
        EXPECT_EQ(m_Result.g_Options.g_Task.g_intEncoding, m_intCode) << m_strName;
    }
}

TEST_F(BatchOptions, CodePageIsTakenWithOrWithoutItsPrefix) {
    const std::pair<const char*, std::int32_t> m_arrCases[] = {
        {"CP1252", 1252}, {"cp936", 936}, {"1251", 1251}};
    for (const auto& [m_strText, m_intCodePage] : m_arrCases) {
        const TBatchParseResult m_Result =
            Parse({"--find", "a", "--ext", "*.txt", "--ansi-codepage", m_strText, "DIR"});
        EXPECT_EQ(m_Result.g_strErrorMessage, "") << m_strText;
        EXPECT_EQ(m_Result.g_Options.g_intAnsiCodePage, m_intCodePage) << m_strText;
    }
}

TEST_F(BatchOptions, TextsKeepEveryCharacterAndTakeLineBreaksAsCrLf) {
    g_Tree.WriteFile("bom.txt", "\xEF\xBB\xBF  two\nlines \n");
    g_Tree.WriteFile("mixed.txt", "a\r\nb\rc\n\nd");
    g_Tree.WriteFile("nobom.txt", "\xC3\xA4 \xEF\xBB\xBFx");
    struct TCase {
        std::vector<std::string> g_arrTextOptions;
        std::u16string g_strOldText;
        std::u16string g_strNewText;
    };
    const TCase m_arrCases[] = {
        {{"--find-file", g_Tree.Path("bom.txt").string()}, u"  two\r\nlines \r\n", u""},
        {{"--find-file", g_Tree.Path("mixed.txt").string()}, u"a\r\nb\r\nc\r\n\r\nd", u""},
        {{"--find-file", g_Tree.Path("nobom.txt").string()}, u"ä \uFEFFx", u""},
        {{"--find", "x\ny", "--replace-file", g_Tree.Path("bom.txt").string()},
         u"x\r\ny",
         u"  two\r\nlines \r\n"},
        {{"--find", " ", "--replace", "\t\r\n"}, u" ", u"\t\r\n"},
    };
    for (const TCase& m_Case : m_arrCases) {
        std::vector<std::string> m_arrArguments = m_Case.g_arrTextOptions;
        m_arrArguments.insert(m_arrArguments.end(), {"--ext", "*.txt", "DIR"});
        const TBatchParseResult m_Result = Parse(m_arrArguments);
        ASSERT_EQ(m_Result.g_strErrorMessage, "") << m_arrArguments[1];
        EXPECT_EQ(m_Result.g_Options.g_Task.g_strOldText, m_Case.g_strOldText) << m_arrArguments[1];
        EXPECT_EQ(m_Result.g_Options.g_Task.g_strNewText, m_Case.g_strNewText) << m_arrArguments[1];
    }
}

TEST_F(BatchOptions, HelpAndVersionNeedNothingElse) {
    const TBatchParseResult m_Result = Parse({"--help"});
    EXPECT_EQ(m_Result.g_strErrorMessage, "");
    EXPECT_TRUE(m_Result.g_Options.g_IsHelp);
    EXPECT_TRUE(Parse({"-h"}).g_Options.g_IsHelp);
    for (const char* m_strVersion : {"--version", "-V"}) {
        const TBatchParseResult m_Version = Parse({m_strVersion});
        EXPECT_EQ(m_Version.g_strErrorMessage, "") << m_strVersion;
        EXPECT_TRUE(m_Version.g_Options.g_IsVersion) << m_strVersion;
    }
}

// Each short option gives exactly what its long one gives.
TEST_F(BatchOptions, ShortOptionsAreTheirLongOnes) {
    struct TCase {
        std::vector<std::string> g_arrShort;
        std::vector<std::string> g_arrLong;
    };
    const TCase m_arrCases[] = {
        {{"-e", "Old"}, {"--find", "Old"}},
        {{"-f", "FILE"}, {"--find-file", "FILE"}},
        {{"-e", "x", "-r", "New"}, {"--find", "x", "--replace", "New"}},
        {{"-e", "x", "-g", "*.htm"}, {"--find", "x", "--ext", "*.htm"}},
        {{"-e", "x", "-E", "utf8-bom"}, {"--find", "x", "--encoding", "utf8-bom"}},
        {{"-e", "x", "-s", "-y", "-q"}, {"--find", "x", "--match-case", "--yes", "--quiet"}},
        {{"-e", "x", "-0"}, {"--find", "x", "--null"}},
        {{"-e", "-"}, {"--find=-"}}, // a value may look like an option
    };
    const auto m_doSame = [](const TBatchOptions& p_Left, const TBatchOptions& p_Right) {
        return p_Left.g_Task.g_strOldText == p_Right.g_Task.g_strOldText &&
               p_Left.g_Task.g_strNewText == p_Right.g_Task.g_strNewText &&
               p_Left.g_Task.g_strExtension == p_Right.g_Task.g_strExtension &&
               p_Left.g_Task.g_intEncoding == p_Right.g_Task.g_intEncoding &&
               p_Left.g_Task.g_IsMatchCase == p_Right.g_Task.g_IsMatchCase &&
               p_Left.g_IsConfirmed == p_Right.g_IsConfirmed &&
               p_Left.g_IsQuiet == p_Right.g_IsQuiet &&
               p_Left.g_RecordFormat == p_Right.g_RecordFormat;
    };
    for (const TCase& m_Case : m_arrCases) {
        std::vector<std::string> m_arrShort = m_Case.g_arrShort;
        std::vector<std::string> m_arrLong = m_Case.g_arrLong;
        for (std::vector<std::string>* m_arrArguments : {&m_arrShort, &m_arrLong}) {
            m_arrArguments->insert(m_arrArguments->end(), {"--ext", "*.txt", "DIR"});
        }
        const TBatchParseResult m_Short = Parse(m_arrShort);
        const TBatchParseResult m_Long = Parse(m_arrLong);
        const std::string m_strWhat = testing::PrintToString(m_Case.g_arrShort);
        ASSERT_EQ(m_Short.g_strErrorMessage, "") << m_strWhat;
        ASSERT_EQ(m_Long.g_strErrorMessage, "") << m_strWhat;
        EXPECT_TRUE(m_doSame(m_Short.g_Options, m_Long.g_Options)) << m_strWhat;
    }
    EXPECT_EQ(Parse({"-e", "x", "--json", "--ext", "*.txt", "DIR"}).g_Options.g_RecordFormat,
              TBatchRecordFormatKind::Json);
}

struct TErrorCase {
    std::vector<std::string> g_arrArguments;
    std::string g_strMessage; // the message exactly, or for usage errors a part of it
    bool g_IsUsageError;
};

TEST_F(BatchOptions, MalformedCommandLinesAreUsageErrors) {
    g_Tree.WriteFile("bad.txt", "a\xFF");
    const std::string m_strBadFile = g_Tree.Path("bad.txt").string();
    const TErrorCase m_arrCases[] = {
        {{}, "missing DIRECTORY", true},
        {{"--find", "a", "--ext", "*.txt"}, "missing DIRECTORY", true},
        {{"--find", "a", "DIR", "DIR"}, "more than one DIRECTORY", true},
        {{"--bogus", "DIR"}, "unknown option --bogus", true},
        {{"DIR", "--find"}, "--find needs a value", true},
        {{"--yes=1", "DIR"}, "--yes takes no value", true},
        {{"--mode", "delete", "DIR"}, "--mode: expected find or replace", true},
        {{"--mode", "find", "--mode=find", "DIR"}, "--mode given more than once", true},
        {{"--encoding", "6", "DIR"}, "--encoding: expected", true},
        {{"--encoding", "latin1", "DIR"}, "--encoding: expected", true},
        {{"--find", "a", "--find-file", "FILE", "DIR"}, "the text is already given", true},
        {{"--replace", "a", "--replace", "b", "DIR"}, "the text is already given", true},
        {{"--find-file", "/nonexistent/find.txt", "DIR"}, "cannot read", true},
        {{"--find-file", m_strBadFile, "DIR"}, "is not valid UTF-8", true},
        {{"--find", "a\xC0\xAF", "DIR"}, "--find: the text is not valid UTF-8", true},
        {{"--ext", "*.\xFF", "DIR"}, "--ext: the pattern is not valid UTF-8", true},
        {{"--find", "a", "--ext=", "DIR"}, "--ext: the pattern is empty", true},
        {{"--ansi-codepage", "CP99999", "DIR"}, "not a supported code page", true},
        {{"--ansi-codepage", "0", "DIR"}, "not a supported code page", true},
        {{"--ansi-codepage", "utf8", "DIR"}, "not a supported code page", true},
        {{"--logs-dir", "", "DIR"}, "--logs-dir", true},
        {{"--find", "a", "--ext", "*.txt", "DIR\xFF"}, "DIRECTORY is not valid UTF-8", true},
        {{"-x", "DIR"}, "unknown option -x", true},
        {{"-eabc", "DIR"}, "unknown option -eabc", true},
        {{"-e=abc", "DIR"}, "unknown option -e=abc", true},
        {{"--null", "--json", "DIR"}, "--null and --json cannot be combined", true},
        {{"--json", "-0", "DIR"}, "--json and --null cannot be combined", true},
        {{"--json", "-q", "DIR"}, "--json and --quiet cannot be combined", true},
        {{"--quiet", "--null", "DIR"}, "--null and --quiet cannot be combined", true},
        {{"--version=1"}, "--version takes no value", true},
        {{"-f", "-", "--replace-file", "-", "DIR"},
         "only one of --find-file and --replace-file",
         true},
    };
    for (const TErrorCase& m_Case : m_arrCases) {
        const TBatchParseResult m_Result = Parse(m_Case.g_arrArguments);
        const std::string m_strWhat = testing::PrintToString(Expand(m_Case.g_arrArguments));
        EXPECT_TRUE(m_Result.g_IsUsageError) << m_strWhat;
        EXPECT_NE(m_Result.g_strErrorMessage.find(m_Case.g_strMessage), std::string::npos)
            << m_strWhat << " gave " << m_Result.g_strErrorMessage;
    }
}

TEST_F(BatchOptions, ChecksComeInTheMainWindowsOrderWithItsMessages) {
    const TErrorCase m_arrCases[] = {
        {{"--find", "a", "--ext", "*.txt", "/nonexistent/dir"}, kDirectoryMissing, false},
        {{"--find", "a", "--ext", "*.txt", "FILE"}, kDirectoryMissing, false},
        {{"--find", "a", "--ext", "*.txt", ""}, kDirectoryMissing, false},
        {{"/nonexistent/dir"}, kDirectoryMissing, false},
        {{"--ext", "*.txt", "DIR"}, kFindTextEmpty, false},
        {{"--find", "", "--replace", "x", "--ext", "*.txt", "DIR"}, kFindTextEmpty, false},
        {{"--mode", "replace", "DIR"}, kFindTextEmpty, false},
        {{"--mode", "replace", "--find", "a", "--replace", "a", "--ext", "*.txt", "--yes", "DIR"},
         kSameText,
         false},
        {{"--mode", "replace", "--find", "a\n", "--replace", "a\r\n", "--yes", "DIR"},
         kSameText,
         false},
        {{"--mode", "replace", "--find", "a", "--replace", "a", "DIR"}, kSameText, false},
        {{"--find", "a", "DIR"}, kNoExtension, false},
        {{"--find", "a", "--replace", "a", "DIR"}, kNoExtension, false},
        {{"--mode", "replace", "--find", "a", "--ext", "*.txt", "DIR"},
         "替换模式下，将对目录中文件内容进行批量替换，替换过程不可逆。\n"
         "请务必先做好文件备份，再执行替换操作。\n"
         "(pass --yes to start the replace task)",
         false},
    };
    for (const TErrorCase& m_Case : m_arrCases) {
        const TBatchParseResult m_Result = Parse(m_Case.g_arrArguments);
        const std::string m_strWhat = testing::PrintToString(Expand(m_Case.g_arrArguments));
        EXPECT_FALSE(m_Result.g_IsUsageError) << m_strWhat;
        EXPECT_EQ(m_Result.g_strErrorMessage, m_Case.g_strMessage) << m_strWhat;
    }
}

TEST_F(BatchOptions, ReplaceTextDifferingOnlyInCaseIsAccepted) {
    for (const char* m_strMatchCase : {"--quiet", "--match-case"}) {
        const TBatchParseResult m_Result =
            Parse({"--mode", "replace", "--find", "abc", "--replace", "ABC", "--ext", "*.txt",
                   "--yes", m_strMatchCase, "DIR"});
        EXPECT_EQ(m_Result.g_strErrorMessage, "") << m_strMatchCase;
    }
}

TEST_F(BatchOptions, OptionsEndAtDoubleDash) {
    g_Tree.MakeDir("--find");
    const std::string m_strOdd = g_Tree.Path("--find").string();
    const TBatchParseResult m_Result = Parse({"--find", "a", "--ext", "*.txt", "--", m_strOdd});
    EXPECT_EQ(m_Result.g_strErrorMessage, "");
    EXPECT_EQ(m_Result.g_Options.g_Task.g_strDirectory, Utf8(m_strOdd + "/"));
}

// Every option that --help lists, long and short.
std::vector<std::string> HelpOptions() {
    const std::string m_strHelp = BatchUsageText();
    const std::regex m_OptionPattern(R"((^|[\s|\[])(--?[a-zA-Z0-9][a-z0-9-]*))");
    std::vector<std::string> m_arrOptions;
    for (auto m_Match = std::sregex_iterator(m_strHelp.begin(), m_strHelp.end(), m_OptionPattern);
         m_Match != std::sregex_iterator(); ++m_Match) {
        m_arrOptions.push_back((*m_Match)[2]);
    }
    return m_arrOptions;
}

std::string ReadWhole(const char* p_strFileName) {
    std::ifstream m_In(p_strFileName, std::ios::binary);
    EXPECT_TRUE(m_In) << p_strFileName;
    return {std::istreambuf_iterator<char>(m_In), std::istreambuf_iterator<char>()};
}

// The manual page and the shell completion are written by hand: every option that --help lists
// must have its entry in both.
TEST(BatchManualPage, NamesEveryOptionOfTheHelpText) {
    const std::string m_strPage =
        std::regex_replace(ReadWhole(MORVANE_BATCH_MAN_PAGE), std::regex(R"(\\-)"), "-");
    const std::string m_strCompletion = ReadWhole(MORVANE_BATCH_COMPLETION);
    const std::vector<std::string> m_arrOptions = HelpOptions();
    for (const std::string& m_strOption : m_arrOptions) {
        const std::regex m_InText("(^|[^a-zA-Z0-9-])" + m_strOption + "($|[^a-zA-Z0-9-])");
        EXPECT_TRUE(std::regex_search(m_strPage, m_InText)) << m_strOption;
        EXPECT_TRUE(std::regex_search(m_strCompletion, m_InText)) << m_strOption;
    }
    EXPECT_GE(m_arrOptions.size(), 28u); // the options that --help lists today
}

// The completion run by bash with the two helpers of bash-completion played by stubs: what it
// offers after the words typed so far.
TEST(BatchCompletion, OffersOptionsTheirValuesAndFolders) {
    struct TCase {
        std::string g_strWords; // the command line so far; the last word is being completed
        std::string g_strOffered;
    };
    const TCase m_arrCases[] = {
        {"--mode ''", "find replace"},
        {"-E utf1", "utf16be utf16le"},
        {"--encoding a", "auto ansi"},
        {"--nu", "--null"},
        {"-e TODO ~/s", "FOLDERS"},
        {"--logs-dir ''", "FOLDERS"},
        {"-f ''", "FILES"},
        {"-e ''", ""},
    };
    for (const TCase& m_Case : m_arrCases) {
        const std::string m_strScript =
            "_init_completion() { cur=${COMP_WORDS[COMP_CWORD]}; "
            "prev=${COMP_WORDS[COMP_CWORD-1]}; split=false; }; "
            "_filedir() { if [[ $1 == -d ]]; then COMPREPLY=(FOLDERS); else COMPREPLY=(FILES); fi; "
            "}; compopt() { :; }; . '" MORVANE_BATCH_COMPLETION "'; "
            "COMP_WORDS=(morvane-batch " +
            m_Case.g_strWords +
            "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _morvane_batch; echo \"${COMPREPLY[*]}\"";
        const std::string m_strCommand =
            "bash -c '" + std::regex_replace(m_strScript, std::regex("'"), "'\\''") + "'";
        FILE* m_Pipe = popen(m_strCommand.c_str(), "r");
        ASSERT_NE(m_Pipe, nullptr);
        std::string m_strOut;
        char m_arrBuffer[256];
        while (fgets(m_arrBuffer, sizeof m_arrBuffer, m_Pipe) != nullptr) {
            m_strOut += m_arrBuffer;
        }
        EXPECT_EQ(pclose(m_Pipe), 0) << m_Case.g_strWords;
        EXPECT_EQ(m_strOut, m_Case.g_strOffered + "\n") << m_Case.g_strWords;
    }
}

} // namespace
} // namespace morvane
