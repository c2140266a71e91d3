// bench_window: one find task through the real result window, for the benchmark. The window does
// everything it does for a person (the count pass, the worker, every hand-off through the Qt
// dispatcher, the list and the log pages); only the summary box is answered by a stand-in, which
// ends the event loop. The summary goes to standard output so the harness can check the counts.
//
// bench_window [--match-case] [--ext PATTERN]... [--ansi-codepage CPnnn]
//              [--program-folder DIR] [--timeout SECONDS] --find TEXT DIRECTORY
//
// After the summary it prints "longest UI stall: N ms": the longest time, from the start of the
// task to its completion, that the user-interface thread could not run its event loop.
//
// Exit status: 0 the summary was seen, 2 bad arguments, 3 no summary before the timeout, 4 the
// window reported the task completed without showing a summary.

#include "files/u_ProgramFolder.h"
#include "text/u_AnsiCodePage.h"
#include "text/u_ExtensionFilter.h"
#include "u_Dialogs.h"
#include "u_MainThreadDispatcher.h"
#include "u_QtText.h"
#include "u_Result.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace morvane {
namespace {

constexpr int kExitSummarySeen = 0;
constexpr int kExitUsage = 2;
constexpr int kExitTimeout = 3;
constexpr int kExitNoSummary = 4;

struct TBenchOptions {
    QString g_strFind;
    QString g_strDirectory;
    std::vector<std::u16string> g_arrExtensions;
    int g_intAnsiCodePage = 0;
    QString g_strProgramFolder;
    int g_intTimeoutSeconds = 0;
    bool g_IsMatchCase = false;
};

void PrintLine(const QString& p_strText, std::FILE* p_pStream) {
    const QByteArray m_arrBytes = p_strText.toUtf8();
    std::fwrite(m_arrBytes.constData(), 1, static_cast<std::size_t>(m_arrBytes.size()), p_pStream);
    std::fputc('\n', p_pStream);
    std::fflush(p_pStream);
}

// A timer that should tick every few milliseconds: any longer gap between two ticks is time the
// event loop did not run, and a person would have seen the window hang for that long.
class TEventLoopStallProbe {
public:
    static constexpr int kTickIntervalMs = 5;

    TEventLoopStallProbe() {
        g_tmrTick.setTimerType(Qt::PreciseTimer);
        g_tmrTick.setInterval(kTickIntervalMs);
        QObject::connect(&g_tmrTick, &QTimer::timeout, [this] { NoteGap(); });
    }

    void Start() {
        g_Clock.start();
        g_intLastTickNs = 0;
        g_intLongestGapNs = 0;
        g_tmrTick.start();
    }

    // The time since the last tick counts too: the completion itself may be the longest stall.
    void Stop() {
        if (g_tmrTick.isActive()) {
            NoteGap();
            g_tmrTick.stop();
        }
    }

    qint64 LongestGapMs() const { return g_intLongestGapNs / 1000000; }

private:
    void NoteGap() {
        const qint64 m_intNowNs = g_Clock.nsecsElapsed();
        g_intLongestGapNs = std::max(g_intLongestGapNs, m_intNowNs - g_intLastTickNs);
        g_intLastTickNs = m_intNowNs;
    }

    QTimer g_tmrTick;
    QElapsedTimer g_Clock;
    qint64 g_intLastTickNs = 0;
    qint64 g_intLongestGapNs = 0;
};

// Answers every box with its first offered button among OK and Yes. The task's completion summary
// (it starts with the task's kind in brackets) is printed and ends the event loop.
class TBenchDialogs : public TDialogs {
public:
    QMessageBox::StandardButton MessageBox(QWidget* /*p_Parent*/, QMessageBox::Icon /*p_Icon*/,
                                           const QString& p_strTitle, const QString& p_strText,
                                           QMessageBox::StandardButtons p_Buttons) override {
        QString m_strText = p_strText;
        m_strText.replace(QChar(u'\r'), QChar(u'\n'));
        const bool m_IsSummary = p_strText.startsWith(QStringLiteral("[查找文件]")) ||
                                 p_strText.startsWith(QStringLiteral("[替换文件]"));
        if (m_IsSummary) {
            g_IsSummarySeen = true;
            if (g_pStallProbe != nullptr) {
                g_pStallProbe->Stop();
            }
            PrintLine(m_strText, stdout);
            QCoreApplication::exit(kExitSummarySeen);
        } else {
            // Any other box means the run is not the plain one being measured: keep it visible.
            PrintLine(QStringLiteral("box: ") + p_strTitle + QStringLiteral(": ") + m_strText,
                      stderr);
        }
        if (p_Buttons.testFlag(QMessageBox::Ok) || p_Buttons == QMessageBox::NoButton) {
            return QMessageBox::Ok;
        }
        if (p_Buttons.testFlag(QMessageBox::Yes)) {
            return QMessageBox::Yes;
        }
        return QMessageBox::Cancel;
    }

