#pragma once
// Suspends a widget's repainting for the life of the object, and always resumes it, also when the
// work in between throws.

#include <QPointer>
#include <QWidget>

namespace morvane {

class TUpdatesSuspender {
public:
    explicit TUpdatesSuspender(QWidget* p_Widget)
        : g_Widget(p_Widget), g_IsResumeNeeded(p_Widget != nullptr && p_Widget->updatesEnabled()) {
        if (g_IsResumeNeeded) {
            p_Widget->setUpdatesEnabled(false);
        }
    }
    ~TUpdatesSuspender() {
        if (g_IsResumeNeeded && g_Widget != nullptr) {
            g_Widget->setUpdatesEnabled(true);
        }
    }
    TUpdatesSuspender(const TUpdatesSuspender&) = delete;
    TUpdatesSuspender& operator=(const TUpdatesSuspender&) = delete;

private:
    QPointer<QWidget> g_Widget;
    bool g_IsResumeNeeded;
};

} // namespace morvane
