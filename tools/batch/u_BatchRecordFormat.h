#pragma once
// TBatchRecordFormat: how a process record reaches stdout. As its log page line (the default), as
// the bare path ended by NUL for xargs -0 and the like, or as one JSON object per line for
// programs that read the records. Pure functions, callable on any thread.

#include "logs/u_ProcessRecord.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

enum class TBatchRecordFormatKind : std::uint8_t {
    LogLine, // the log page's line, UTF-8, LF
    Null,    // --null: the native path bytes, NUL
    Json,    // --json: one JSON object, LF
};

class TBatchRecordFormat {
public:
    // The bytes for stdout, its terminator included. p_intMode decides whether a JSON object
    // has a "reason" (replace mode only, as the log line has its fifth field).
    static std::string Format(TBatchRecordFormatKind p_Kind, std::int32_t p_intMode,
                              const TProcessRecord& p_Record);

    // {"sequence":1,"status":"成功","encoding":"ANSI","path":"/a/b.txt"[,"reason":"..."]}; a
    // path that is not valid UTF-8 comes as "path_bytes" with its bytes in base64 instead.
    static std::string JsonObject(std::int32_t p_intMode, const TProcessRecord& p_Record);
    // A JSON string, quotes included, of UTF-8 text: quote, backslash and every control
    // character below U+0020 escaped, everything else as it is.
    static std::string JsonString(std::string_view p_strUtf8);
    // Standard base64 (RFC 4648) with padding.
    static std::string Base64(std::string_view p_strBytes);
};

} // namespace morvane
