#include "u_Shell.h"

#include "u_Dialogs.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#ifdef _WIN32
#include <QDir>

#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs
#else
#include "logs/u_NameEscape.h"
#include "text/u_TextConvert.h"
#include "u_DesktopEntry.h"
#include "u_QtText.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QProcess>
#endif

namespace morvane {

namespace {

TShell* g_TestShell = nullptr; // user-interface thread only

#ifdef _WIN32

bool ShellOpen(const QString& p_strProgram, const QString& p_strParameters) {
    // Above 32 means started; what the launched program shows afterwards is its own.
    const HINSTANCE m_Result = ShellExecuteW(
        nullptr, L"open", reinterpret_cast<const wchar_t*>(p_strProgram.utf16()),
        p_strParameters.isEmpty() ? nullptr
                                  : reinterpret_cast<const wchar_t*>(p_strParameters.utf16()),
        nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(m_Result) > 32;
}

#else

// How long the desktop may take to name its text editor before the file's own type decides.
constexpr int kMimeQueryTimeoutMs = 3000;

// The desktop id of the default application for plain text, or empty.
QString DefaultTextEditorId() {
    QProcess m_Process;
    m_Process.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                                 QStringLiteral("text/plain")});
    if (!m_Process.waitForFinished(kMimeQueryTimeoutMs) ||
        m_Process.exitStatus() != QProcess::NormalExit || m_Process.exitCode() != 0) {
        m_Process.kill();
        m_Process.waitForFinished(kMimeQueryTimeoutMs);
        return {};
    }
    const QString m_strOutput = QString::fromUtf8(m_Process.readAllStandardOutput()).trimmed();
    return m_strOutput.section(u';', 0, 0).section(u'\n', 0, 0).trimmed();
}

bool StartDefaultTextEditor(const QString& p_strFileName) {
    const QString m_strDesktopFile =
        FindDesktopFile(DefaultTextEditorId(), DesktopApplicationDirectoriesFromEnvironment());
    if (m_strDesktopFile.isEmpty()) {
        return false;
    }
    QStringList m_arrCommand =
        BuildDesktopCommand(ReadDesktopExec(m_strDesktopFile), p_strFileName);
    if (m_arrCommand.isEmpty()) {
        return false;
    }
    const QString m_strProgram = m_arrCommand.takeFirst();
    return QProcess::startDetached(m_strProgram, m_arrCommand);
}

// The bytes of a file name as the result window hands it over (NativeNameToText): a name that
// is not UTF-8 carries its other bytes as lone surrogates, which no QString conversion keeps.
QByteArray NativeFileName(const QString& p_strFileName) {
    const std::string m_strBytes = TextToNativeName(ToU16String(p_strFileName));
    return QByteArray(m_strBytes.data(), static_cast<qsizetype>(m_strBytes.size()));
}

bool IsUtf8Name(const QByteArray& p_strNative) {
    return IsWellFormedUtf8(
        std::string_view(p_strNative.constData(), static_cast<std::size_t>(p_strNative.size())));
}

// A file URL that spells every byte of the name, percent-encoded.
QUrl NativeFileUrl(const QByteArray& p_strNative) {
    return QUrl::fromEncoded("file://" + p_strNative.toPercentEncoding("/"), QUrl::StrictMode);
}

bool OpenContainingFolder(const QString& p_strFileName) {
    const QByteArray m_strNative = NativeFileName(p_strFileName);
    if (IsUtf8Name(m_strNative)) {
        return QDesktopServices::openUrl(
            QUrl::fromLocalFile(QFileInfo(p_strFileName).absolutePath()));
    }
    const qsizetype m_intSlash = m_strNative.lastIndexOf('/');
    return QDesktopServices::openUrl(
        NativeFileUrl(m_intSlash > 0 ? m_strNative.left(m_intSlash) : QByteArray("/")));
}

#endif

} // namespace

bool TShell::OpenInTextEditor(const QString& p_strFileName) {
#ifdef _WIN32
    // Passed unquoted, as the editor takes its whole command line as one file name.
    return ShellOpen(QStringLiteral("notepad.exe"), QDir::toNativeSeparators(p_strFileName));
#else
    const QByteArray m_strNative = NativeFileName(p_strFileName);
    // A program's arguments are QStrings, which cannot spell a name that is not UTF-8: such a
    // name goes by its URL to the desktop's application for the file's type.
    if (!IsUtf8Name(m_strNative)) {
        return QDesktopServices::openUrl(NativeFileUrl(m_strNative));
    }
    return StartDefaultTextEditor(p_strFileName) ||
           QDesktopServices::openUrl(QUrl::fromLocalFile(p_strFileName));
#endif
}

bool TShell::ShowInFileManager(const QString& p_strFileName) {
#ifdef _WIN32
    return ShellOpen(QStringLiteral("explorer.exe"),
                     QStringLiteral("/select,") + QDir::toNativeSeparators(p_strFileName));
#else
    QDBusConnection m_Bus = QDBusConnection::sessionBus();
    if (!m_Bus.isConnected()) {
        return OpenContainingFolder(p_strFileName);
    }
    QDBusMessage m_Call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    m_Call << QStringList{QString::fromLatin1(
                  NativeFileUrl(NativeFileName(p_strFileName)).toEncoded())}
           << QString();
    // Asynchronous: a file manager that is slow to start must not freeze the window.
    auto* m_Watcher =
        new QDBusPendingCallWatcher(m_Bus.asyncCall(m_Call), QCoreApplication::instance());
    QObject::connect(m_Watcher, &QDBusPendingCallWatcher::finished, m_Watcher,
                     [p_strFileName](QDBusPendingCallWatcher* p_Watcher) {
                         if (p_Watcher->isError() && !OpenContainingFolder(p_strFileName)) {
                             ShowNoProgram(nullptr, TShellTarget::Folder,
                                           QFileInfo(p_strFileName).absolutePath());
                         }
                         p_Watcher->deleteLater();
                     });
    return true;
#endif
}

bool TShell::OpenUrl(const QString& p_strUrl) {
#ifdef _WIN32
    return ShellOpen(p_strUrl, QString());
#else
    return QDesktopServices::openUrl(QUrl(p_strUrl));
#endif
}

QString NoProgramText(TShellTarget p_Target, const QString& p_strTarget) {
    switch (p_Target) {
    case TShellTarget::File:
        return QStringLiteral("没有可以打开此文件的程序：") + p_strTarget;
    case TShellTarget::Folder:
        return QStringLiteral("没有可以打开此文件夹的程序：") + p_strTarget;
    case TShellTarget::Link:
        break;
    }
    return QStringLiteral("没有可以打开此链接的程序：") + p_strTarget;
}

void ShowNoProgram(QWidget* p_Parent, TShellTarget p_Target, const QString& p_strTarget) {
    ShowNotice(p_Parent, NoProgramText(p_Target, p_strTarget), QMessageBox::Warning);
}

TShell& Shell() {
    static TShell m_RealShell;
    return g_TestShell != nullptr ? *g_TestShell : m_RealShell;
}

void SetShellForTesting(TShell* p_Shell) {
    g_TestShell = p_Shell;
}

} // namespace morvane
