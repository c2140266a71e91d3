#pragma once
// Folder names as the user types them: the platform's separator and whether a folder exists.

#include <filesystem>
#include <string>

namespace morvane {

#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

// p_strDirectory with one separator added at its end unless it already ends with one.
std::u16string AddTrailingSeparator(const std::u16string& p_strDirectory);

// p_strPath as the file system names it: UTF-16 on Windows, UTF-8 bytes elsewhere.
std::filesystem::path NativePath(const std::u16string& p_strPath);

// Whether p_strDirectory names an existing directory, links followed; a relative name counts from
// the current folder, and the empty text names none.
bool IsExistingDirectory(const std::u16string& p_strDirectory);

} // namespace morvane
