#pragma once
// TFakeDialogs: answers the windows' message boxes and folder pickers without a person. Installed
// for its lifetime; records every message and answers from queues filled by the test.

#include "u_Dialogs.h"

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

namespace morvane::test {

struct TRecordedMessage {
    QMessageBox::Icon g_Icon = QMessageBox::NoIcon;
    QString g_strTitle;
    QString g_strText;
    QMessageBox::StandardButtons g_Buttons;
};

class TFakeDialogs : public TDialogs {
public:
    TFakeDialogs();
    ~TFakeDialogs() override;
    TFakeDialogs(const TFakeDialogs&) = delete;
    TFakeDialogs& operator=(const TFakeDialogs&) = delete;

    QMessageBox::StandardButton MessageBox(QWidget* p_Parent, QMessageBox::Icon p_Icon,
                                           const QString& p_strTitle, const QString& p_strText,
                                           QMessageBox::StandardButtons p_Buttons) override;
    QString PickFolder(QWidget* p_Parent, const QString& p_strInstruction) override;

    // The next message boxes answer these, in order. With the queue empty a box answers OK when
    // it offers OK, else No: a question is never confirmed by accident.
    void QueueAnswer(QMessageBox::StandardButton p_Answer) { g_arrAnswers.push_back(p_Answer); }
    // The next folder pickers return these, in order; then an empty text (cancelled).
    void QueueFolder(const QString& p_strFolder) { g_arrFolders.push_back(p_strFolder); }

    const QList<TRecordedMessage>& Messages() const { return g_arrMessages; }
    const QStringList& FolderInstructions() const { return g_arrFolderInstructions; }
    void Clear() { g_arrMessages.clear(); }

    // Runs inside each message box, while it would be open (after it has been recorded).
    std::function<void(const TRecordedMessage&)> g_doOnMessage;

private:
    std::deque<QMessageBox::StandardButton> g_arrAnswers;
    std::deque<QString> g_arrFolders;
    QList<TRecordedMessage> g_arrMessages;
    QStringList g_arrFolderInstructions;
};

} // namespace morvane::test
