#include "frame/window_registry.h"

namespace tilt::frame {

void WindowRegistry::add(const QString& windowClass, Modality modality, Factory factory) {
    entries_[windowClass] = {modality, std::move(factory), {}};
}

QWidget* WindowRegistry::instance(const QString& windowClass) {
    const auto it = entries_.find(windowClass);
    if (it == entries_.end()) {
        return nullptr;
    }
    Entry& entry = it->second;
    if (!entry.window) {
        entry.window = entry.factory();
        entry.window->setObjectName(windowClass);
        entry.window->setWindowModality(entry.modality == Modality::Modal ? Qt::ApplicationModal
                                                                          : Qt::NonModal);
    }
    return entry.window;
}

QWidget* WindowRegistry::show(const QString& windowClass) {
    QWidget* window = instance(windowClass);
    if (window) {
        window->show();
        window->raise();
        window->activateWindow();
    }
    return window;
}

QWidget* WindowRegistry::existing(const QString& windowClass) const {
    const auto it = entries_.find(windowClass);
    return it == entries_.end() ? nullptr : it->second.window.data();
}

QStringList WindowRegistry::windowClasses() const {
    QStringList names;
    for (const auto& [name, entry] : entries_) {
        names << name;
    }
    return names;
}

}  // namespace tilt::frame
