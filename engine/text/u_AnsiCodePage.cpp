#include "text/u_AnsiCodePage.h"

#include "core/u_Types.h"
#include "text/u_TextConvert.h"

#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <memory>
#include <utility>
#include <vector>

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#endif

namespace morvane {

namespace {

constexpr int kWesternCodePage = 1252;
constexpr int kSimplifiedChineseCodePage = 936;

// 0 means "not set": GetAnsiCodePage then falls back to the default.
std::atomic<int> g_intAnsiCodePageOverride{0};

struct TLanguageCodePage {
    std::string_view g_strLanguage;
    int g_intCodePage;
};

// Windows' own pairing of languages with their ANSI code page. Chinese depends on the territory
// and is handled apart.
constexpr TLanguageCodePage kLanguageCodePages[] = {
    {"ja", 932},  {"ko", 949},  {"th", 874},  {"vi", 1258}, {"ru", 1251}, {"uk", 1251},
    {"be", 1251}, {"bg", 1251}, {"sr", 1251}, {"mk", 1251}, {"el", 1253}, {"tr", 1254},
    {"az", 1254}, {"he", 1255}, {"ar", 1256}, {"fa", 1256}, {"ur", 1256}, {"lt", 1257},
    {"lv", 1257}, {"et", 1257}, {"cs", 1250}, {"pl", 1250}, {"hu", 1250}, {"sk", 1250},
    {"sl", 1250}, {"hr", 1250}, {"ro", 1250}, {"sq", 1250}, {"bs", 1250}, {"iw", 1255},
};

std::string AsciiLower(std::string_view p_strText) {
    std::string m_strResult(p_strText);
    for (char& m_intByte : m_strResult) {
        m_intByte = AsciiLowerUnit(m_intByte);
    }
    return m_strResult;
}

[[noreturn]] void ThrowUnsupported(int p_intCodePage) {
    throw TEngineError("不支持的ANSI代码页" + std::to_string(p_intCodePage) + "。");
}

} // namespace

int AnsiCodePageForLocale(std::string_view p_strLocale) {
    const std::size_t m_intLanguageEnd = p_strLocale.find_first_of("_-.@");
    const std::string m_strLanguage = AsciiLower(p_strLocale.substr(0, m_intLanguageEnd));
    std::string m_strTerritory;
    if (m_intLanguageEnd != std::string_view::npos &&
        (p_strLocale[m_intLanguageEnd] == '_' || p_strLocale[m_intLanguageEnd] == '-')) {
        const std::string_view m_strRest = p_strLocale.substr(m_intLanguageEnd + 1);
        m_strTerritory = AsciiLower(m_strRest.substr(0, m_strRest.find_first_of(".@")));
    }

    if (m_strLanguage == "zh") {
        if (m_strTerritory == "tw" || m_strTerritory == "hk" || m_strTerritory == "mo") {
            return 950;
        }
        return kSimplifiedChineseCodePage;
    }
    for (const TLanguageCodePage& m_Entry : kLanguageCodePages) {
        if (m_Entry.g_strLanguage == m_strLanguage) {
            return m_Entry.g_intCodePage;
        }
    }
    return kWesternCodePage;
}

void SetAnsiCodePage(int p_intCodePage) {
    if (p_intCodePage != 0 && !IsSupportedAnsiCodePage(p_intCodePage)) {
        ThrowUnsupported(p_intCodePage);
    }
    g_intAnsiCodePageOverride.store(p_intCodePage, std::memory_order_relaxed);
}

int GetAnsiCodePage() {
    const int m_intOverride = g_intAnsiCodePageOverride.load(std::memory_order_relaxed);
    if (m_intOverride != 0) {
        return m_intOverride;
    }
    // The environment does not change under a running program; ask it once.
    static const int s_intDefault = DefaultAnsiCodePage();
    return s_intDefault;
}

std::u16string AnsiDecode(std::string_view p_strBytes, int p_intCodePage) {
    std::u16string m_strText;
    AnsiDecode(p_strBytes, p_intCodePage, m_strText);
    return m_strText;
}

bool IsAnsiRoundTrip(std::string_view p_strBytes, int p_intCodePage) {
    std::string m_strBytes;
    return AnsiEncodeStrict(AnsiDecode(p_strBytes, p_intCodePage), p_intCodePage, m_strBytes) &&
           m_strBytes == p_strBytes;
}

#ifdef _WIN32

namespace {

// Code pages for which WideCharToMultiByte accepts neither WC_NO_BEST_FIT_CHARS nor
// lpUsedDefaultChar; the decode-back comparison below still catches every substitution.
bool IsFlaglessCodePage(int p_intCodePage) {
    return p_intCodePage == 42 || p_intCodePage == 65000 || p_intCodePage == 65001 ||
           p_intCodePage == 54936 || (p_intCodePage >= 50220 && p_intCodePage <= 50229) ||
           (p_intCodePage >= 57002 && p_intCodePage <= 57011);
}

int CheckedLength(std::size_t p_intLength) {
    if (p_intLength > static_cast<std::size_t>(INT_MAX)) {
        throw TEngineError("文件太大，无法按ANSI代码页转换。");
    }
    return static_cast<int>(p_intLength);
}

} // namespace

int DefaultAnsiCodePage() {
    return static_cast<int>(GetACP());
}

bool IsSupportedAnsiCodePage(int p_intCodePage) {
    return p_intCodePage > 0 && p_intCodePage <= 65535 &&
           IsValidCodePage(static_cast<UINT>(p_intCodePage)) != FALSE;
}

void AnsiDecode(std::string_view p_strBytes, int p_intCodePage, std::u16string& p_strText) {
    p_strText.clear();
    if (p_strBytes.empty()) {
        return;
    }
    const int m_intByteCount = CheckedLength(p_strBytes.size());
    // Without MB_ERR_INVALID_CHARS the system substitutes instead of failing.
    const int m_intUnitCount = MultiByteToWideChar(static_cast<UINT>(p_intCodePage), 0,
                                                   p_strBytes.data(), m_intByteCount, nullptr, 0);
    if (m_intUnitCount <= 0) {
        ThrowUnsupported(p_intCodePage);
    }
    p_strText.resize(static_cast<std::size_t>(m_intUnitCount));
    MultiByteToWideChar(static_cast<UINT>(p_intCodePage), 0, p_strBytes.data(), m_intByteCount,
                        reinterpret_cast<wchar_t*>(p_strText.data()), m_intUnitCount);
}

bool AnsiEncodeStrict(std::u16string_view p_strText, int p_intCodePage, std::string& p_strBytes) {
    p_strBytes.clear();
    if (p_strText.empty()) {
        return true;
    }
    const int m_intUnitCount = CheckedLength(p_strText.size());
    const auto* m_Source = reinterpret_cast<const wchar_t*>(p_strText.data());
    const UINT m_intCodePage = static_cast<UINT>(p_intCodePage);
    DWORD m_intFlags = WC_NO_BEST_FIT_CHARS;
    BOOL m_IsDefaultUsed = FALSE;
    BOOL* m_IsDefaultUsedTarget = &m_IsDefaultUsed;
    if (IsFlaglessCodePage(p_intCodePage)) {
        m_intFlags = (p_intCodePage == 65001 || p_intCodePage == 54936) ? WC_ERR_INVALID_CHARS : 0;
        m_IsDefaultUsedTarget = nullptr;
    }
    const int m_intByteCount = WideCharToMultiByte(m_intCodePage, m_intFlags, m_Source,
                                                   m_intUnitCount, nullptr, 0, nullptr, nullptr);
    if (m_intByteCount <= 0) {
        return false;
    }
    p_strBytes.resize(static_cast<std::size_t>(m_intByteCount));
    if (WideCharToMultiByte(m_intCodePage, m_intFlags, m_Source, m_intUnitCount, p_strBytes.data(),
                            m_intByteCount, nullptr, m_IsDefaultUsedTarget) != m_intByteCount ||
        m_IsDefaultUsed != FALSE) {
        return false;
    }
    // Whatever the flags allowed, only an exact mapping reads back as the same text.
    std::u16string m_strBack;
    AnsiDecode(p_strBytes, p_intCodePage, m_strBack);
    return m_strBack == p_strText;
}

#else // ICU stands in for the Windows conversion functions.

namespace {

struct TConverterCloser {
    void operator()(UConverter* p_Converter) const { ucnv_close(p_Converter); }
};
using TConverterPointer = std::unique_ptr<UConverter, TConverterCloser>;

bool IsAllAscii(std::string_view p_strBytes) {
    return !HasHighByte(p_strBytes);
}

bool IsAllAscii(std::u16string_view p_strText) {
    for (const char16_t m_intUnit : p_strText) {
        if (m_intUnit >= 0x80) {
            return false;
        }
    }
    return true;
}

constexpr std::array<int, 14> kSupportedCodePages{874,  932,  936,  949,  950,  1250, 1251,
                                                  1252, 1253, 1254, 1255, 1256, 1257, 1258};

// ICU's windows-932 is IBM's table, which permutes three control codes (byte 1A reads as U+001C,
// 1C as U+007F, 7F as U+001A). Windows maps all of 00-7F to themselves; so do we.
constexpr int kJapaneseCodePage = 932;

char16_t WindowsControlFromIbm943(char16_t p_intUnit) {
    switch (p_intUnit) {
    case 0x1C:
        return 0x1A;
    case 0x7F:
        return 0x1C;
    case 0x1A:
        return 0x7F;
    default:
        return p_intUnit;
    }
}

char16_t Ibm943ControlFromWindows(char16_t p_intUnit) {
    switch (p_intUnit) {
    case 0x1A:
        return 0x1C;
    case 0x1C:
        return 0x7F;
    case 0x7F:
        return 0x1A;
    default:
        return p_intUnit;
    }
}

// Every byte or sequence without a mapping reads as U+FFFD. ICU's own substitute is U+001A for some
// single bytes, which would be indistinguishable from a real control character (and in 932 is
// one: byte 7F).
void SubstituteReplacementCharacter(const void* /*p_Context*/, UConverterToUnicodeArgs* p_Args,
                                    const char* /*p_strCodeUnits*/, int32_t /*p_intLength*/,
                                    UConverterCallbackReason p_intReason, UErrorCode* p_intError) {
    if (p_intReason > UCNV_IRREGULAR) {
        return; // reset, close, clone: nothing to write
    }
    static constexpr UChar kReplacementCharacter = 0xFFFD;
    *p_intError = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(p_Args, &kReplacementCharacter, 1, 0, p_intError);
}

// UConverter objects are not thread-safe and slow to open, so each thread keeps its own, one per
// code page it has used. Decoding substitutes U+FFFD; encoding stops at the first
// character without an exact mapping.
UConverter* ConverterForThread(int p_intCodePage) {
    thread_local std::vector<std::pair<int, TConverterPointer>> t_arrConverters;
    for (const auto& [m_intCodePage, m_Converter] : t_arrConverters) {
        if (m_intCodePage == p_intCodePage) {
            return m_Converter.get();
        }
    }
    if (!IsSupportedAnsiCodePage(p_intCodePage)) {
        ThrowUnsupported(p_intCodePage);
    }
    const std::string m_strName = "windows-" + std::to_string(p_intCodePage);
    UErrorCode m_intError = U_ZERO_ERROR;
    TConverterPointer m_Converter(ucnv_open(m_strName.c_str(), &m_intError));
    if (U_FAILURE(m_intError) || !m_Converter) {
        ThrowUnsupported(p_intCodePage);
    }
    ucnv_setFallback(m_Converter.get(), false);
    ucnv_setToUCallBack(m_Converter.get(), SubstituteReplacementCharacter, nullptr, nullptr,
                        nullptr, &m_intError);
    ucnv_setFromUCallBack(m_Converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &m_intError);
    if (U_FAILURE(m_intError)) {
        ThrowUnsupported(p_intCodePage);
    }
    t_arrConverters.emplace_back(p_intCodePage, std::move(m_Converter));
    return t_arrConverters.back().second.get();
}

// ICU keeps a character cut by the end of the input for the next call unless told to flush.
void ConvertToUnicode(UConverter* p_Converter, std::string_view p_strBytes, int p_intCodePage,
                      bool p_IsFirst, bool p_IsLast, std::u16string& p_strText) {
    if (p_IsFirst) {
        ucnv_resetToUnicode(p_Converter);
    }
    p_strText.resize(p_strBytes.size() + 8);
    const char* m_Source = p_strBytes.data();
    const char* const m_SourceEnd = m_Source + p_strBytes.size();
    std::size_t m_intWritten = 0;
    for (;;) {
        UChar* m_Target = p_strText.data() + m_intWritten;
        UErrorCode m_intError = U_ZERO_ERROR;
        ucnv_toUnicode(p_Converter, &m_Target, p_strText.data() + p_strText.size(), &m_Source,
                       m_SourceEnd, nullptr, p_IsLast, &m_intError);
        m_intWritten = static_cast<std::size_t>(m_Target - p_strText.data());
        if (m_intError == U_BUFFER_OVERFLOW_ERROR) {
            p_strText.resize(p_strText.size() * 2);
            continue;
        }
        if (U_FAILURE(m_intError)) {
            // Substitution never fails on content; this is an ICU-internal failure.
            throw TEngineError(std::string("ANSI解码失败：") + u_errorName(m_intError));
        }
        break;
    }
    p_strText.resize(m_intWritten);
    if (p_intCodePage == kJapaneseCodePage) {
        for (char16_t& m_intUnit : p_strText) {
            m_intUnit = WindowsControlFromIbm943(m_intUnit);
        }
    }
}

} // namespace

int DefaultAnsiCodePage() {
    for (const char* m_strName : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* m_strValue = std::getenv(m_strName);
        if (m_strValue != nullptr && *m_strValue != '\0') {
            return AnsiCodePageForLocale(m_strValue);
        }
    }
    return AnsiCodePageForLocale("");
}

bool IsSupportedAnsiCodePage(int p_intCodePage) {
    for (const int m_intCodePage : kSupportedCodePages) {
        if (m_intCodePage == p_intCodePage) {
            return true;
        }
    }
    return false;
}

void AnsiDecode(std::string_view p_strBytes, int p_intCodePage, std::u16string& p_strText) {
    p_strText.clear();
    UConverter* m_Converter = ConverterForThread(p_intCodePage);
    // Every supported code page keeps ASCII as it is.
    if (IsAllAscii(p_strBytes)) {
        p_strText.assign(p_strBytes.begin(), p_strBytes.end());
        return;
    }

    ConvertToUnicode(m_Converter, p_strBytes, p_intCodePage, true, true, p_strText);
}

void AnsiDecodePiece(std::string_view p_strPiece, int p_intCodePage, bool p_IsFirst, bool p_IsLast,
                     std::u16string& p_strText) {
    ConvertToUnicode(ConverterForThread(p_intCodePage), p_strPiece, p_intCodePage, p_IsFirst,
                     p_IsLast, p_strText);
}

bool AnsiEncodeStrict(std::u16string_view p_strText, int p_intCodePage, std::string& p_strBytes) {
    p_strBytes.clear();
    UConverter* m_Converter = ConverterForThread(p_intCodePage);
    if (IsAllAscii(p_strText)) {
        p_strBytes.assign(p_strText.begin(), p_strText.end());
        return true;
    }

    std::u16string m_strIbmText;
    if (p_intCodePage == kJapaneseCodePage) {
        m_strIbmText.assign(p_strText);
        for (char16_t& m_intUnit : m_strIbmText) {
            m_intUnit = Ibm943ControlFromWindows(m_intUnit);
        }
    }
    const std::u16string_view m_strInput =
        p_intCodePage == kJapaneseCodePage ? std::u16string_view(m_strIbmText) : p_strText;

    ucnv_resetFromUnicode(m_Converter);
    p_strBytes.resize(
        m_strInput.size() * static_cast<std::size_t>(ucnv_getMaxCharSize(m_Converter)) + 8);
    const UChar* m_Source = m_strInput.data();
    const UChar* const m_SourceEnd = m_Source + m_strInput.size();
    std::size_t m_intWritten = 0;
    for (;;) {
        char* m_Target = p_strBytes.data() + m_intWritten;
        UErrorCode m_intError = U_ZERO_ERROR;
        ucnv_fromUnicode(m_Converter, &m_Target, p_strBytes.data() + p_strBytes.size(), &m_Source,
                         m_SourceEnd, nullptr, true, &m_intError);
        m_intWritten = static_cast<std::size_t>(m_Target - p_strBytes.data());
        if (m_intError == U_BUFFER_OVERFLOW_ERROR) {
            p_strBytes.resize(p_strBytes.size() * 2);
            continue;
        }
        if (U_FAILURE(m_intError)) {
            return false;
        }
        break;
    }
    p_strBytes.resize(m_intWritten);
    // ICU still applies fallbacks from private-use characters; only an exact mapping reads back
    // as the same text.
    std::u16string m_strBack;
    AnsiDecode(p_strBytes, p_intCodePage, m_strBack);
    return m_strBack == p_strText;
}

#endif

} // namespace morvane
