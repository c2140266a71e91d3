#include "text/u_ExtensionFilter.h"

#include "text/u_TextConvert.h"

namespace morvane {

namespace {

std::u16string_view BareFileName(std::u16string_view p_strFileName) {
#ifdef _WIN32
    const std::size_t m_intSeparator = p_strFileName.find_last_of(u"\\/");
#else
    // Elsewhere "\" is an ordinary character of a name.
    const std::size_t m_intSeparator = p_strFileName.find_last_of(u'/');
#endif
    return m_intSeparator == std::u16string_view::npos ? p_strFileName
                                                       : p_strFileName.substr(m_intSeparator + 1);
}

} // namespace

std::u16string_view FileNameExtension(std::u16string_view p_strFileName) {
    const std::u16string_view m_strName = BareFileName(p_strFileName);
    const std::size_t m_intDot = m_strName.find_last_of(u'.');
    return m_intDot == std::u16string_view::npos ? std::u16string_view()
                                                 : m_strName.substr(m_intDot);
}

std::u16string ExtensionFilterKey(std::u16string_view p_strFileName) {
    std::u16string m_strKey = u"*";
    m_strKey += AsciiUpperCase(FileNameExtension(p_strFileName));
    m_strKey += u'|';
    return m_strKey;
}

bool PassesExtensionFilter(std::u16string_view p_strFileName, std::u16string_view p_strExtension) {
    return p_strExtension.find(ExtensionFilterKey(p_strFileName)) != std::u16string_view::npos;
}

std::u16string BuildExtensionFilter(const std::vector<std::u16string>& p_arrCheckedItems) {
    std::u16string m_strExtension;
    for (const std::u16string& m_strItem : p_arrCheckedItems) {
        m_strExtension += AsciiUpperCase(m_strItem);
        m_strExtension += u'|';
    }
    return m_strExtension;
}

} // namespace morvane