    QString PickFolder(QWidget* /*p_Parent*/, const QString& /*p_strInstruction*/) override {
        return QString();
    }

    bool g_IsSummarySeen = false;
    TEventLoopStallProbe* g_pStallProbe = nullptr;
};

int ParseCodePage(const QString& p_strText) {
    QString m_strDigits = p_strText;
    if (m_strDigits.startsWith(QStringLiteral("CP"), Qt::CaseInsensitive)) {
        m_strDigits = m_strDigits.mid(2);
    }
    bool m_IsNumber = false;
    const int m_intCodePage = m_strDigits.toInt(&m_IsNumber);
    return m_IsNumber && m_intCodePage > 0 ? m_intCodePage : -1;
}

bool ParseOptions(const QStringList& p_arrArguments, TBenchOptions& p_Options) {
    for (qsizetype m_intIndex = 1; m_intIndex < p_arrArguments.size(); ++m_intIndex) {
        const QString& m_strArgument = p_arrArguments[m_intIndex];
        const bool m_IsLast = m_intIndex + 1 >= p_arrArguments.size();
        if (m_strArgument == QStringLiteral("--match-case")) {
            p_Options.g_IsMatchCase = true;
        } else if (m_strArgument.startsWith(QStringLiteral("--")) && m_IsLast) {
            PrintLine(m_strArgument + QStringLiteral(": a value is missing"), stderr);
            return false;
        } else if (m_strArgument == QStringLiteral("--find")) {
            p_Options.g_strFind = p_arrArguments[++m_intIndex];
        } else if (m_strArgument == QStringLiteral("--ext")) {
            p_Options.g_arrExtensions.push_back(ToU16String(p_arrArguments[++m_intIndex]));
        } else if (m_strArgument == QStringLiteral("--ansi-codepage")) {
            p_Options.g_intAnsiCodePage = ParseCodePage(p_arrArguments[++m_intIndex]);
            if (p_Options.g_intAnsiCodePage < 0 ||
                !IsSupportedAnsiCodePage(p_Options.g_intAnsiCodePage)) {
                PrintLine(QStringLiteral("--ansi-codepage: not a supported code page"), stderr);
                return false;
            }
        } else if (m_strArgument == QStringLiteral("--program-folder")) {
            p_Options.g_strProgramFolder = p_arrArguments[++m_intIndex];
        } else if (m_strArgument == QStringLiteral("--timeout")) {
            p_Options.g_intTimeoutSeconds = p_arrArguments[++m_intIndex].toInt();
        } else if (m_strArgument.startsWith(QStringLiteral("--"))) {
            PrintLine(m_strArgument + QStringLiteral(": unknown option"), stderr);
            return false;
        } else if (p_Options.g_strDirectory.isEmpty()) {
            p_Options.g_strDirectory = m_strArgument;
        } else {
            PrintLine(QStringLiteral("only one directory is taken"), stderr);
            return false;
        }
    }
    if (p_Options.g_strFind.isEmpty() || p_Options.g_strDirectory.isEmpty()) {
        PrintLine(QStringLiteral("usage: bench_window [--match-case] [--ext PATTERN]... "
                                 "[--ansi-codepage CPnnn] [--program-folder DIR] "
                                 "[--timeout SECONDS] --find TEXT DIRECTORY"),
                  stderr);
        return false;
    }
    if (p_Options.g_arrExtensions.empty()) {
        p_Options.g_arrExtensions.push_back(u"*.*");
    }
    return true;
}

// Ends the event loop when no summary comes in time, or when the window reports the task
// completed without one.
void WatchForTheSummary(QApplication& p_Application, TfrmResult& p_frmResult,
                        const TBenchDialogs& p_Dialogs, int p_intTimeoutSeconds) {
    if (p_intTimeoutSeconds > 0) {
        QTimer::singleShot(p_intTimeoutSeconds * 1000, &p_Application, [] {
            PrintLine(QStringLiteral("no summary before the timeout"), stderr);
            QCoreApplication::exit(kExitTimeout);
        });
    }
    // The summary may follow the completion signal within the same call: look once the event
    // loop is back, so that only a completion without any summary ends the run this way.
    QObject::connect(&p_frmResult, &TfrmResult::taskCompleted, &p_Application, [&p_Dialogs] {
        QTimer::singleShot(0, QCoreApplication::instance(), [&p_Dialogs] {
            if (!p_Dialogs.g_IsSummarySeen) {
                PrintLine(QStringLiteral("the task completed without a summary"), stderr);
                QCoreApplication::exit(kExitNoSummary);
            }
        });
    });
}

// The find task as the main window hands it over.
void StartFindTask(TfrmResult& p_frmResult, const TBenchOptions& p_Options) {
    const QString m_strFilter = ToQString(BuildExtensionFilter(p_Options.g_arrExtensions));
    // The window expects the folder with its separator, as the main window hands it over.
    QString m_strDirectory = p_Options.g_strDirectory;
    if (!m_strDirectory.endsWith(QChar(u'/'))) {
        m_strDirectory += QChar(u'/');
    }
    p_frmResult.InitGo(QStringLiteral("Morvane"), 2, m_strDirectory, 0, p_Options.g_strFind,
                       QString(), m_strFilter, true, p_Options.g_IsMatchCase);
}

int Run(int p_intArgc, char** p_pArgv) {
    // The benchmark runs where no desktop is; a caller may still choose another platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication m_Application(p_intArgc, p_pArgv);
    TBenchOptions m_Options;
    if (!ParseOptions(QCoreApplication::arguments(), m_Options)) {
        return kExitUsage;
    }
    if (m_Options.g_intAnsiCodePage > 0) {
        SetAnsiCodePage(m_Options.g_intAnsiCodePage);
    }
    // Keeps the window's log pages out of the build tree: the harness gives a scratch folder.
    if (!m_Options.g_strProgramFolder.isEmpty()) {
        SetProgramFolderOverride(ToU16String(m_Options.g_strProgramFolder));
        // Portable, so the log pages go there and not to the user's state folder.
        QFile m_Marker(QDir(m_Options.g_strProgramFolder).filePath(QStringLiteral("portable")));
        if (!m_Marker.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(m_Marker.fileName()));
            return kExitUsage;
        }
    }
    InstallMainThreadDispatcher();
    TBenchDialogs m_Dialogs;
    SetDialogsForTesting(&m_Dialogs);

