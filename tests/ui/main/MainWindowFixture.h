#pragma once
// A program folder of its own for every test, the dialog and shell fakes, and a main window
// created in it. The main window's task and clean-up starters are recorded, not run.

#include "DataLocationsScope.h"
#include "FakeDialogs.h"
#include "FakeShell.h"
#include "ScreenGeometryScope.h"
#include "TempTree.h"
#include "files/u_ProgramFolder.h"
#include "u_GoTask.h"
#include "u_Main.h"
#include "u_QtText.h"
#include "u_SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

namespace morvane::test {

inline const std::string kBom = "\xEF\xBB\xBF";

class ProgramFolderTest : public ::testing::Test {
protected:
    void TearDown() override {}

    QString Folder() const { return QString::fromStdString(g_ProgramFolder.RootWithSlash()); }
    void WriteSetting(std::string_view p_strName, std::string_view p_strBytes) {
        g_ProgramFolder.WriteFile(p_strName, p_strBytes);
    }
    std::string ReadSetting(std::string_view p_strName) const {
        return g_ProgramFolder.ReadFile(p_strName);
    }
    bool HasSetting(std::string_view p_strName) const {
        return std::filesystem::exists(g_ProgramFolder.Path(p_strName));
    }

    TTempTree g_ProgramFolder;
    // Portable unless a test says otherwise; the XDG folders are the test's own.
    TDataLocationsScope g_DataLocations{g_ProgramFolder};
    TScreenGeometryScope g_Screen;
    TFakeDialogs g_Dialogs;
    TFakeShell g_Shell;
};

class MainWindowTest : public ProgramFolderTest {
protected:
    struct TStartedTask {
        QString g_strCaption;
        TGoTask g_Task;
    };

    // Creates the main window; tests first write the settings files they need.
    void CreateWindow() {
        g_frmMain = std::make_unique<TfrmMain>();
        g_frmMain->setTaskStarter([this](const QString& p_strCaption, const TGoTask& p_Task) {
            g_arrStartedTasks.push_back({p_strCaption, p_Task});
            g_arrEvents.push_back(QStringLiteral("task"));
        });
        g_frmMain->setLogsCleanUpStarter([this](const QString& p_strFolder) {
            g_arrCleanUps.push_back(p_strFolder);
            g_arrEvents.push_back(QStringLiteral("clean-up"));
        });
        g_Dialogs.g_doOnMessage = [this](const TRecordedMessage& p_Message) {
            g_arrEvents.push_back(QStringLiteral("message:") + p_Message.g_strTitle);
        };
    }

    void TearDown() override {
        g_frmMain.reset();
        ProgramFolderTest::TearDown();
    }

    template <typename TWidget> TWidget* Find(const char* p_strName) const {
        auto* m_Widget = g_frmMain->findChild<TWidget*>(QString::fromLatin1(p_strName));
        EXPECT_NE(m_Widget, nullptr) << p_strName;
        return m_Widget;
    }
    QComboBox* Directory() const { return Find<QComboBox>("drpDirectory"); }
    QListWidget* Extensions() const { return Find<QListWidget>("clbFileExtList"); }
    QPlainTextEdit* FindText() const { return Find<QPlainTextEdit>("memFindText"); }
    QPlainTextEdit* ReplaceText() const { return Find<QPlainTextEdit>("memReplaceText"); }
    QCheckBox* Option(const char* p_strName) const { return Find<QCheckBox>(p_strName); }
    QPushButton* Button(const char* p_strName) const { return Find<QPushButton>(p_strName); }

    QStringList ItemTexts() const {
        QStringList m_arrItems;
        for (int m_intIndex = 0; m_intIndex < Extensions()->count(); ++m_intIndex) {
            m_arrItems.append(Extensions()->item(m_intIndex)->text());
        }
        return m_arrItems;
    }
    QStringList CheckedTexts() const {
        QStringList m_arrItems;
        for (int m_intIndex = 0; m_intIndex < Extensions()->count(); ++m_intIndex) {
            if (Extensions()->item(m_intIndex)->checkState() == Qt::Checked) {
                m_arrItems.append(Extensions()->item(m_intIndex)->text());
            }
        }
        return m_arrItems;
    }
    void Check(const QString& p_strItem) const {
        for (QListWidgetItem* m_Item : Extensions()->findItems(p_strItem, Qt::MatchExactly)) {
            m_Item->setCheckState(Qt::Checked);
        }
    }
    QStringList DropDownItems() const {
        QStringList m_arrItems;
        for (int m_intIndex = 0; m_intIndex < Directory()->count(); ++m_intIndex) {
            m_arrItems.append(Directory()->itemText(m_intIndex));
        }
        return m_arrItems;
    }
    QStringList MessageTexts() const {
        QStringList m_arrTexts;
        for (const TRecordedMessage& m_Message : g_Dialogs.Messages()) {
            m_arrTexts.append(m_Message.g_strText);
        }
        return m_arrTexts;
    }

    // A directory of the test's own that exists, without a trailing "/".
    QString ExistingDirectory(std::string_view p_strName = "work") {
        return QString::fromStdString(g_Work.MakeDir(p_strName).string());
    }

    // Fields of a task that passes every check: an existing directory, a find text and one
    // checked pattern.
    void FillValidTask() {
        Directory()->setEditText(ExistingDirectory());
        FindText()->setPlainText(QStringLiteral("abc"));
        ReplaceText()->setPlainText(QStringLiteral("xyz"));
        Check(QStringLiteral("*.txt"));
    }

    std::unique_ptr<TfrmMain> g_frmMain;
    TTempTree g_Work;
    std::vector<TStartedTask> g_arrStartedTasks;
    QStringList g_arrCleanUps;
    QStringList g_arrEvents;
};

} // namespace morvane::test
