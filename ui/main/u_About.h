#pragma once
// TfrmAbout: the About box. Created once at start-up; every caller fills in the three product
// texts and then shows it modally.

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QPushButton;

namespace morvane {

class TLinkLabel;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    static constexpr int kModalResultCancel = 2;

    explicit TfrmAbout(QWidget* p_Parent = nullptr);

    void setSoftware(const QString& p_strSoftware);
    void setPlatform(const QString& p_strPlatform);
    void setVersion(const QString& p_strVersion);

    void btnCloseClick();
    void lblWebsiteClick();
    void lblEmailClick();
    void lblWebsiteMouseEnter();
    void lblWebsiteMouseLeave();
    void lblEmailMouseEnter();
    void lblEmailMouseLeave();

    // The maker's addresses, as shown and as opened.
    static QString WebsiteUrl();
    static QString EmailAddress();

    // The close box ends the display with Cancel as well.
    void reject() override;

private:
    QLabel* AddText(const QString& p_strName, const QString& p_strCaption, int p_intLeft,
                    int p_intTop);
    TLinkLabel* AddLink(const QString& p_strName, const QString& p_strCaption, int p_intLeft,
                        int p_intTop);
    static void SetLinkLook(QLabel* p_lblLink, bool p_IsHovered);
    void ArrangeColumns();

    QLabel* imgAppIcon = nullptr;
    QLabel* lblSoftware = nullptr;
    QLabel* lblPlatform = nullptr;
    QLabel* lblVersion = nullptr;
    TLinkLabel* lblWebsite = nullptr;
    TLinkLabel* lblEmail = nullptr;
    QPushButton* btnClose = nullptr;
    QList<QLabel*> g_arrCaptionLabels;
    QList<QLabel*> g_arrValueLabels;
};

} // namespace morvane
