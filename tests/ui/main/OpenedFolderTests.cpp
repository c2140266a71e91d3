// A folder handed to the program from outside: named on its command line, or dropped on the main
// window or its directory box.

#include "MainWindowFixture.h"
#include "u_OpenedFolder.h"
#include "u_StartUp.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

#include <memory>

namespace morvane::test {
namespace {

TEST(OpenedFolder, ComesFromTheFirstArgumentThatIsNoOption) {
    const QString m_strHere = QDir::currentPath();
    const struct {
        QStringList g_arrArguments;
        QString g_strFolder;
    } kCases[] = {
        {{QStringLiteral("morvane")}, QString()},
        {{QStringLiteral("morvane"), QStringLiteral("/srv/site")}, QStringLiteral("/srv/site")},
        {{QStringLiteral("morvane"), QStringLiteral("/srv/site/")}, QStringLiteral("/srv/site")},
        {{QStringLiteral("morvane"), QStringLiteral("/")}, QStringLiteral("/")},
        {{QStringLiteral("morvane"), QStringLiteral("docs/old")},
         m_strHere + QStringLiteral("/docs/old")},
        {{QStringLiteral("morvane"), QStringLiteral("--x"), QStringLiteral("/a"),
          QStringLiteral("/b")},
         QStringLiteral("/a")},
    };
    for (const auto& m_Case : kCases) {
        EXPECT_EQ(TOpenedFolder::FromArguments(m_Case.g_arrArguments), m_Case.g_strFolder)
            << m_Case.g_arrArguments.join(u' ').toStdString();
    }
}

TEST(OpenedFolder, ADragGivesItsOneLocalFolder) {
    TTempTree m_Tree;
    const QString m_strFolder = QString::fromStdString(m_Tree.MakeDir("site").string());
    const QString m_strFile = QString::fromStdString(m_Tree.WriteFile("a.txt", "a").string());
    const struct {
        QList<QUrl> g_arrUrls;
        QString g_strFolder;
    } kCases[] = {
        {{QUrl::fromLocalFile(m_strFolder)}, m_strFolder},
        {{QUrl::fromLocalFile(m_strFolder + u'/')}, m_strFolder},
        {{QUrl::fromLocalFile(m_strFile)}, QString()},
        {{QUrl::fromLocalFile(m_strFolder + QStringLiteral("/gone"))}, QString()},
        {{QUrl::fromLocalFile(m_strFolder), QUrl::fromLocalFile(m_strFolder)}, QString()},
        {{QUrl(QStringLiteral("https://lunvar.example/"))}, QString()},
        {{}, QString()},
    };
    for (const auto& m_Case : kCases) {
        QMimeData m_Data;
        m_Data.setUrls(m_Case.g_arrUrls);
        EXPECT_EQ(TOpenedFolder::FromDrag(&m_Data), m_Case.g_strFolder);
    }
    QMimeData m_Text;
    m_Text.setText(m_strFolder);
    EXPECT_EQ(TOpenedFolder::FromDrag(&m_Text), QString());
}

TEST_F(ProgramFolderTest, StartUpShowsTheFolderOfTheCommandLine) {
    WriteSetting("path.ini", kBom + "/old\r\n");
    TStartUp m_StartUp;
    m_StartUp.Show({QStringLiteral("morvane"), QStringLiteral("/srv/site/")});
    auto* m_drpDirectory =
        m_StartUp.frmMain().findChild<QComboBox*>(QStringLiteral("drpDirectory"));
    EXPECT_EQ(m_drpDirectory->currentText(), QStringLiteral("/srv/site"));
    // Nothing is stored before Go or closing: the history is the file's.
    EXPECT_EQ(m_drpDirectory->count(), 1);
    EXPECT_EQ(ReadSetting("path.ini"), kBom + "/old\r\n");
}

class FolderDropTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        CreateWindow();
        g_frmMain->show();
        QCoreApplication::processEvents();
    }
    // Drags p_Data over p_Target and drops it there; true when the drag was accepted.
    static bool DragAndDrop(QWidget* p_Target, const QMimeData& p_Data) {
        const QPoint m_At = p_Target->rect().center();
        QDragEnterEvent m_Enter(m_At, Qt::CopyAction | Qt::LinkAction, &p_Data, Qt::LeftButton,
                                Qt::NoModifier);
        QCoreApplication::sendEvent(p_Target, &m_Enter);
        if (!m_Enter.isAccepted()) {
            return false;
        }
        QDropEvent m_Drop(m_At, Qt::CopyAction | Qt::LinkAction, &p_Data, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(p_Target, &m_Drop);
        return m_Drop.isAccepted();
    }
    static std::unique_ptr<QMimeData> Urls(const QString& p_strPath) {
        auto m_Data = std::make_unique<QMimeData>();
        m_Data->setUrls({QUrl::fromLocalFile(p_strPath)});
        m_Data->setText(QUrl::fromLocalFile(p_strPath).toString());
        return m_Data;
    }
};

TEST_F(FolderDropTest, ADroppedFolderIsTakenAsIfPickedWithBrowse) {
    const QString m_strFirst = ExistingDirectory("first");
    const QString m_strSecond = ExistingDirectory("second");
    EXPECT_TRUE(DragAndDrop(g_frmMain.get(), *Urls(m_strFirst)));
    EXPECT_EQ(Directory()->currentText(), m_strFirst);
    // On the directory box it replaces the text rather than being typed into it.
    EXPECT_TRUE(DragAndDrop(Directory()->lineEdit(), *Urls(m_strSecond)));
    EXPECT_EQ(Directory()->currentText(), m_strSecond);
    EXPECT_EQ(DropDownItems(), QStringList({m_strSecond, m_strFirst}));
    EXPECT_EQ(ReadSetting("path.ini"),
              kBom + m_strSecond.toStdString() + "\r\n" + m_strFirst.toStdString() + "\r\n");
}

TEST_F(FolderDropTest, AnythingButOneFolderIsRefused) {
    const QString m_strFile = QString::fromStdString(g_Work.WriteFile("a.txt", "a").string());
    EXPECT_FALSE(DragAndDrop(g_frmMain.get(), *Urls(m_strFile)));
    EXPECT_EQ(Directory()->currentText(), QString());
    EXPECT_FALSE(HasSetting("path.ini"));
}

} // namespace
} // namespace morvane::test
