// The real shell on Linux, kept away from the desktop: a fake xdg-mime and text editor on PATH, a
// private D-Bus daemon with a stand-in file manager, and URL handlers that catch whatever would
// have gone to the file's own application.

#ifndef _WIN32

#include "QtPrinters.h"
#include "TempTree.h"
#include "u_Shell.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace morvane {
namespace {

// Bounds for what the launched helpers take; the tests wait for a condition, never for a time.
constexpr int kLaunchTimeoutMs = 20000;

class TUrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> g_arrUrls;
public slots:
    void Open(const QUrl& p_Url) { g_arrUrls.append(p_Url); }
};

class TFileManagerService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList g_arrShownItems;
public slots:
    void ShowItems(const QStringList& p_arrUris, const QString& p_strStartupId) {
        Q_UNUSED(p_strStartupId);
        g_arrShownItems += p_arrUris;
    }
};

const QString kFileManagerService = QStringLiteral("org.freedesktop.FileManager1");
const QString kFileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");

class ShellTest : public ::testing::Test {
protected:
    // One private session bus for the suite, set up before anything in this process has used
    // the session bus, so that no real desktop is ever reached.
    static void SetUpTestSuite() {
        g_BusFolder = std::make_unique<test::TTempTree>();
        const QString m_strDaemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (m_strDaemon.isEmpty()) {
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/morvane-test-bus");
            return;
        }
        const std::string m_strDirectory = g_BusFolder->Root().string();
        g_BusFolder->WriteFile(
            "bus.conf",
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
            "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:dir=" +
                m_strDirectory +
                "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
                "</policy></busconfig>\n");
        g_Daemon = std::make_unique<QProcess>();
        g_Daemon->start(m_strDaemon,
                        {QStringLiteral("--config-file=") +
                             QString::fromStdString(g_BusFolder->Path("bus.conf").string()),
                         QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!g_Daemon->waitForReadyRead(kLaunchTimeoutMs)) {
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/morvane-test-bus");
            return;
        }
        const QByteArray m_strAddress = g_Daemon->readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_strAddress);
        g_strPrivateBusId = BusId(QDBusConnection::connectToBus(
            QString::fromUtf8(m_strAddress), QStringLiteral("morvane-test-bus")));
    }

    static void TearDownTestSuite() {
        if (g_Daemon != nullptr) {
            g_Daemon->kill();
            g_Daemon->waitForFinished(kLaunchTimeoutMs);
            g_Daemon.reset();
        }
        g_BusFolder.reset();
    }

    void SetUp() override {
        g_strOldPath = qgetenv("PATH");
        g_strOldDataHome = qgetenv("XDG_DATA_HOME");
        g_strOldDataDirs = qgetenv("XDG_DATA_DIRS");
        qputenv("PATH", QByteArray(g_Tree.Path("bin").c_str()) + ':' + g_strOldPath);
        qputenv("XDG_DATA_HOME", g_Tree.Path("home").c_str());
        qputenv("XDG_DATA_DIRS", g_Tree.Path("system").c_str());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &g_Recorder, "Open");
        g_strFile = QString::fromStdString(g_Tree.WriteFile("my docs/page one.htm", "x").string());
    }

    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        qputenv("PATH", g_strOldPath);
        qputenv("XDG_DATA_HOME", g_strOldDataHome);
        qputenv("XDG_DATA_DIRS", g_strOldDataDirs);
    }

    void WriteScript(const char* p_strName, const std::string& p_strBody) {
        const auto m_Path =
            g_Tree.WriteFile(std::string("bin/") + p_strName, "#!/bin/sh\n" + p_strBody);
        QFile::setPermissions(QString::fromStdString(m_Path.string()),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    static QString BusId(const QDBusConnection& p_Bus) {
        if (!p_Bus.isConnected()) {
            return {};
        }
        const QDBusReply<QString> m_Reply = p_Bus.interface()->call(QStringLiteral("GetId"));
        return m_Reply.isValid() ? m_Reply.value() : QString();
    }
    // The session bus in use is the private one. When something opened the session bus before
    // this suite could point it there (the xcb platform plugin does), it may be a real desktop's.
    static bool IsPrivateBus() {
        return !g_strPrivateBusId.isEmpty() &&
               BusId(QDBusConnection::sessionBus()) == g_strPrivateBusId;
    }
    static bool IsForeignBus() {
        return QDBusConnection::sessionBus().isConnected() && !IsPrivateBus();
    }

    static std::unique_ptr<test::TTempTree> g_BusFolder;
    static std::unique_ptr<QProcess> g_Daemon;
    static QString g_strPrivateBusId;

    test::TTempTree g_Tree;
    TUrlRecorder g_Recorder;
    TShell g_Shell;
    QString g_strFile;
    QByteArray g_strOldPath;
    QByteArray g_strOldDataHome;
    QByteArray g_strOldDataDirs;
};

std::unique_ptr<test::TTempTree> ShellTest::g_BusFolder;
std::unique_ptr<QProcess> ShellTest::g_Daemon;
QString ShellTest::g_strPrivateBusId;

TEST_F(ShellTest, TextEditorIsTheDesktopsOneForPlainTextWithThePathAsOneArgument) {
    const std::string m_strArgsFile = g_Tree.Path("args.txt").string();
    WriteScript("xdg-mime",
                "[ \"$*\" = 'query default text/plain' ] && echo fake-editor.desktop\n");
    WriteScript("fake-editor", "printf '%s\\n' \"$#\" \"$@\" > '" + m_strArgsFile +
                                   ".tmp' && mv '" + m_strArgsFile + ".tmp' '" + m_strArgsFile +
                                   "'\n");
    g_Tree.WriteFile("system/applications/fake-editor.desktop",
                     "[Desktop Entry]\nType=Application\nExec=" +
                         g_Tree.Path("bin/fake-editor").string() + " --new-window %U\n");

    g_Shell.OpenInTextEditor(g_strFile);
    const QString m_strArgs = QString::fromStdString(m_strArgsFile);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(m_strArgs); }, kLaunchTimeoutMs));
    EXPECT_EQ(QString::fromStdString(test::TTempTree::ReadBytes(m_strArgsFile)),
              QStringLiteral("2\n--new-window\n") + g_strFile + u'\n');
    EXPECT_TRUE(g_Recorder.g_arrUrls.isEmpty());
}

