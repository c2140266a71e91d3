#include "u_BatchOptions.h"

#include "files/u_FolderPath.h"
#include "task/u_TaskChecks.h"
#include "text/u_AnsiCodePage.h"
#include "text/u_ExtensionFilter.h"
#include "text/u_TextConvert.h"
#include "u_BatchOutput.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

namespace morvane {

namespace {

// Without a window, --yes is the answer to the question the main window asks before a replace.
constexpr const char* kPassYesLine = "(pass --yes to start the replace task)";

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

enum class TOptionKind { Flag, Value };

struct TOptionName {
    std::string_view g_strName;
    TOptionKind g_Kind;
};

constexpr std::array<TOptionName, 15> kOptionNames{{
    {"--mode", TOptionKind::Value},
    {"--find", TOptionKind::Value},
    {"--find-file", TOptionKind::Value},
    {"--replace", TOptionKind::Value},
    {"--replace-file", TOptionKind::Value},
    {"--ext", TOptionKind::Value},
    {"--encoding", TOptionKind::Value},
    {"--no-subfolders", TOptionKind::Flag},
    {"--match-case", TOptionKind::Flag},
    {"--logs-dir", TOptionKind::Value},
    {"--ansi-codepage", TOptionKind::Value},
    {"--yes", TOptionKind::Flag},
    {"--quiet", TOptionKind::Flag},
    {"--help", TOptionKind::Flag},
    {"-h", TOptionKind::Flag},
}};

constexpr std::array<std::string_view, 6> kEncodingNames{"auto",     "ansi",    "utf8",
                                                         "utf8-bom", "utf16be", "utf16le"};

std::string AsciiLowerCase(std::string_view p_strText) {
    std::string m_strResult(p_strText);
    for (char& m_chrCurrent : m_strResult) {
        if (m_chrCurrent >= 'A' && m_chrCurrent <= 'Z') {
            m_chrCurrent = static_cast<char>(m_chrCurrent - 'A' + 'a');
        }
    }
    return m_strResult;
}

// A small decimal number made only of digits; nullopt for anything else or anything too long to
// be a code page.
std::optional<std::int32_t> ParseSmallNumber(std::string_view p_strText) {
    if (p_strText.empty() || p_strText.size() > 5) {
        return std::nullopt;
    }
    std::int32_t m_intValue = 0;
    for (const char m_chrDigit : p_strText) {
        if (m_chrDigit < '0' || m_chrDigit > '9') {
            return std::nullopt;
        }
        m_intValue = m_intValue * 10 + (m_chrDigit - '0');
    }
    return m_intValue;
}

// The command line arrives as bytes; a text that is not UTF-8 would reach the task altered, and
// in replace mode that means rewriting files with a text the user never typed.
bool DecodeArgument(std::string_view p_strBytes, std::u16string& p_strText) {
    return DecodeUtf8Strict(p_strBytes, p_strText);
}

// Reads a whole text file as UTF-8, a leading mark skipped and nothing trimmed (a final line
// break is part of the text), so that multi-line texts reach the task as written.
std::string ReadTextFile(const std::string& p_strFileName, std::u16string& p_strText) {
    std::ifstream m_In(p_strFileName, std::ios::binary);
    if (!m_In) {
        return "cannot read \"" + p_strFileName + "\": " + std::strerror(errno);
    }
    std::string m_strBytes{std::istreambuf_iterator<char>(m_In), std::istreambuf_iterator<char>()};
    if (m_In.bad()) {
        return "cannot read \"" + p_strFileName + "\"";
    }
    std::string_view m_strView(m_strBytes);
    if (m_strView.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        m_strView.remove_prefix(kUtf8Mark.size());
    }
    if (!DecodeUtf8Strict(m_strView, p_strText)) {
        return "\"" + p_strFileName + "\" is not valid UTF-8";
    }
    return {};
}

// Every line break (CR LF, lone CR, lone LF) as CR LF, nothing else touched and nothing added at
// the end: the text as the main window's multi-line box hands it over. The engine searches a
// file's text with CR LF after every line, so a find text with bare LF breaks, as every text file
// written on this platform has, would otherwise never match anything.
std::u16string CrLfLineBreaks(std::u16string_view p_strText) {
    std::u16string m_strResult;
    m_strResult.reserve(p_strText.size());
    for (std::size_t m_intIndex = 0; m_intIndex < p_strText.size(); ++m_intIndex) {
        const char16_t m_chrCurrent = p_strText[m_intIndex];
        if (m_chrCurrent == u'\r' || m_chrCurrent == u'\n') {
            m_strResult += u"\r\n";
            if (m_chrCurrent == u'\r' && m_intIndex + 1 < p_strText.size() &&
                p_strText[m_intIndex + 1] == u'\n') {
                ++m_intIndex;
            }
        } else {
            m_strResult += m_chrCurrent;
        }
    }
    return m_strResult;
}

class TParser {
public:
    TBatchParseResult Parse(const std::vector<std::string>& p_arrArguments);

private:
    bool Fail(std::string p_strMessage) {
        g_Result.g_strErrorMessage = std::move(p_strMessage);
        g_Result.g_IsUsageError = true;
        return false;
    }
    bool Check(std::string p_strMessage) {
        g_Result.g_strErrorMessage = std::move(p_strMessage);
        return false;
    }
    // The option at p_intIndex with its value, which may be the next argument (p_intIndex then
    // moves on to it).
    bool TakeArgument(const std::vector<std::string>& p_arrArguments, std::size_t& p_intIndex);
    bool TakeOption(std::string_view p_strName, const std::optional<std::string>& p_strValue);
    bool TakeFlag(std::string_view p_strName);
    bool TakeText(std::string_view p_strName, const std::string& p_strValue, bool p_IsFile,
                  std::optional<std::u16string>& p_strTarget);
    bool TakeExtension(const std::string& p_strValue);
    bool TakeMode(const std::string& p_strValue);
    bool TakeEncoding(const std::string& p_strValue);
    bool TakeLogsDirectory(const std::string& p_strValue);
    bool TakeAnsiCodePage(const std::string& p_strValue);
    bool TakeOnce(std::string_view p_strName);
    bool Validate();

