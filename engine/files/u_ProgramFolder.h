#pragma once
// The program folder: the folder of the executable. Whether the settings and logs live there is
// decided by u_DataLocations.

#include <string>

namespace morvane {

// The folder of the running executable, with its trailing "/" ("\" on Windows). An override set
// for tests or by the headless runner takes its place.
std::u16string GetProgramFolder();

// Sets (or, with an empty text, clears) the override. The text should end with the separator;
// one is added when it does not.
void SetProgramFolderOverride(const std::u16string& p_strFolder);

} // namespace morvane
