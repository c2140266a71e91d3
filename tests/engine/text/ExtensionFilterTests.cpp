// The extension filter: the key of a file name and the filter string of the checked patterns.

#include "text/u_ExtensionFilter.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TEST(ExtensionFilter, BuildsTheUpperCasedFilterStringInListOrder) {
    EXPECT_EQ(BuildExtensionFilter({u"*.txt", u"*.htm"}), u"*.TXT|*.HTM|");
    EXPECT_EQ(BuildExtensionFilter({u"*.Ärger", u"*.*", u"*"}), u"*.ÄRGER|*.*|*|");
    EXPECT_EQ(BuildExtensionFilter({}), u"");
}

TEST(ExtensionFilter, KeyIsTheLastExtensionOfTheBareName) {
    EXPECT_EQ(ExtensionFilterKey(u"readme.txt"), u"*.TXT|");
    EXPECT_EQ(ExtensionFilterKey(u"data.txt.bak"), u"*.BAK|");
    EXPECT_EQ(ExtensionFilterKey(u".txt"), u"*.TXT|");
    EXPECT_EQ(ExtensionFilterKey(u"Makefile"), u"*|");
    EXPECT_EQ(ExtensionFilterKey(u"name."), u"*.|");
    EXPECT_EQ(ExtensionFilterKey(u"/home/u/v1.2/Makefile"), u"*|");
    EXPECT_EQ(ExtensionFilterKey(u"/home/u/notes.md"), u"*.MD|");
    EXPECT_EQ(ExtensionFilterKey(u"bild.Jpeg"), u"*.JPEG|");
}

struct TFilterCase {
    std::u16string_view g_strFileName;
    std::vector<std::u16string> g_arrCheckedItems;
    bool g_IsPassing;
};

TEST(ExtensionFilter, WholeLastExtensionsPass) {
    const std::vector<std::u16string> m_arrTextAndHtml{u"*.txt", u"*.htm"};
    const TFilterCase m_arrCases[] = {
        {u"readme.txt", m_arrTextAndHtml, true},
        {u"Readme.TxT", m_arrTextAndHtml, true},
        {u"page.htm", m_arrTextAndHtml, true},
        {u"page.html", m_arrTextAndHtml, false},
        {u"data.txt.bak", m_arrTextAndHtml, false},
        {u".txt", m_arrTextAndHtml, true},
        {u"notes.t", m_arrTextAndHtml, false},
        {u"notes.xt", m_arrTextAndHtml, false},
        {u"Makefile", m_arrTextAndHtml, false},
        {u"/srv/docs/readme.txt", m_arrTextAndHtml, true},
        {u"Makefile", {u"*.*"}, true},
        {u"Makefile", {u"*"}, true},
        {u"readme.txt", {u"*.*"}, false},
        {u"readme.txt", {u"*"}, false},
        {u"name.", {u"*.*"}, false},
        {u"name.", {u"*."}, true},
        {u"lied.ä", {u"*.ä"}, true},
        {u"lied.Ä", {u"*.ä"}, false}, // non-ASCII letters are compared as they are
        {u"lied.ä", {u"*.Ä"}, false},
        {u"archive.tar.gz", {u"*.tar.gz"}, false},
        {u"archive.gz", {u"*.tar.gz"}, false},
        {u"archive.tar.gz", {u"*.gz"}, true},
        {u"readme.txt", {u"txt"}, false},
        {u"readme.txt", {u"*.doc", u"*.TXT"}, true},
        {u"readme.txt", {}, false},
    };
    for (const TFilterCase& m_Case : m_arrCases) {
        EXPECT_EQ(PassesExtensionFilter(m_Case.g_strFileName,
                                        BuildExtensionFilter(m_Case.g_arrCheckedItems)),
                  m_Case.g_IsPassing)
            << Utf16ToUtf8(m_Case.g_strFileName);
    }
}

} // namespace
} // namespace morvane
