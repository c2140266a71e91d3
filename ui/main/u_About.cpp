#include "u_About.h"

#include "u_LinkLabel.h"
#include "u_Shell.h"

#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include <algorithm>

namespace morvane {

namespace {

const QColor kLinkColour(0, 0, 255);
const QColor kHoverColour(255, 0, 0);
constexpr int kClientWidth = 347;
constexpr int kClientHeight = 275;
constexpr int kCaptionLeft = 139;
constexpr int kValueLeft = 204;
constexpr int kColumnGap = 4;
constexpr int kRightMargin = 10;

QFont LabelFont() {
    QFont m_Font(QStringLiteral("宋体"));
    m_Font.setPixelSize(12);
    return m_Font;
}

} // namespace

TfrmAbout::TfrmAbout(QWidget* p_Parent) : QDialog(p_Parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    QFont m_WindowFont(QStringLiteral("Tahoma"));
    m_WindowFont.setPixelSize(11);
    setFont(m_WindowFont);

    imgAppIcon = new QLabel(this);
    imgAppIcon->setObjectName(QStringLiteral("imgAppIcon"));
    imgAppIcon->setGeometry(40, 35, 64, 64);
    imgAppIcon->setPixmap(QIcon(QStringLiteral(":/morvane/AppIcon.png")).pixmap(64, 64));

    const auto AddCaption = [this](const QString& p_strName, const QString& p_strCaption,
                                   int p_intTop) {
        g_arrCaptionLabels.append(AddText(p_strName, p_strCaption, kCaptionLeft, p_intTop));
    };
    AddCaption(QStringLiteral("lblSoftwareLabel"), QStringLiteral("软件名称："), 35);
    lblSoftware =
        AddText(QStringLiteral("lblSoftware"), QStringLiteral("软件名称"), kValueLeft, 35);
    AddCaption(QStringLiteral("lblPlatformLabel"), QStringLiteral("软件架构："), 65);
    lblPlatform =
        AddText(QStringLiteral("lblPlatform"), QStringLiteral("软件架构"), kValueLeft, 65);
    AddCaption(QStringLiteral("lblVersionLabel"), QStringLiteral("软件版本："), 95);
    lblVersion = AddText(QStringLiteral("lblVersion"), QStringLiteral("软件版本"), kValueLeft, 95);
    AddCaption(QStringLiteral("lblWebsiteLabel"), QStringLiteral("Lunvar网站："), 125);
    lblWebsite =
        AddLink(QStringLiteral("lblWebsite"), WebsiteUrl().section(u'/', 2), kValueLeft, 125);
    AddCaption(QStringLiteral("lblEmailLabel"), QStringLiteral("电子邮件："), 155);
    lblEmail = AddLink(QStringLiteral("lblEmail"), EmailAddress(), kValueLeft, 155);
    g_arrValueLabels = {lblSoftware, lblPlatform, lblVersion, lblWebsite, lblEmail};
    // Each caption labels its value; the values keep their own texts as their names.
    for (qsizetype m_intIndex = 0; m_intIndex < g_arrCaptionLabels.size(); ++m_intIndex) {
        g_arrCaptionLabels.at(m_intIndex)->setBuddy(g_arrValueLabels.at(m_intIndex));
    }
    ArrangeColumns();

    btnClose = new QPushButton(QStringLiteral("关闭(&C)"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(139, 206, 75, 25);
    btnClose->setAutoDefault(false);

    connect(btnClose, &QPushButton::clicked, this, &TfrmAbout::btnCloseClick);
    connect(lblWebsite, &TLinkLabel::clicked, this, &TfrmAbout::lblWebsiteClick);
    connect(lblWebsite, &TLinkLabel::mouseEntered, this, &TfrmAbout::lblWebsiteMouseEnter);
    connect(lblWebsite, &TLinkLabel::mouseLeft, this, &TfrmAbout::lblWebsiteMouseLeave);
    connect(lblEmail, &TLinkLabel::clicked, this, &TfrmAbout::lblEmailClick);
    connect(lblEmail, &TLinkLabel::mouseEntered, this, &TfrmAbout::lblEmailMouseEnter);
    connect(lblEmail, &TLinkLabel::mouseLeft, this, &TfrmAbout::lblEmailMouseLeave);
}

void TfrmAbout::setSoftware(const QString& p_strSoftware) {
    lblSoftware->setText(p_strSoftware);
    ArrangeColumns();
}

void TfrmAbout::setPlatform(const QString& p_strPlatform) {
    lblPlatform->setText(p_strPlatform);
    ArrangeColumns();
}

void TfrmAbout::setVersion(const QString& p_strVersion) {
    lblVersion->setText(p_strVersion);
    ArrangeColumns();
}

void TfrmAbout::ArrangeColumns() {
    // The design places the values at 204 in a window 347 wide; where the fonts in use are wider
    // than the design's, the values move right of their captions and the window widens to show
    // them whole, so nothing overlaps or is cut off.
    int m_intCaptionRight = 0;
    for (const QLabel* m_lblCaption : g_arrCaptionLabels) {
        m_intCaptionRight =
            std::max(m_intCaptionRight, m_lblCaption->x() + m_lblCaption->sizeHint().width());
    }
    const int m_intValueLeft = std::max(kValueLeft, m_intCaptionRight + kColumnGap);
    int m_intValueRight = 0;
    for (QLabel* m_lblValue : g_arrValueLabels) {
        m_lblValue->adjustSize();
        m_lblValue->move(m_intValueLeft, m_lblValue->y());
        m_intValueRight = std::max(m_intValueRight, m_intValueLeft + m_lblValue->width());
    }
    setFixedSize(std::max(kClientWidth, m_intValueRight + kRightMargin), kClientHeight);
}

void TfrmAbout::btnCloseClick() {
    done(kModalResultCancel);
}

void TfrmAbout::reject() {
    done(kModalResultCancel);
}

void TfrmAbout::lblWebsiteClick() {
    if (!Shell().OpenUrl(WebsiteUrl())) {
        ShowNoProgram(this, TShellTarget::Link, WebsiteUrl());
    }
}

void TfrmAbout::lblEmailClick() {
    const QString m_strUrl = QStringLiteral("mailto:") + EmailAddress();
    if (!Shell().OpenUrl(m_strUrl)) {
        ShowNoProgram(this, TShellTarget::Link, m_strUrl);
    }
}

void TfrmAbout::lblWebsiteMouseEnter() {
    SetLinkLook(lblWebsite, true);
}

void TfrmAbout::lblWebsiteMouseLeave() {
    SetLinkLook(lblWebsite, false);
}

void TfrmAbout::lblEmailMouseEnter() {
    SetLinkLook(lblEmail, true);
}

void TfrmAbout::lblEmailMouseLeave() {
    SetLinkLook(lblEmail, false);
}

QString TfrmAbout::WebsiteUrl() {
    return QStringLiteral("https://lunvar.example/morvane");
}

QString TfrmAbout::EmailAddress() {
    return QStringLiteral("support@lunvar.example");
}

QLabel* TfrmAbout::AddText(const QString& p_strName, const QString& p_strCaption, int p_intLeft,
                           int p_intTop) {
    auto* m_lblText = new QLabel(p_strCaption, this);
    m_lblText->setObjectName(p_strName);
    m_lblText->setFont(LabelFont());
    m_lblText->move(p_intLeft, p_intTop);
    m_lblText->adjustSize();
    return m_lblText;
}

TLinkLabel* TfrmAbout::AddLink(const QString& p_strName, const QString& p_strCaption, int p_intLeft,
                               int p_intTop) {
    auto* m_lblLink = new TLinkLabel(this);
    m_lblLink->setObjectName(p_strName);
    m_lblLink->setText(p_strCaption);
    m_lblLink->setFont(LabelFont());
    m_lblLink->move(p_intLeft, p_intTop);
    m_lblLink->adjustSize();
    SetLinkLook(m_lblLink, false);
    return m_lblLink;
}

void TfrmAbout::SetLinkLook(QLabel* p_lblLink, bool p_IsHovered) {
    QPalette m_Palette = p_lblLink->palette();
    m_Palette.setColor(QPalette::WindowText, p_IsHovered ? kHoverColour : kLinkColour);
    p_lblLink->setPalette(m_Palette);
    QFont m_Font = p_lblLink->font();
    m_Font.setUnderline(p_IsHovered);
    p_lblLink->setFont(m_Font);
}

} // namespace morvane
