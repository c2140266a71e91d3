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
#include <unistd.h>

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

constexpr std::array<TOptionName, 18> kOptionNames{{
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
    {"--dry-run", TOptionKind::Flag},
    {"--quiet", TOptionKind::Flag},
    {"--null", TOptionKind::Flag},
    {"--json", TOptionKind::Flag},
    {"--help", TOptionKind::Flag},
    {"--version", TOptionKind::Flag},
}};

// The short names, as users of the usual search tools know them: -e the text (as a pattern),
// -f a file holding it, -r the replacement, -g a file name pattern, -E the encoding, -s
// case-sensitive, -0 NUL-ended output, -q quiet, -V the version, -h help; and -y for --yes.
struct TShortName {
    std::string_view g_strShort;
    std::string_view g_strLong;
};

constexpr std::array<TShortName, 11> kShortNames{{
    {"-e", "--find"},
    {"-f", "--find-file"},
    {"-r", "--replace"},
    {"-g", "--ext"},
    {"-E", "--encoding"},
    {"-s", "--match-case"},
    {"-0", "--null"},
    {"-q", "--quiet"},
    {"-y", "--yes"},
    {"-V", "--version"},
    {"-h", "--help"},
}};

// The value of --find-file and --replace-file that stands for standard input.
constexpr std::string_view kStandardInputName = "-";

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

// Reads standard input to its end; the error's text, empty when it was read.
std::string ReadStandardInput(std::string& p_strBytes) {
    char m_arrBuffer[65536];
    for (;;) {
        const ssize_t m_intRead = read(STDIN_FILENO, m_arrBuffer, sizeof m_arrBuffer);
        if (m_intRead > 0) {
            p_strBytes.append(m_arrBuffer, static_cast<std::size_t>(m_intRead));
        } else if (m_intRead == 0) {
            return {};
        } else if (errno != EINTR) {
            return std::string("cannot read standard input: ") + std::strerror(errno);
        }
    }
}

// Reads a whole text file ("-": standard input) as UTF-8, a leading mark skipped and nothing
// trimmed (a final line break is part of the text), so that multi-line texts reach the task as
// written.
std::string ReadTextFile(const std::string& p_strFileName, std::u16string& p_strText) {
    std::string m_strBytes;
    if (p_strFileName == kStandardInputName) {
        std::string m_strError = ReadStandardInput(m_strBytes);
        if (!m_strError.empty()) {
            return m_strError;
        }
    } else {
        std::ifstream m_In(p_strFileName, std::ios::binary);
        if (!m_In) {
            return "cannot read \"" + p_strFileName + "\": " + std::strerror(errno);
        }
        m_strBytes.assign(std::istreambuf_iterator<char>(m_In), std::istreambuf_iterator<char>());
        if (m_In.bad()) {
            return "cannot read \"" + p_strFileName + "\"";
        }
    }
    std::string_view m_strView(m_strBytes);
    if (m_strView.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        m_strView.remove_prefix(kUtf8Mark.size());
    }
    if (!DecodeUtf8Strict(m_strView, p_strText)) {
        return p_strFileName == kStandardInputName
                   ? std::string("standard input is not valid UTF-8")
                   : "\"" + p_strFileName + "\" is not valid UTF-8";
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
    bool TakeRecordFormat(std::string_view p_strName, TBatchRecordFormatKind p_Kind);
    bool Validate();

    TBatchParseResult g_Result;
    std::vector<std::string> g_arrSeen;
    std::optional<std::string> g_strDirectoryArgument;
    std::optional<std::u16string> g_strOldText;
    std::optional<std::u16string> g_strNewText;
    std::vector<std::u16string> g_arrExtensions;
    std::optional<std::string> g_strRecordFormatOption; // --null or --json, once given
    bool g_IsStandardInputTaken = false;
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
    if (p_IsFile && p_strValue == kStandardInputName) {
        // Standard input can be read to its end once only.
        if (g_IsStandardInputTaken) {
            return Fail("only one of --find-file and --replace-file can read standard input");
        }
        g_IsStandardInputTaken = true;
    }
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
    } else if (p_strName == "--dry-run") {
        m_Options.g_IsDryRun = true;
    } else if (p_strName == "--quiet") {
        if (g_strRecordFormatOption.has_value()) {
            return Fail(*g_strRecordFormatOption + " and --quiet cannot be combined");
        }
        m_Options.g_IsQuiet = true;
    } else if (p_strName == "--null") {
        return TakeRecordFormat(p_strName, TBatchRecordFormatKind::Null);
    } else if (p_strName == "--json") {
        return TakeRecordFormat(p_strName, TBatchRecordFormatKind::Json);
    } else if (p_strName == "--help") {
        m_Options.g_IsHelp = true;
    } else if (p_strName == "--version") {
        m_Options.g_IsVersion = true;
    }
    return true;
}