    QPointer<TfrmResult> m_pResult = new TfrmResult();
    WatchForTheSummary(m_Application, *m_pResult, m_Dialogs, m_Options.g_intTimeoutSeconds);
    // Shown as a person would see it, so list and progress updates cost what they really cost.
    m_pResult->show();
    TEventLoopStallProbe m_StallProbe;
    m_Dialogs.g_pStallProbe = &m_StallProbe;
    m_StallProbe.Start();
    StartFindTask(*m_pResult, m_Options);
    // A summary shown inside InitGo itself has already asked a loop that was not running to end.
    const int m_intExitCode = m_Dialogs.g_IsSummarySeen ? kExitSummarySeen : m_Application.exec();
    m_StallProbe.Stop();
    m_Dialogs.g_pStallProbe = nullptr;
    if (m_Dialogs.g_IsSummarySeen) {
        PrintLine(QStringLiteral("longest UI stall: %1 ms").arg(m_StallProbe.LongestGapMs()),
                  stdout);
    }
    delete m_pResult.data();
    SetDialogsForTesting(nullptr);
    UninstallMainThreadDispatcher();
    return m_intExitCode;
}

} // namespace
} // namespace morvane

int main(int p_intArgc, char** p_pArgv) {
    return morvane::Run(p_intArgc, p_pArgv);
}
