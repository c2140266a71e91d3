#include "u_StartUp.h"

#include "u_About.h"
#include "u_Extension.h"
#include "u_GoTask.h"
#include "u_Main.h"
#include "u_OpenedFolder.h"
#include "u_Result.h"

namespace morvane {

TStartUp::TStartUp()
    : g_frmMain(std::make_unique<TfrmMain>()), g_frmResult(std::make_unique<TfrmResult>()),
      g_frmExtension(std::make_unique<TfrmExtension>()), g_frmAbout(std::make_unique<TfrmAbout>()) {
    TfrmMain* m_frmMain = g_frmMain.get();
    TfrmResult* m_frmResult = g_frmResult.get();
    TfrmAbout* m_frmAbout = g_frmAbout.get();

    m_frmMain->setExtensionWindow(g_frmExtension.get());
    m_frmMain->setAboutWindow(m_frmAbout);
    m_frmMain->setTaskStarter([m_frmResult](const QString& p_strCaption, const TGoTask& p_Task) {
        m_frmResult->setWindowTitle(p_strCaption);
        m_frmResult->setSoftware(TfrmMain::Software());
        m_frmResult->setPlatform(TfrmMain::Platform());
        m_frmResult->setVersion(TfrmMain::Version());
        m_frmResult->show();
        m_frmResult->InitGo(p_Task.g_strSoftware, p_Task.g_intMode, p_Task.g_strDirectory,
                            p_Task.g_intEncoding, p_Task.g_strOldText, p_Task.g_strNewText,
                            p_Task.g_strExtension, p_Task.g_IsContainSubFloder,
                            p_Task.g_IsMatchCase, p_Task.g_IsPreview);
    });

    m_frmResult->setMainWindow(m_frmMain);
    m_frmResult->setAboutBoxOpener([m_frmAbout](const QString& p_strSoftware,
                                                const QString& p_strPlatform,
                                                const QString& p_strVersion) {
        m_frmAbout->setSoftware(p_strSoftware);
        m_frmAbout->setPlatform(p_strPlatform);
        m_frmAbout->setVersion(p_strVersion);
        m_frmAbout->exec();
    });
}

TStartUp::~TStartUp() = default;

void TStartUp::Show(const QStringList& p_arrArguments) {
    g_frmMain->SetStartUpDirectory(TOpenedFolder::FromArguments(p_arrArguments));
    g_frmMain->show();
}

} // namespace morvane
