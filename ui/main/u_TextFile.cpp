#include "u_TextFile.h"

#include "text/u_LineModel.h"
#include "u_QtText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace morvane {

namespace {

const QByteArray kByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");

[[noreturn]] void RaiseFileError(const QString& p_strFormat, const QString& p_strFileName,
                                 const QString& p_strReason) {
    throw std::runtime_error(p_strFormat.arg(p_strFileName, p_strReason).toStdString());
}

} // namespace

bool TTextFile::Exists(const QString& p_strFileName) {
    const QFileInfo m_Info(p_strFileName);
    return m_Info.exists() && !m_Info.isDir();
}

QString TTextFile::ReadText(const QString& p_strFileName) {
    QFile m_File(p_strFileName);
    if (!m_File.open(QIODevice::ReadOnly)) {
        RaiseFileError(QStringLiteral("无法读取文件“%1”：%2"), p_strFileName, m_File.errorString());
    }
    QByteArray m_arrBytes = m_File.readAll();
    if (m_File.error() != QFileDevice::NoError) {
        RaiseFileError(QStringLiteral("无法读取文件“%1”：%2"), p_strFileName, m_File.errorString());
    }
    if (m_arrBytes.startsWith(kByteOrderMark)) {
        m_arrBytes.remove(0, kByteOrderMark.size());
    }
    return QString::fromUtf8(m_arrBytes);
}

void TTextFile::WriteText(const QString& p_strFileName, const QString& p_strText) {
    // Written beside the file and renamed over it, so a failed write never leaves half a file;
    // where no new file can be made in the folder the file is written in place.
    QSaveFile m_File(p_strFileName);
    m_File.setDirectWriteFallback(true);
    if (!m_File.open(QIODevice::WriteOnly)) {
        RaiseFileError(QStringLiteral("无法写入文件“%1”：%2"), p_strFileName, m_File.errorString());
    }
    const QByteArray m_arrBytes = kByteOrderMark + p_strText.toUtf8();
    if (m_File.write(m_arrBytes) != m_arrBytes.size() || !m_File.commit()) {
        RaiseFileError(QStringLiteral("无法写入文件“%1”：%2"), p_strFileName, m_File.errorString());
    }
}

QStringList TTextFile::ReadLines(const QString& p_strFileName) {
    return SplitLines(ReadText(p_strFileName));
}

void TTextFile::WriteLines(const QString& p_strFileName, const QStringList& p_arrLines) {
    WriteText(p_strFileName, JoinLines(p_arrLines));
}

QStringList TTextFile::SplitLines(const QString& p_strText) {
    const std::u16string m_strText = ToU16String(p_strText);
    QStringList m_arrLines;
    for (const std::u16string_view m_strLine : morvane::SplitLines(m_strText)) {
        m_arrLines.append(ToQString(std::u16string(m_strLine)));
    }
    return m_arrLines;
}

QString TTextFile::JoinLines(const QStringList& p_arrLines) {
    QString m_strText;
    for (const QString& m_strLine : p_arrLines) {
        m_strText += m_strLine;
        m_strText += QStringLiteral("\r\n");
    }
    return m_strText;
}

} // namespace morvane
