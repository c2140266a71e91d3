#pragma once
// The task's extension filter: which file names the walk hands on, by their last extension.
// Pure functions, no I/O; ASCII letters are folded, every other character is compared as is.

#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// The extension of a file name: the bare name's part from its last "." to the end, the "."
// included; empty when the bare name has no ".". A full path is accepted; its directories never
// count.
std::u16string_view FileNameExtension(std::u16string_view p_strFileName);

// "*" + upper-cased extension + "|", e.g. "*.TXT|" for "readme.txt" and "*|" for "Makefile".
std::u16string ExtensionFilterKey(std::u16string_view p_strFileName);

// Whether the file's key occurs in the filter string, which must already be upper-cased (as
// BuildExtensionFilter makes it). So "*.*" and "*" select exactly the names without a ".".
bool PassesExtensionFilter(std::u16string_view p_strFileName, std::u16string_view p_strExtension);

// The filter string of the checked patterns, in list order: each upper-cased and followed by
// "|", e.g. "*.TXT|*.HTM|".
std::u16string BuildExtensionFilter(const std::vector<std::u16string>& p_arrCheckedItems);

} // namespace morvane