    TBatchParseResult g_Result;
    std::vector<std::string> g_arrSeen;
    std::optional<std::string> g_strDirectoryArgument;
    std::optional<std::u16string> g_strOldText;
    std::optional<std::u16string> g_strNewText;
    std::vector<std::u16string> g_arrExtensions;
};

bool TParser::TakeOnce(std::string_view p_strName) {
    for (const std::string& m_strSeen : g_arrSeen) {
        if (m_strSeen == p_strName) {
            return Fail(std::string(p_strName) + " given more than once");
        }
    }
    g_arrSeen.emplace_back(p_strName);
    return true;
}

bool TParser::TakeText(std::string_view p_strName, const std::string& p_strValue, bool p_IsFile,
                       std::optional<std::u16string>& p_strTarget) {
    if (p_strTarget.has_value()) {
        return Fail(std::string(p_strName) + ": the text is already given");
    }
    std::u16string m_strText;
    if (p_IsFile) {
        std::string m_strError = ReadTextFile(p_strValue, m_strText);
        if (!m_strError.empty()) {
            return Fail(std::string(p_strName) + ": " + m_strError);
        }
    } else if (!DecodeArgument(p_strValue, m_strText)) {
        return Fail(std::string(p_strName) + ": the text is not valid UTF-8");
    }
    p_strTarget = CrLfLineBreaks(m_strText);
    return true;
}

bool TParser::TakeOption(std::string_view p_strName, const std::optional<std::string>& p_strValue) {
    if (!p_strValue.has_value()) {
        return TakeFlag(p_strName);
    }
    if (p_strName == "--find" || p_strName == "--find-file") {
        return TakeText(p_strName, *p_strValue, p_strName == "--find-file", g_strOldText);
    }
    if (p_strName == "--replace" || p_strName == "--replace-file") {
        return TakeText(p_strName, *p_strValue, p_strName == "--replace-file", g_strNewText);
    }
    if (p_strName == "--ext") {
        return TakeExtension(*p_strValue);
    }
    // The other values may be given once each.
    if (!TakeOnce(p_strName)) {
        return false;
    }
    if (p_strName == "--mode") {
        return TakeMode(*p_strValue);
    }
    if (p_strName == "--encoding") {
        return TakeEncoding(*p_strValue);
    }
    if (p_strName == "--logs-dir") {
        return TakeLogsDirectory(*p_strValue);
    }
    return p_strName != "--ansi-codepage" || TakeAnsiCodePage(*p_strValue);
}

bool TParser::TakeFlag(std::string_view p_strName) {
    TBatchOptions& m_Options = g_Result.g_Options;
    if (p_strName == "--no-subfolders") {
        m_Options.g_Task.g_IsContainSubFloder = false;
    } else if (p_strName == "--match-case") {
        m_Options.g_Task.g_IsMatchCase = true;
    } else if (p_strName == "--yes") {
        m_Options.g_IsConfirmed = true;
    } else if (p_strName == "--quiet") {
        m_Options.g_IsQuiet = true;
    } else if (p_strName == "--help" || p_strName == "-h") {
        m_Options.g_IsHelp = true;
    }
    return true;
}

bool TParser::TakeExtension(const std::string& p_strValue) {
    std::u16string m_strPattern;
    if (!DecodeArgument(p_strValue, m_strPattern)) {
        return Fail("--ext: the pattern is not valid UTF-8");
    }
    // An empty pattern would pass the "no pattern" check while selecting no file at all.
    if (m_strPattern.empty()) {
        return Fail("--ext: the pattern is empty");
    }
    g_arrExtensions.push_back(std::move(m_strPattern));
    return true;
}

bool TParser::TakeMode(const std::string& p_strValue) {
    const std::string m_strMode = AsciiLowerCase(p_strValue);
    if (m_strMode == "find") {
        g_Result.g_Options.g_Task.g_intMode = kModeFind;
    } else if (m_strMode == "replace") {
        g_Result.g_Options.g_Task.g_intMode = kModeReplace;
    } else {
        return Fail("--mode: expected find or replace, not \"" + p_strValue + "\"");
    }
    return true;
}

bool TParser::TakeEncoding(const std::string& p_strValue) {
    const std::string m_strEncoding = AsciiLowerCase(p_strValue);
    for (std::size_t m_intCode = 0; m_intCode < kEncodingNames.size(); ++m_intCode) {
        if (m_strEncoding == kEncodingNames[m_intCode] ||
            m_strEncoding == std::to_string(m_intCode)) {
            g_Result.g_Options.g_Task.g_intEncoding = static_cast<std::int32_t>(m_intCode);
            return true;
        }
    }
    return Fail("--encoding: expected auto, ansi, utf8, utf8-bom, utf16be or utf16le, not \"" +
                p_strValue + "\"");
}

bool TParser::TakeLogsDirectory(const std::string& p_strValue) {
    if (p_strValue.empty() ||
        !DecodeArgument(p_strValue, g_Result.g_Options.g_Task.g_strLogsFileDirectory)) {
        return Fail("--logs-dir: expected a folder name in UTF-8");
    }
    return true;
}

bool TParser::TakeAnsiCodePage(const std::string& p_strValue) {
    std::string_view m_strDigits(p_strValue);
    if (AsciiLowerCase(m_strDigits.substr(0, 2)) == "cp") {
        m_strDigits.remove_prefix(2);
    }
    const std::optional<std::int32_t> m_intCodePage = ParseSmallNumber(m_strDigits);
    if (!m_intCodePage.has_value() || *m_intCodePage == 0 ||
        !IsSupportedAnsiCodePage(*m_intCodePage)) {
        return Fail("--ansi-codepage: \"" + p_strValue + "\" is not a supported code page");
    }
    g_Result.g_Options.g_intAnsiCodePage = *m_intCodePage;
    return true;
}

bool TParser::TakeArgument(const std::vector<std::string>& p_arrArguments,
                           std::size_t& p_intIndex) {
    const std::string& m_strArgument = p_arrArguments[p_intIndex];
    const std::size_t m_intEquals = m_strArgument.find('=');
    const std::string m_strName = m_strArgument.substr(0, m_intEquals);
    std::optional<std::string> m_strValue;
    if (m_intEquals != std::string::npos) {
        m_strValue = m_strArgument.substr(m_intEquals + 1);
    }
    const TOptionName* m_pOption = nullptr;
    for (const TOptionName& m_Option : kOptionNames) {
        if (m_Option.g_strName == m_strName) {
            m_pOption = &m_Option;
        }
    }
    if (m_pOption == nullptr) {
        return Fail("unknown option " + m_strName);
    }
    if (m_pOption->g_Kind == TOptionKind::Flag && m_strValue.has_value()) {
        return Fail(m_strName + " takes no value");
    }
    if (m_pOption->g_Kind == TOptionKind::Value && !m_strValue.has_value()) {
        if (p_intIndex + 1 >= p_arrArguments.size()) {
            return Fail(m_strName + " needs a value");
        }
        m_strValue = p_arrArguments[++p_intIndex];
    }
    return TakeOption(m_strName, m_strValue);
}

TBatchParseResult TParser::Parse(const std::vector<std::string>& p_arrArguments) {
    bool m_IsOptionsEnded = false;
    for (std::size_t m_intIndex = 0; m_intIndex < p_arrArguments.size(); ++m_intIndex) {
        const std::string& m_strArgument = p_arrArguments[m_intIndex];
        const bool m_IsOption =
            !m_IsOptionsEnded && m_strArgument.size() > 1 && m_strArgument.front() == '-';
        if (!m_IsOption) {
            if (g_strDirectoryArgument.has_value()) {
                Fail("more than one DIRECTORY: \"" + *g_strDirectoryArgument + "\" and \"" +
                     m_strArgument + "\"");
                return g_Result;
            }
            g_strDirectoryArgument = m_strArgument;
        } else if (m_strArgument == "--") {
            m_IsOptionsEnded = true;
        } else if (!TakeArgument(p_arrArguments, m_intIndex)) {
            return g_Result;
        }
    }
    if (!g_Result.g_Options.g_IsHelp) {
        Validate();
    }
    return g_Result;
}

// The checks of the main window's Go button, in its order, then the confirmation it asks for.
bool TParser::Validate() {
    TTaskParameters& m_Task = g_Result.g_Options.g_Task;
    if (!g_strDirectoryArgument.has_value()) {
        return Fail("missing DIRECTORY");
    }
    if (!DecodeArgument(*g_strDirectoryArgument, m_Task.g_strDirectory)) {
        return Fail("DIRECTORY is not valid UTF-8");
    }
    m_Task.g_strOldText = g_strOldText.value_or(std::u16string());
    m_Task.g_strNewText = g_strNewText.value_or(std::u16string());
    m_Task.g_strExtension = BuildExtensionFilter(g_arrExtensions);
    const TGoCheckResult m_Check = CheckGoTask(m_Task);
    if (m_Check.g_Check != TGoCheck::Passed) {
        return Check(Utf16ToUtf8(m_Check.g_strMessage));
    }
    m_Task.g_strDirectory = AddTrailingSeparator(m_Task.g_strDirectory);
    if (m_Check.g_IsConfirmationNeeded && !g_Result.g_Options.g_IsConfirmed) {
        return Check(TBatchOutput::MessageText(ReplaceConfirmationWarning()) + "\n" + kPassYesLine);
    }
    return true;
}

} // namespace

TBatchParseResult ParseBatchOptions(const std::vector<std::string>& p_arrArguments) {
    return TParser().Parse(p_arrArguments);
}

std::string BatchUsageText() {
    return "Usage: morvane-batch [options] DIRECTORY\n"
           "Finds, and in replace mode replaces, a text in every wanted file of DIRECTORY.\n"
           "\n"
           "  --mode find|replace           default find\n"
           "  --find TEXT | --find-file F   the text to find; a file is read as UTF-8 (a leading\n"
           "                                BOM skipped), byte for byte, for multi-line texts;\n"
           "                                every line break is taken as CR LF, as in the files\n"
           "  --replace TEXT | --replace-file F\n"
           "                                the replacement text (replace mode)\n"
           "  --ext PATTERN                 a wanted file pattern such as '*.txt'; repeatable\n"
           "  --encoding auto|ansi|utf8|utf8-bom|utf16be|utf16le\n"
           "                                how files are read; default auto (detect per file)\n"
           "  --no-subfolders               only the files directly in DIRECTORY\n"
           "  --match-case                  compare case-sensitively\n"
           "  --logs-dir DIR                where the task log folder yyyyMMdd_HHmmss is made\n"
           "                                (default: ~/.local/state/morvane/logs, or \"logs\"\n"
           "                                beside the program when it is portable)\n"
           "  --ansi-codepage CPnnn         the code page that plays ANSI (default: from the\n"
           "                                locale)\n"
           "  --yes                         required in replace mode: replacing rewrites files\n"
           "                                and cannot be undone\n"
           "  --quiet                       no record lines on stdout\n"
           "  --help                        this text\n"
           "\n"
           "Each record's log line goes to stdout as it is made; the summary and the task log\n"
           "folder go to stderr. Ctrl-C stops the task after the current file.\n"
           "Exit status: 0 done, 1 done with failed files, 2 usage or check failed,\n"
           "3 ended by an error, 130 stopped.\n";
}

} // namespace morvane
