#pragma once
// A result window with its program folder, a tree to work on, and the dialog and shell fakes.
// Tasks run on the real worker threads; tests wait for them through the event loop.

#include "DataLocationsScope.h"
#include "FakeDialogs.h"
#include "FakeLogsClock.h"
#include "FakeShell.h"
#include "QtPrinters.h"
#include "ScreenGeometryScope.h"
#include "TempTree.h"
#include "core/u_Types.h"
#include "files/u_ProgramFolder.h"
#include "u_QtText.h"
#include "u_Result.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace morvane::test {

// Long enough for any task of these tests on a loaded machine; a bound, not a pause.
inline constexpr int kTaskTimeoutMs = 60000;
// The second the fake clock names task log folders by, until a taken name moves it on.
inline const std::time_t kTaskStartTime = LocalTime(2026, 12, 8, 10, 15, 30);

class ResultWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetTaskLogsClockForTesting(&g_LogsClock.Clock());
        g_frmResult = std::make_unique<TfrmResult>();
        g_frmResult->setMainWindow(&g_frmMain);
    }

    void TearDown() override {
        g_frmResult.reset();
        SetTaskLogsClockForTesting(nullptr);
    }

    template <typename TWidget> TWidget* Find(const char* p_strName) const {
        auto* m_Widget = g_frmResult->findChild<TWidget*>(QString::fromLatin1(p_strName));
        EXPECT_NE(m_Widget, nullptr) << p_strName;
        return m_Widget;
    }
    QTreeWidget* List() const { return Find<QTreeWidget>("lvwFileList"); }
    QPushButton* Button(const char* p_strName) const { return Find<QPushButton>(p_strName); }
    QString Text(const char* p_strLabelName) const { return Find<QLabel>(p_strLabelName)->text(); }
    QString PagerText() const {
        return Text("lblCurrentPage") + Text("lblPageCount") + Text("lblPageSize") +
               Text("lblRecordCount");
    }
    QString Root() const { return QString::fromStdString(g_Tree.RootWithSlash()); }

    // Starts a task on g_Tree. The workers wait for this thread's event loop, so nothing of the
    // task reaches the window until the test waits.
    void StartTask(std::int32_t p_intMode, const QString& p_strExtension = QStringLiteral("*.TXT|"),
                   bool p_IsContainSubFloder = true) {
        g_frmResult->InitGo(QStringLiteral("Morvane"), p_intMode, Root(), 0, QStringLiteral("abc"),
                            QStringLiteral("xyz"), p_strExtension, p_IsContainSubFloder, false);
    }

    // Runs the event loop until CheckCompleted has run.
    bool WaitForCompletion() {
        QSignalSpy m_Spy(g_frmResult.get(), &TfrmResult::taskCompleted);
        return m_Spy.wait(kTaskTimeoutMs);
    }

    // Runs a task on an empty folder to its end: the window then has a log folder and a mode.
    void RunEmptyTask(std::int32_t p_intMode) {
        g_Tree.MakeDir("empty");
        g_frmResult->InitGo(QStringLiteral("Morvane"), p_intMode,
                            QString::fromStdString(g_Tree.Path("empty").string()) + u'/', 0,
                            QStringLiteral("abc"), QStringLiteral("xyz"), QStringLiteral("*.TXT|"),
                            true, false);
        ASSERT_TRUE(WaitForCompletion());
        g_Dialogs.Clear();
    }

    // Writes a log page file of the current task: UTF-8 with its mark, CR LF after every line.
    void WritePage(std::int32_t p_intPage, const QStringList& p_arrLines) const {
        QFile m_File(g_frmResult->logsDirectory() + u'/' +
                     QStringLiteral("%1.txt").arg(p_intPage, 6, 10, QLatin1Char('0')));
        ASSERT_TRUE(m_File.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray m_Bytes("\xEF\xBB\xBF");
        for (const QString& m_strLine : p_arrLines) {
            m_Bytes += m_strLine.toUtf8() + "\r\n";
        }
        ASSERT_EQ(m_File.write(m_Bytes), m_Bytes.size());
    }

    TFakeLogsClock g_LogsClock{kTaskStartTime};
    TTempTree g_ProgramFolder;
    TDataLocationsScope g_DataLocations{g_ProgramFolder};
    TScreenGeometryScope g_Screen;
    TTempTree g_Tree;
    TFakeDialogs g_Dialogs;
    TFakeShell g_Shell;
    QWidget g_frmMain;
    std::unique_ptr<TfrmResult> g_frmResult;
};

} // namespace morvane::test