TEST_F(ShellTest, WithoutATextEditorTheFilesOwnApplicationOpensIt) {
    WriteScript("xdg-mime", "exit 4\n");
    g_Shell.OpenInTextEditor(g_strFile);
    EXPECT_EQ(g_Recorder.g_arrUrls, QList<QUrl>{QUrl::fromLocalFile(g_strFile)});
}

TEST_F(ShellTest, TextEditorWhoseDesktopFileIsMissingFallsBackToo) {
    WriteScript("xdg-mime", "echo missing.desktop\n");
    g_Shell.OpenInTextEditor(g_strFile);
    EXPECT_EQ(g_Recorder.g_arrUrls, QList<QUrl>{QUrl::fromLocalFile(g_strFile)});
}

TEST_F(ShellTest, FileManagerIsAskedToShowTheFileOverDBus) {
    if (!IsPrivateBus()) {
        GTEST_SKIP() << "no private session bus: dbus-daemon is missing or the session bus was "
                        "opened before this suite";
    }
    QDBusConnection m_Bus = QDBusConnection::sessionBus();
    TFileManagerService m_Service;
    ASSERT_TRUE(
        m_Bus.registerObject(kFileManagerPath, &m_Service, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(m_Bus.registerService(kFileManagerService));

    g_Shell.ShowInFileManager(g_strFile);
    const bool m_IsShown =
        QTest::qWaitFor([&] { return !m_Service.g_arrShownItems.isEmpty(); }, kLaunchTimeoutMs);
    m_Bus.unregisterService(kFileManagerService);
    m_Bus.unregisterObject(kFileManagerPath);
    ASSERT_TRUE(m_IsShown);
    EXPECT_EQ(m_Service.g_arrShownItems,
              QStringList{QUrl::fromLocalFile(g_strFile).toString(QUrl::FullyEncoded)});
    EXPECT_TRUE(
        m_Service.g_arrShownItems.first().contains(QStringLiteral("my%20docs/page%20one.htm")));
    EXPECT_TRUE(g_Recorder.g_arrUrls.isEmpty());
}

TEST_F(ShellTest, WithoutAFileManagerTheFolderOpens) {
    if (IsForeignBus()) {
        GTEST_SKIP() << "the session bus may be a real desktop's, whose file manager would open";
    }
    g_Shell.ShowInFileManager(g_strFile);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !g_Recorder.g_arrUrls.isEmpty(); }, kLaunchTimeoutMs));
    EXPECT_EQ(g_Recorder.g_arrUrls,
              QList<QUrl>{QUrl::fromLocalFile(QFileInfo(g_strFile).absolutePath())});
}

} // namespace
} // namespace morvane

#include "ShellTests.moc"

#endif
