#include "common/ui/active_window.h"

#include <QApplication>
#include <QWidget>

namespace tilt::common::ui {

std::string activeWindowName(const QObject* fallback) {
    const QWidget* window = QApplication::activeWindow();
    if (!window) {
        if (const auto* widget = qobject_cast<const QWidget*>(fallback)) {
            window = widget->window();
        }
    }
    if (!window) {
        return {};
    }
    const QVariant screen = window->property(kScreenNameProperty);
    return (screen.isValid() ? screen.toString() : window->objectName()).toStdString();
}

}  // namespace tilt::common::ui
