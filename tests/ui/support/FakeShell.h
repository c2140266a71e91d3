#pragma once
// TFakeShell: records what the windows hand to outside programs instead of launching them, and
// can play a desktop that has no program for them.
// Installed for its lifetime.

#include "u_Shell.h"

#include <QList>
#include <QString>

namespace morvane::test {

enum class TShellAction { OpenInTextEditor, ShowInFileManager, OpenUrl };

struct TShellCall {
    TShellAction g_Action = TShellAction::OpenInTextEditor;
    QString g_strArgument;

    bool operator==(const TShellCall&) const = default;
};

class TFakeShell : public TShell {
public:
    TFakeShell();
    ~TFakeShell() override;
    TFakeShell(const TFakeShell&) = delete;
    TFakeShell& operator=(const TFakeShell&) = delete;

    bool OpenInTextEditor(const QString& p_strFileName) override;
    bool ShowInFileManager(const QString& p_strFileName) override;
    bool OpenUrl(const QString& p_strUrl) override;

    // Fault injection: every call is still recorded, and reports that no program was found.
    bool g_IsFailing = false;

    const QList<TShellCall>& Calls() const { return g_arrCalls; }

private:
    QList<TShellCall> g_arrCalls;
};

} // namespace morvane::test
