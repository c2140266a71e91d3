#pragma once
// Where the program keeps what it writes for itself: the settings files and the task log folders.
// A portable program (a file named "portable" beside the executable, as in the build tree or an
// unpacked release) keeps both beside the executable; an installed one follows the XDG base
// directories, as the desktop expects of a program in a read-only system folder. Every front-end
// asks here, so the window, the headless runner and the clean-up always agree.

#include <string>

namespace morvane {

// The marker file that makes the program portable, in the program folder.
inline constexpr const char16_t* kPortableMarker = u"portable";

// True when the program folder holds the marker; always true on Windows.
bool IsPortable();

// The folder of the settings files, with its trailing separator: the program folder when
// portable, else $XDG_CONFIG_HOME/morvane/ (~/.config/morvane/ when that is unset, empty or
// relative). Nothing is created here.
std::u16string SettingsFolder();

// The folder that holds the task log folders, without a trailing separator: the program folder +
// "logs" when portable, else $XDG_STATE_HOME/morvane/logs (~/.local/state/morvane/logs when that
// is unset, empty or relative). Nothing is created here.
std::u16string LogsFolder();

// Creates p_strFolder with every missing parent (new folders private to the user, mode 0700) and
// checks that files can be made in it. Throws TEngineError naming the folder and the system's
// reason when it cannot be created or written.
void PrepareDataFolder(const std::u16string& p_strFolder);

} // namespace morvane
