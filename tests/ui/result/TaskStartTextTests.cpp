// What the result window shows when a task starts: the description.

#include "CaseName.h"
#include "QtPrinters.h"
#include "core/u_Types.h"
#include "u_TaskDescription.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

struct TDescriptionCase {
    const char* g_strName;
    std::int32_t g_intMode;
    QString g_strOldText;
    QString g_strNewText;
    QString g_strExtension;
    bool g_IsContainSubFloder;
    bool g_IsMatchCase;
    QString g_strExpected;
    bool g_IsPreview = false;
};

class TaskDescriptionTest : public ::testing::TestWithParam<TDescriptionCase> {};

TEST_P(TaskDescriptionTest, ComposesTheLine) {
    const TDescriptionCase& m_Case = GetParam();
    EXPECT_EQ(BuildTaskDescription(m_Case.g_intMode, m_Case.g_strOldText, m_Case.g_strNewText,
                                   m_Case.g_strExtension, m_Case.g_IsContainSubFloder,
                                   m_Case.g_IsMatchCase, m_Case.g_IsPreview),
              m_Case.g_strExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TaskDescriptionTest,
    ::testing::Values(
        TDescriptionCase{
            "Find", kModeFind, QStringLiteral("abc"), QStringLiteral("unused"),
            QStringLiteral("*.TXT|"), true, false,
            QStringLiteral("查找模式,查找[abc],扩展名[*.TXT|],包含子目录,不区分大小写")},
        TDescriptionCase{"Replace", kModeReplace, QStringLiteral("abc"), QStringLiteral("xyz"),
                         QStringLiteral("*.TXT|*.HTM|"), false, true,
                         QStringLiteral("替换模式,查找[abc],替换为[xyz],扩展名[*.TXT|*.HTM|],"
                                        "不包含子目录,区分大小写")},
        TDescriptionCase{"EmptyReplacement", kModeReplace, QStringLiteral("a"), QString(),
                         QStringLiteral("*.TXT|"), true, true,
                         QStringLiteral("替换模式,查找[a],替换为[],扩展名[*.TXT|],包含子目录,"
                                        "区分大小写")},
        TDescriptionCase{"MultiLineFindTextVerbatim", kModeFind, QStringLiteral("a\r\nb"),
                         QString(), QStringLiteral("*.TXT|"), false, false,
                         QStringLiteral("查找模式,查找[a\r\nb],扩展名[*.TXT|],不包含子目录,"
                                        "不区分大小写")},
        TDescriptionCase{"ReplacePreview", kModeReplace, QStringLiteral("abc"),
                         QStringLiteral("xyz"), QStringLiteral("*.TXT|"), true, false,
                         QStringLiteral("替换预览,查找[abc],替换为[xyz],扩展名[*.TXT|],包含子目录,"
                                        "不区分大小写"),
                         true},
        TDescriptionCase{
            "FindIsNeverAPreview", kModeFind, QStringLiteral("abc"), QString(),
            QStringLiteral("*.TXT|"), true, false,
            QStringLiteral("查找模式,查找[abc],扩展名[*.TXT|],包含子目录,不区分大小写"), true},
        TDescriptionCase{"AnyOtherModeIsFind", 7, QStringLiteral("x"), QStringLiteral("y"),
                         QStringLiteral("*.*|"), true, true,
                         QStringLiteral("查找模式,查找[x],扩展名[*.*|],包含子目录,区分大小写")}),
    test::TCaseNameFromName());

} // namespace
} // namespace morvane
