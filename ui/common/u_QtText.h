#pragma once
// The engine holds text as std::u16string, Qt as QString: both are UTF-16, so conversion is a copy.

#include <QString>

#include <string>

namespace morvane {

inline QString ToQString(const std::u16string& p_strText) {
    return QString::fromUtf16(p_strText.data(), static_cast<qsizetype>(p_strText.size()));
}

inline std::u16string ToU16String(const QString& p_strText) {
    return std::u16string(reinterpret_cast<const char16_t*>(p_strText.utf16()),
                          static_cast<std::size_t>(p_strText.size()));
}

} // namespace morvane
