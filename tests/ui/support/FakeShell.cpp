#include "FakeShell.h"

namespace morvane::test {

TFakeShell::TFakeShell() {
    SetShellForTesting(this);
}

TFakeShell::~TFakeShell() {
    SetShellForTesting(nullptr);
}

void TFakeShell::OpenInTextEditor(const QString& p_strFileName) {
    g_arrCalls.append({TShellAction::OpenInTextEditor, p_strFileName});
}

void TFakeShell::ShowInFileManager(const QString& p_strFileName) {
    g_arrCalls.append({TShellAction::ShowInFileManager, p_strFileName});
}

void TFakeShell::OpenUrl(const QString& p_strUrl) {
    g_arrCalls.append({TShellAction::OpenUrl, p_strUrl});
}

} // namespace morvane::test
