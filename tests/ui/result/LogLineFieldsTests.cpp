// Cutting log page lines into result row cells.

#include "CaseName.h"
#include "QtPrinters.h"
#include "core/u_Types.h"
#include "logs/u_NameEscape.h"
#include "u_LogLineFields.h"
#include "u_QtText.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

struct TSplitCase {
    const char* g_strName;
    QString g_strText;
    QString g_strSeparator;
    QStringList g_arrExpected;
};

class SplitTextTest : public ::testing::TestWithParam<TSplitCase> {};

TEST_P(SplitTextTest, CutsAtEverySeparatorAndKeepsTheRest) {
    const TSplitCase& m_Case = GetParam();
    QStringList m_arrPieces;
    SplitText(m_Case.g_strText, m_Case.g_strSeparator, m_arrPieces);
    EXPECT_EQ(m_arrPieces, m_Case.g_arrExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTextTest,
    ::testing::Values(
        TSplitCase{"Empty", QString(), QStringLiteral("|"), {QString()}},
        TSplitCase{
            "NoSeparator", QStringLiteral("abc"), QStringLiteral("|"), {QStringLiteral("abc")}},
        TSplitCase{"Two",
                   QStringLiteral("a|b"),
                   QStringLiteral("|"),
                   {QStringLiteral("a"), QStringLiteral("b")}},
        TSplitCase{"TrailingSeparator",
                   QStringLiteral("17|成功|UTF8无Bom|/s/i.htm|"),
                   QStringLiteral("|"),
                   {QStringLiteral("17"), QStringLiteral("成功"), QStringLiteral("UTF8无Bom"),
                    QStringLiteral("/s/i.htm"), QString()}},
        TSplitCase{"LongSeparator",
                   QStringLiteral("a::b:c::"),
                   QStringLiteral("::"),
                   {QStringLiteral("a"), QStringLiteral("b:c"), QString()}},
        TSplitCase{"EmptySeparatorNeverMatches",
                   QStringLiteral("a|b"),
                   QString(),
                   {QStringLiteral("a|b")}}),
    test::TCaseNameFromName());

TEST(SplitTextAppend, DoesNotClearTheList) {
    QStringList m_arrPieces{QStringLiteral("kept")};
    SplitText(QStringLiteral("a|b"), QStringLiteral("|"), m_arrPieces);
    EXPECT_EQ(m_arrPieces,
              (QStringList{QStringLiteral("kept"), QStringLiteral("a"), QStringLiteral("b")}));
}

struct TRowCase {
    const char* g_strName;
    std::int32_t g_intMode;
    QString g_strLine;
    int g_intImageIndex;
    QStringList g_arrSubItems;
};

class LogLineToRowFieldsTest : public ::testing::TestWithParam<TRowCase> {};

TEST_P(LogLineToRowFieldsTest, GivesTheCellsOfTheRow) {
    const TRowCase& m_Case = GetParam();
    const TResultRowFields m_Row = LogLineToRowFields(m_Case.g_strLine, m_Case.g_intMode);
    EXPECT_EQ(m_Row.g_intImageIndex, m_Case.g_intImageIndex);
    EXPECT_EQ(m_Row.g_arrSubItems, m_Case.g_arrSubItems);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LogLineToRowFieldsTest,
    ::testing::Values(
        TRowCase{"ReplaceSuccessHasEmptyReason",
                 kModeReplace,
                 QStringLiteral("17|成功|UTF8无Bom|/site/index.htm|"),
                 0,
                 {QStringLiteral("17"), QStringLiteral("成功"), QStringLiteral("UTF8无Bom"),
                  QStringLiteral("/site/index.htm"), QString()}},
        TRowCase{"ReplaceFailureShowsCross",
                 kModeReplace,
                 QStringLiteral("18|失败|ANSI|/site/locked.txt|Permission denied"),
                 1,
                 {QStringLiteral("18"), QStringLiteral("失败"), QStringLiteral("ANSI"),
                  QStringLiteral("/site/locked.txt"), QStringLiteral("Permission denied")}},
        TRowCase{"ReplaceReasonIsCutAtItsFirstBar",
                 kModeReplace,
                 QStringLiteral("3|失败|ANSI|/a.txt|first|second"),
                 1,
                 {QStringLiteral("3"), QStringLiteral("失败"), QStringLiteral("ANSI"),
                  QStringLiteral("/a.txt"), QStringLiteral("first")}},
        TRowCase{"FindHasFourCells",
                 kModeFind,
                 QStringLiteral("5|成功|UTF16LE|/site/readme.txt"),
                 0,
                 {QStringLiteral("5"), QStringLiteral("成功"), QStringLiteral("UTF16LE"),
                  QStringLiteral("/site/readme.txt")}},
        TRowCase{"FindKeepsBarsInsideTheFileName",
                 kModeFind,
                 QStringLiteral("6|成功|ANSI|/site/a|b|c.txt"),
                 0,
                 {QStringLiteral("6"), QStringLiteral("成功"), QStringLiteral("ANSI"),
                  QStringLiteral("/site/a|b|c.txt")}},
        TRowCase{"FindFailureKeepsItsReasonApartFromTheFileName",
                 kModeFind,
                 QStringLiteral("7|失败|unknow|/site/locked.txt|Permission denied"),
                 1,
                 {QStringLiteral("7"), QStringLiteral("失败"), QStringLiteral("unknow"),
                  QStringLiteral("/site/locked.txt"), QStringLiteral("Permission denied")}},
        TRowCase{"ShortReplaceLineGetsEmptyCells",
                 kModeReplace,
                 QStringLiteral("9|成功"),
                 0,
                 {QStringLiteral("9"), QStringLiteral("成功"), QString(), QString(), QString()}},
        TRowCase{"SpilledReasonLineGetsEmptyCells",
                 kModeReplace,
                 QStringLiteral("second line of a reason"),
                 1,
                 {QStringLiteral("second line of a reason"), QString(), QString(), QString(),
                  QString()}}),
    test::TCaseNameFromName());

#ifndef _WIN32
TEST(LogFieldToFileName, GivesTheExactBytesOfAnEscapedName) {
    const std::pair<const char16_t*, std::string> m_arrCases[] = {
        {u"/data/a.txt", "/data/a.txt"},
        {u"/资料/中文名.txt", "/资料/中文名.txt"},
        {u"/d/line\\nbreak\\rcr", "/d/line\nbreak\rcr"},
        {u"/d/back\\\\slash", "/d/back\\slash"},
        {u"/d/a\\x7Cb\\xFF", "/d/a|b\xff"},
        {u"/d/\\xED\\xA0\\x80\\xC0\\xAF", "/d/\xED\xA0\x80\xC0\xAF"},
    };
    for (const auto& [m_strField, m_strBytes] : m_arrCases) {
        const QString m_strFileName = LogFieldToFileName(QString::fromUtf16(m_strField));
        EXPECT_EQ(TextToNativeName(ToU16String(m_strFileName)), m_strBytes);
    }
}
#endif

TEST(StatusImageIndex, OnlyExactSuccessGetsTheTick) {
    EXPECT_EQ(StatusImageIndex(QStringLiteral("成功")), 0);
    EXPECT_EQ(StatusImageIndex(QStringLiteral("失败")), 1);
    EXPECT_EQ(StatusImageIndex(QString()), 1);
    EXPECT_EQ(StatusImageIndex(QStringLiteral("成功成功")), 1);
}

} // namespace
} // namespace morvane