// The records go to stdout in one form only, and not at all with --quiet.
bool TParser::TakeRecordFormat(std::string_view p_strName, TBatchRecordFormatKind p_Kind) {
    if (g_strRecordFormatOption.has_value() && *g_strRecordFormatOption != p_strName) {
        return Fail(*g_strRecordFormatOption + " and " + std::string(p_strName) +
                    " cannot be combined");
    }
    if (g_Result.g_Options.g_IsQuiet) {
        return Fail(std::string(p_strName) + " and --quiet cannot be combined");
    }
    g_strRecordFormatOption = std::string(p_strName);
    g_Result.g_Options.g_RecordFormat = p_Kind;
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
    std::string m_strName = m_strArgument;
    std::optional<std::string> m_strValue;
    if (m_strArgument.starts_with("--")) {
        const std::size_t m_intEquals = m_strArgument.find('=');
        m_strName = m_strArgument.substr(0, m_intEquals);
        if (m_intEquals != std::string::npos) {
            m_strValue = m_strArgument.substr(m_intEquals + 1);
        }
    } else {
        for (const TShortName& m_Short : kShortNames) {
            if (m_Short.g_strShort == m_strArgument) {
                m_strName = m_Short.g_strLong;
            }
        }
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
    if (!g_Result.g_Options.g_IsHelp && !g_Result.g_Options.g_IsVersion) {
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
    if (g_Result.g_Options.g_IsDryRun) {
        // A find task changes nothing already; a preview of it would only be the find again.
        if (m_Task.g_intMode != kModeReplace) {
            return Fail("--dry-run needs --mode replace");
        }
        m_Task.g_Kind = TTaskKind::ReplacePreview;
    }
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
           "      --mode find|replace       default find\n"
           "  -e, --find TEXT               the text to find\n"
           "  -f, --find-file FILE          the text to find from FILE (\"-\": standard input),\n"
           "                                read as UTF-8 (a leading BOM skipped), byte for\n"
           "                                byte; every line break is taken as CR LF, as in\n"
           "                                the files\n"
           "  -r, --replace TEXT            the replacement text (replace mode)\n"
           "      --replace-file FILE       the replacement text from FILE, as for -f\n"
           "  -g, --ext PATTERN             a wanted file pattern such as '*.txt'; repeatable\n"
           "  -E, --encoding auto|ansi|utf8|utf8-bom|utf16be|utf16le\n"
           "                                how files are read; default auto (detect per file)\n"
           "      --no-subfolders           only the files directly in DIRECTORY\n"
           "  -s, --match-case              compare case-sensitively\n"
           "      --logs-dir DIR            where the task log folder yyyyMMdd_HHmmss is made\n"
           "                                (default: ~/.local/state/morvane/logs, or \"logs\"\n"
           "                                beside the program when it is portable)\n"
           "      --ansi-codepage CPnnn     the code page that plays ANSI (default: from the\n"
           "                                locale)\n"
           "  -y, --yes                     required in replace mode: replacing rewrites files\n"
           "                                and cannot be undone\n"
           "      --dry-run                 replace mode: read, match and check every file as\n"
           "                                the replace would and record what it would do,\n"
           "                                but change no file (no --yes needed)\n"
           "  -q, --quiet                   no record lines on stdout\n"
           "  -0, --null                    each record as its path only, ended by NUL\n"
           "      --json                    each record as one JSON object per line\n"
           "  -h, --help                    this text\n"
           "  -V, --version                 the program's version\n"
           "\n"
           "Each record's log line goes to stdout as it is made; the summary and the task log\n"
           "folder go to stderr. Ctrl-C, SIGTERM or SIGHUP stops the task once the files\n"
           "begun are finished; a second one ends it at once.\n"
           "Exit status: 0 done, 1 done with failed files, 2 usage or check failed,\n"
           "3 ended by an error, 128 + the signal's number stopped (130 Ctrl-C, 143 SIGTERM,\n"
           "129 SIGHUP).\n";
}

} // namespace morvane
