#include "logs/u_ThreadDeleteLogsFile.h"

#include "files/u_DirectoryListing.h"
#include "text/u_TextConvert.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace morvane {

namespace {

// Length of "yyyyMMdd_HHmmss", the name the task log folders are given.
constexpr std::size_t kStampLength = 15;
constexpr std::size_t kDateLength = 8;
// A folder dated this many days or more before today is removed.
constexpr std::int64_t kOldestKeptAge = 8;

// Optional sign and decimal digits, nothing else: the eight characters are read as a number only
// when they are one.
std::optional<std::int32_t> ParseInteger(std::u16string_view p_strText) {
    std::size_t m_intIndex = 0;
    bool m_IsNegative = false;
    if (!p_strText.empty() && (p_strText[0] == u'+' || p_strText[0] == u'-')) {
        m_IsNegative = p_strText[0] == u'-';
        m_intIndex = 1;
    }
    if (m_intIndex == p_strText.size()) {
        return std::nullopt;
    }
    std::int32_t m_intValue = 0;
    for (; m_intIndex < p_strText.size(); ++m_intIndex) {
        const char16_t m_chrDigit = p_strText[m_intIndex];
        if (m_chrDigit < u'0' || m_chrDigit > u'9') {
            return std::nullopt;
        }
        // At most eight digits: no overflow.
        m_intValue = m_intValue * 10 + (m_chrDigit - u'0');
    }
    return m_IsNegative ? -m_intValue : m_intValue;
}

bool IsLeapYear(std::int32_t p_intYear) {
    return (p_intYear % 4 == 0 && p_intYear % 100 != 0) || p_intYear % 400 == 0;
}

// Days since 1970-01-01 of the proleptic Gregorian date (the civil calendar's day count).
std::int64_t DaysFromCivil(std::int32_t p_intYear, std::int32_t p_intMonth, std::int32_t p_intDay) {
    const std::int64_t m_intYear = p_intYear - (p_intMonth <= 2 ? 1 : 0);
    const std::int64_t m_intEra = (m_intYear >= 0 ? m_intYear : m_intYear - 399) / 400;
    const std::int64_t m_intYearOfEra = m_intYear - m_intEra * 400;
    const std::int64_t m_intDayOfYear =
        (153 * (p_intMonth > 2 ? p_intMonth - 3 : p_intMonth + 9) + 2) / 5 + p_intDay - 1;
    const std::int64_t m_intDayOfEra =
        m_intYearOfEra * 365 + m_intYearOfEra / 4 - m_intYearOfEra / 100 + m_intDayOfYear;
    return m_intEra * 146097 + m_intDayOfEra - 719468;
}

// The day number of a yyyyMMdd number, or nothing when it names no calendar date.
std::optional<std::int64_t> DayNumber(std::int32_t p_intDate) {
    if (p_intDate <= 0) {
        return std::nullopt;
    }
    const std::int32_t m_intYear = p_intDate / 10000;
    const std::int32_t m_intMonth = p_intDate / 100 % 100;
    const std::int32_t m_intDay = p_intDate % 100;
    static constexpr std::int32_t kDaysInMonth[12] = {31, 28, 31, 30, 31, 30,
                                                      31, 31, 30, 31, 30, 31};
    if (m_intYear < 1 || m_intMonth < 1 || m_intMonth > 12 || m_intDay < 1) {
        return std::nullopt;
    }
    const std::int32_t m_intMonthLength =
        kDaysInMonth[m_intMonth - 1] + (m_intMonth == 2 && IsLeapYear(m_intYear) ? 1 : 0);
    if (m_intDay > m_intMonthLength) {
        return std::nullopt;
    }
    return DaysFromCivil(m_intYear, m_intMonth, m_intDay);
}

std::int32_t LocalToday() {
    const std::time_t m_intNow = std::time(nullptr);
    std::tm m_Now{};
#ifdef _WIN32
    localtime_s(&m_Now, &m_intNow);
#else
    localtime_r(&m_intNow, &m_Now);
#endif
    return (m_Now.tm_year + 1900) * 10000 + (m_Now.tm_mon + 1) * 100 + m_Now.tm_mday;
}

bool DeleteOneFile(const std::string& p_strNativeFileName) {
#ifdef _WIN32
    const std::u16string m_strName = Utf8ToUtf16Lenient(p_strNativeFileName);
    return DeleteFileW(std::wstring(m_strName.begin(), m_strName.end()).c_str()) != 0;
#else
    return unlink(p_strNativeFileName.c_str()) == 0;
#endif
}

bool RemoveEmptyFolder(const std::string& p_strNativeDirectory) {
#ifdef _WIN32
    const std::u16string m_strName = Utf8ToUtf16Lenient(p_strNativeDirectory);
    return RemoveDirectoryW(std::wstring(m_strName.begin(), m_strName.end()).c_str()) != 0;
#else
    return rmdir(p_strNativeDirectory.c_str()) == 0;
#endif
}

} // namespace

TThreadDeleteLogsFile::TThreadDeleteLogsFile(std::u16string p_strLogsFileDirectory)
    : g_strLogsFileDirectory(std::move(p_strLogsFileDirectory)) {
    SetPriority(TThreadPriority::Normal);
    SetFreeOnTerminate(true);
}

void TThreadDeleteLogsFile::Execute() {
    DeleteOldLogsDirectories(g_strLogsFileDirectory, LocalToday());
}

void TThreadDeleteLogsFile::DeleteOldLogsDirectories(const std::u16string& p_strLogsFileDirectory,
                                                     int p_intToday) {
    if (g_IsStoped.load()) {
        return;
    }
    const std::optional<std::int64_t> m_intToday = DayNumber(p_intToday);
    if (!m_intToday) {
        // Without a valid today no folder's age is known; removing nothing is the safe side.
        return;
    }
    const std::string m_strNativeLogsDirectory = Utf16ToUtf8(p_strLogsFileDirectory);
    TDirectoryListing m_Listing(m_strNativeLogsDirectory);
    while (m_Listing.Next()) {
        if (!m_Listing.IsDirectory()) {
            continue;
        }
        const std::u16string m_strPath =
            p_strLogsFileDirectory + u'/' + Utf8ToUtf16Lenient(m_Listing.EntryName());
        if (m_strPath.size() <= kStampLength) {
            continue;
        }
        const std::optional<std::int32_t> m_intDate = ParseInteger(
            std::u16string_view(m_strPath).substr(m_strPath.size() - kStampLength, kDateLength));
        if (!m_intDate) {
            // A folder of another naming ends the scan; the folders after it stay.
            return;
        }
        // Calendar days, so that month and year boundaries neither spare old folders nor remove
        // recent ones. A number that names no date gives no age: the folder stays.
        const std::optional<std::int64_t> m_intDay = DayNumber(*m_intDate);
        if (m_intDay && *m_intToday - *m_intDay >= kOldestKeptAge) {
            DeleteLogsDirectory(m_strNativeLogsDirectory + '/' + m_Listing.EntryName());
        }
    }
}

// Only the files directly inside go; a folder that still holds anything (a file that could not be
// deleted, a subfolder, a link) stays, without notice.
void TThreadDeleteLogsFile::DeleteLogsDirectory(const std::string& p_strNativeDirectory) {
    {
        TDirectoryListing m_Listing(p_strNativeDirectory);
        while (m_Listing.Next()) {
            if (!m_Listing.IsDirectory()) {
                DeleteOneFile(p_strNativeDirectory + '/' + m_Listing.EntryName());
            }
        }
    }
    RemoveEmptyFolder(p_strNativeDirectory);
}

} // namespace morvane
