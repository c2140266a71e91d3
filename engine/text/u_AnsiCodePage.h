#pragma once
// The system's ANSI code page: which one plays the part of encoding code 1, and conversion
// between its bytes and UTF-16. The only platform-dependent text unit: Windows asks the system
// (GetACP, MultiByteToWideChar, WideCharToMultiByte), elsewhere ICU converters stand in for the
// same Windows code pages. Every function is thread-safe and does no I/O.

#include <string>
#include <string_view>

namespace morvane {

// The Windows ANSI code page that goes with a POSIX locale name such as "zh_CN.UTF-8",
// "ja_JP", "C" or "ru_RU.KOI8-R@x". Only language and territory count; anything unknown, "C",
// "POSIX" and the empty name give 1252.
int AnsiCodePageForLocale(std::string_view p_strLocale);

// Windows: GetACP(). Elsewhere: the first non-empty of LC_ALL, LC_CTYPE and LANG through
// AnsiCodePageForLocale.
int DefaultAnsiCodePage();

// The process-wide code page used for encoding code 1. 0 returns to DefaultAnsiCodePage().
// Throws TEngineError for a code page IsSupportedAnsiCodePage rejects. Safe from any thread;
// meant to be set before a task starts (tests, the headless runner's --ansi-codepage).
void SetAnsiCodePage(int p_intCodePage);
int GetAnsiCodePage();

// Whether the code page can be used for decoding and encoding on this platform.
bool IsSupportedAnsiCodePage(int p_intCodePage);

// Lenient decoding: never fails on any bytes; a byte or sequence without a mapping becomes a
// substitute character. Throws TEngineError only for an unsupported code page. The second form
// reuses the buffer of p_strText.
std::u16string AnsiDecode(std::string_view p_strBytes, int p_intCodePage);
void AnsiDecode(std::string_view p_strBytes, int p_intCodePage, std::u16string& p_strText);

#ifndef _WIN32
// The same for bytes that arrive in pieces: each call replaces p_strText with the text of one
// more piece, and the pieces' texts joined are AnsiDecode's text of the bytes joined (a character
// cut by a piece's end comes with the next piece). p_IsFirst starts a new file, p_IsLast ends it
// (that piece may be empty). The state lives with the calling thread, so one file at a time per
// thread, with no other decoding in between.
void AnsiDecodePiece(std::string_view p_strPiece, int p_intCodePage, bool p_IsFirst, bool p_IsLast,
                     std::u16string& p_strText);
#endif

// Strict encoding: false, with p_strBytes in any state, when any character (a lone surrogate
// included) has no exact mapping in the code page. No best-fit or fallback substitutions.
bool AnsiEncodeStrict(std::u16string_view p_strText, int p_intCodePage, std::string& p_strBytes);

// Whether decoding the bytes and encoding the text again gives exactly the same bytes, i.e.
// whether a rewrite in this code page can keep the parts the user did not change.
bool IsAnsiRoundTrip(std::string_view p_strBytes, int p_intCodePage);

} // namespace morvane
