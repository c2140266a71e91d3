#pragma once
// TProcessRecord: one process record as a window-less owner receives it, with the fields of its
// log line taken apart and the file's name as the file system gave it, byte for byte.

#include <cstdint>
#include <string>

namespace morvane {

struct TProcessRecord {
    std::int32_t g_intSequence = 0;
    std::u16string g_strStatus;       // "成功" or "失败"
    std::u16string g_strEncodingName; // as GetEncodingName gives it
    std::u16string g_strFileName;     // the full path as records show it
    // The same path as the native bytes the walk listed: not always valid UTF-8, never escaped.
    std::string g_strNativeFileName;
    std::u16string g_strErrorMessage; // the failure reason; replace mode only, often empty
    std::u16string g_strLogLine;      // the line as the log page holds it
};

} // namespace morvane
