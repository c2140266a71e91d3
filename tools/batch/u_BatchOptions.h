#pragma once
// The command line of morvane-batch: turns the arguments into the task parameters and checks them
// as the main window checks its fields before Go, in the same order and with the same messages.
// Reads the file system only to test the directory and to read --find-file / --replace-file.

#include "task/u_TaskParameters.h"
#include "u_BatchRecordFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

struct TBatchOptions {
    // The task parameters, as the main window hands them to a task; the directory ends with "/".
    TTaskParameters g_Task;

    // How the program runs the task.
    std::int32_t g_intAnsiCodePage = 0; // 0: the one that goes with the locale
    bool g_IsConfirmed = false;         // --yes
    bool g_IsDryRun = false;            // --dry-run: g_Task is a replace preview
    bool g_IsQuiet = false;
    TBatchRecordFormatKind g_RecordFormat = TBatchRecordFormatKind::LogLine; // --null, --json
    bool g_IsHelp = false;
    bool g_IsVersion = false;
};

struct TBatchParseResult {
    TBatchOptions g_Options;
    // UTF-8, empty when the task may start (or when help was asked for).
    std::string g_strErrorMessage;
    // A malformed command line rather than a failed check of the main window's kind: the caller
    // points to --help.
    bool g_IsUsageError = false;
};

// p_arrArguments: the arguments without the program name. Options and DIRECTORY may come in any
// order; "--" ends the options. Every long option taking a value accepts "--opt VALUE" and
// "--opt=VALUE"; a short one ("-e") stands alone, its value in the next argument. A FILE of "-"
// for --find-file or --replace-file is standard input, read here, by one of them only.
TBatchParseResult ParseBatchOptions(const std::vector<std::string>& p_arrArguments);

// The text of --help (UTF-8, LF line breaks).
std::string BatchUsageText();

} // namespace morvane
