#include "u_SettingsStore.h"

#include "files/u_DataLocations.h"
#include "u_IniFile.h"
#include "u_QtText.h"
#include "u_TextFile.h"

#include <utility>

namespace morvane {

namespace {

const QString kPathFile = QStringLiteral("path.ini");
const QString kFindFile = QStringLiteral("find.ini");
const QString kReplaceFile = QStringLiteral("replace.ini");
const QString kConfigFile = QStringLiteral("config.ini");
const QString kExtensionFile = QStringLiteral("extension.ini");

const QString kConfigSection = QStringLiteral("zelkReplace");
// "Floder" is the name existing files carry.
const QString kKeyContainSubFloder = QStringLiteral("IsContainSubFloder");
const QString kKeyMatchCase = QStringLiteral("IsMatchCase");
const QString kKeyDeleteLogsFile = QStringLiteral("IsDeleteLogsFile");
const QString kKeySelectedExtension = QStringLiteral("SelectedExtension");

QString AsciiLowerCase(QString p_strText) {
    for (QChar& m_chrLetter : p_strText) {
        if (m_chrLetter >= u'A' && m_chrLetter <= u'Z') {
            m_chrLetter = QChar(m_chrLetter.unicode() + (u'a' - u'A'));
        }
    }
    return p_strText;
}

} // namespace

TSettingsStore::TSettingsStore(QString p_strFolder) : g_strFolder(std::move(p_strFolder)) {}

void TSettingsStore::PrepareFolder() const {
    // An installed program's settings folder does not exist before the first save.
    PrepareDataFolder(ToU16String(g_strFolder));
}

QString TSettingsStore::FilePath(const QString& p_strFileName) const {
    return g_strFolder + p_strFileName;
}

std::optional<QStringList> TSettingsStore::LoadDirectoryHistory() const {
    const QString m_strFileName = FilePath(kPathFile);
    if (!TTextFile::Exists(m_strFileName)) {
        return std::nullopt;
    }
    return TTextFile::ReadLines(m_strFileName);
}

void TSettingsStore::SaveDirectoryHistory(const QStringList& p_arrHistory) const {
    PrepareFolder();
    TTextFile::WriteLines(FilePath(kPathFile), p_arrHistory);
}

std::optional<QString> TSettingsStore::LoadFindText() const {
    return LoadText(kFindFile);
}

std::optional<QString> TSettingsStore::LoadReplaceText() const {
    return LoadText(kReplaceFile);
}

void TSettingsStore::SaveFindText(const QString& p_strText) const {
    SaveText(kFindFile, p_strText);
}

void TSettingsStore::SaveReplaceText(const QString& p_strText) const {
    SaveText(kReplaceFile, p_strText);
}

TSettingsStore::TConfig TSettingsStore::LoadConfig() const {
    const TIniFile m_Ini = TIniFile::Load(FilePath(kConfigFile));
    TConfig m_Config;
    m_Config.g_IsContainSubFloder =
        ParseOption(m_Ini.ReadString(kConfigSection, kKeyContainSubFloder, QString()));
    m_Config.g_IsMatchCase =
        ParseOption(m_Ini.ReadString(kConfigSection, kKeyMatchCase, QString()));
    m_Config.g_IsDeleteLogsFile =
        ParseOption(m_Ini.ReadString(kConfigSection, kKeyDeleteLogsFile, QString()));
    m_Config.g_strSelectedExtension =
        m_Ini.ReadString(kConfigSection, kKeySelectedExtension, QString());
    return m_Config;
}

void TSettingsStore::SaveConfig(const TConfig& p_Config) const {
    const QString m_strFileName = FilePath(kConfigFile);
    TIniFile m_Ini = TIniFile::Load(m_strFileName);
    m_Ini.WriteString(kConfigSection, kKeyContainSubFloder,
                      OptionText(p_Config.g_IsContainSubFloder));
    m_Ini.WriteString(kConfigSection, kKeyMatchCase, OptionText(p_Config.g_IsMatchCase));
    m_Ini.WriteString(kConfigSection, kKeyDeleteLogsFile, OptionText(p_Config.g_IsDeleteLogsFile));
    m_Ini.WriteString(kConfigSection, kKeySelectedExtension, p_Config.g_strSelectedExtension);
    PrepareFolder();
    m_Ini.Save(m_strFileName);
}

bool TSettingsStore::HasExtensionList() const {
    return TTextFile::Exists(FilePath(kExtensionFile));
}

std::optional<QStringList> TSettingsStore::LoadExtensionList() const {
    const QString m_strFileName = FilePath(kExtensionFile);
    if (!TTextFile::Exists(m_strFileName)) {
        return std::nullopt;
    }
    return TTextFile::ReadLines(m_strFileName);
}

void TSettingsStore::SaveExtensionList(const QStringList& p_arrLines) const {
    PrepareFolder();
    TTextFile::WriteLines(FilePath(kExtensionFile), p_arrLines);
}

QStringList TSettingsStore::BuiltInExtensions() {
    return {QStringLiteral("*.txt"), QStringLiteral("*.htm"), QStringLiteral("*.html"),
            QStringLiteral("*.asp"), QStringLiteral("*.php"), QStringLiteral("*.js"),
            QStringLiteral("*.vbs"), QStringLiteral("*.css"), QStringLiteral("*.aspx"),
            QStringLiteral("*.cs"),  QStringLiteral("*.vb"),  QStringLiteral("*.java"),
            QStringLiteral("*.csv"), QStringLiteral("*.xml"), QStringLiteral("*.ini"),
            QStringLiteral("*.pas")};
}

QStringList TSettingsStore::AddToHistory(QStringList p_arrHistory, const QString& p_strDirectory) {
    for (qsizetype m_intIndex = p_arrHistory.size() - 1; m_intIndex >= 0; --m_intIndex) {
        if (p_arrHistory.at(m_intIndex) == p_strDirectory) {
            p_arrHistory.removeAt(m_intIndex);
        }
    }
    p_arrHistory.prepend(p_strDirectory);
    while (p_arrHistory.size() > kHistoryLimit) {
        p_arrHistory.removeLast();
    }
    return p_arrHistory;
}

QString TSettingsStore::JoinSelectedExtension(const QStringList& p_arrCheckedItems) {
    QString m_strValue;
    for (const QString& m_strItem : p_arrCheckedItems) {
        m_strValue += m_strItem;
        m_strValue += u'|';
    }
    return m_strValue;
}

QStringList TSettingsStore::SplitSelectedExtension(const QString& p_strValue) {
    // A NUL ends the value, as it ends the text the value was once handed on as.
    const qsizetype m_intEnd =
        p_strValue.contains(QChar(0)) ? p_strValue.indexOf(QChar(0)) : p_strValue.size();
    const auto IsQuote = [](QChar p_chrChar) {
        return p_chrChar == u'\'' || p_chrChar == u'"';
    };
    const auto IsBreak = [](QChar p_chrChar) {
        return p_chrChar == u'\r' || p_chrChar == u'\n';
    };

    QStringList m_arrPieces;
    qsizetype m_intTail = 0;
    while (m_intTail < m_intEnd) {
        while (m_intTail < m_intEnd && IsBreak(p_strValue.at(m_intTail))) {
            ++m_intTail;
        }
        const qsizetype m_intHead = m_intTail;
        QChar m_chrQuote;
        while (m_intTail < m_intEnd) {
            const QChar m_chrChar = p_strValue.at(m_intTail);
            if (IsQuote(m_chrChar)) {
                if (m_chrQuote.isNull()) {
                    m_chrQuote = m_chrChar;
                } else if (m_chrQuote == m_chrChar) {
                    m_chrQuote = QChar();
                }
            } else if (m_chrQuote.isNull() && (m_chrChar == u'|' || IsBreak(m_chrChar))) {
                break;
            }
            ++m_intTail;
        }
        if (m_intTail > m_intHead) {
            m_arrPieces.append(p_strValue.mid(m_intHead, m_intTail - m_intHead));
        }
        ++m_intTail; // past the separator
    }
    return m_arrPieces;
}

bool TSettingsStore::ParseOption(const QString& p_strValue) {
    return AsciiLowerCase(p_strValue) != QStringLiteral("false");
}

QString TSettingsStore::OptionText(bool p_IsChecked) {
    return p_IsChecked ? QStringLiteral("true") : QStringLiteral("false");
}

QString TSettingsStore::NormalizeLineBreaks(const QString& p_strText) {
    QString m_strText;
    m_strText.reserve(p_strText.size());
    for (qsizetype m_intIndex = 0; m_intIndex < p_strText.size(); ++m_intIndex) {
        const QChar m_chrChar = p_strText.at(m_intIndex);
        if (m_chrChar == u'\r') {
            m_strText += QStringLiteral("\r\n");
            if (m_intIndex + 1 < p_strText.size() && p_strText.at(m_intIndex + 1) == u'\n') {
                ++m_intIndex;
            }
        } else if (m_chrChar == u'\n') {
            m_strText += QStringLiteral("\r\n");
        } else {
            m_strText += m_chrChar;
        }
    }
    return m_strText;
}

std::optional<QString> TSettingsStore::LoadText(const QString& p_strFileName) const {
    const QString m_strFileName = FilePath(p_strFileName);
    if (!TTextFile::Exists(m_strFileName)) {
        return std::nullopt;
    }
    return NormalizeLineBreaks(TTextFile::ReadText(m_strFileName));
}

void TSettingsStore::SaveText(const QString& p_strFileName, const QString& p_strText) const {
    PrepareFolder();
    TTextFile::WriteText(FilePath(p_strFileName), p_strText);
}

} // namespace morvane
