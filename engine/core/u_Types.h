#pragma once
// Types shared by every engine unit and by the programs that drive the engine.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace morvane {

// An encoding code: 0 detect per file, 1 ANSI, 2 UTF-8, 3 UTF-8 with mark, 4 UTF-16BE,
// 5 UTF-16LE, 6 UTF-32BE, 7 UTF-32LE (6 and 7 only come from detection).
using TEncodingCode = std::uint8_t;

inline constexpr std::int32_t kModeReplace = 1;
inline constexpr std::int32_t kModeFind = 2;

// Called on the user-interface thread, while the processing thread waits, after every record.
using TUpdatePagerInfoCallBackProcedure = std::function<void(
    std::int32_t p_intRecordCount, std::int32_t p_intPageSize, std::int32_t p_intPageCount)>;

// Called once per task on the user-interface thread, as the processing thread's last act.
using TCheckCompletedCallBackProcedure = std::function<void()>;

// An error whose message is the text the user reads (UTF-8). Per-file operations turn it into a
// failure record; anything else lets it travel up.
class TEngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace morvane
