#include "task/u_TaskChecks.h"

#include "files/u_FolderPath.h"

namespace morvane {

namespace {

TGoCheckResult Failed(TGoCheck p_Check, const char16_t* p_strMessage) {
    TGoCheckResult m_Result;
    m_Result.g_Check = p_Check;
    m_Result.g_strMessage = p_strMessage;
    return m_Result;
}

} // namespace

TGoCheckResult CheckGoTask(const TTaskParameters& p_Task) {
    if (!IsExistingDirectory(p_Task.g_strDirectory)) {
        return Failed(TGoCheck::DirectoryMissing, u"文件路径不存在，请重新选择路径！");
    }
    if (p_Task.g_strOldText.empty()) {
        return Failed(TGoCheck::FindTextEmpty, u"请输入需要进行查找的文字！");
    }
    const bool m_IsReplace = p_Task.g_intMode == kModeReplace;
    if (m_IsReplace && p_Task.g_strNewText == p_Task.g_strOldText) {
        return Failed(TGoCheck::SameTexts, u"替换文字不能与查找文字相同！");
    }
    if (p_Task.g_strExtension.empty()) {
        return Failed(TGoCheck::NoExtension, u"请选择文件格式！");
    }
    TGoCheckResult m_Result;
    // A preview changes no file, so there is nothing to agree to.
    m_Result.g_IsConfirmationNeeded = m_IsReplace && p_Task.g_Kind != TTaskKind::ReplacePreview;
    return m_Result;
}

std::u16string ReplaceConfirmationWarning() {
    return u"替换模式下，将对目录中文件内容进行批量替换，替换过程不可逆。\r"
           u"请务必先做好文件备份，再执行替换操作。";
}

std::u16string ReplaceConfirmationQuestion() {
    return ReplaceConfirmationWarning() + u"\r\r是否立即开始执行替换任务？";
}

} // namespace morvane
