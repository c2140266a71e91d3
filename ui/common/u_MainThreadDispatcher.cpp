#include "u_MainThreadDispatcher.h"

#include "core/u_Thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <exception>

namespace morvane {

void InstallMainThreadDispatcher() {
    TThread::SetMainThreadDispatcher([](const std::function<void()>& p_doProcedure) {
        QCoreApplication* m_App = QCoreApplication::instance();
        if (m_App == nullptr || QThread::currentThread() == m_App->thread()) {
            // Already on the user-interface thread: a queued call would wait for itself.
            p_doProcedure();
            return;
        }
        std::exception_ptr m_Error;
        QMetaObject::invokeMethod(
            m_App,
            [&p_doProcedure, &m_Error] {
                try {
                    p_doProcedure();
                } catch (...) {
                    m_Error = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (m_Error) {
            std::rethrow_exception(m_Error);
        }
    });
}

void UninstallMainThreadDispatcher() {
    TThread::SetMainThreadDispatcher({});
}

} // namespace morvane
