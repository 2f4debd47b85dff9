#include "frame/window_registry.h"

#include <algorithm>

namespace tilt::frame {

void WindowRegistry::add(WindowId id, const QString& objectName, Modality modality,
                         Factory factory) {
    entries_[id] = {objectName, modality, std::move(factory), {}};
}

QWidget* WindowRegistry::instance(WindowId id) {
    const auto it = entries_.find(id);
    if (it == entries_.end()) {
        return nullptr;
    }
    Entry& entry = it->second;
    if (!entry.window) {
        entry.window = entry.factory();
        entry.window->setObjectName(entry.objectName);
        entry.window->setWindowModality(entry.modality == Modality::Modal ? Qt::ApplicationModal
                                                                          : Qt::NonModal);
    }
    return entry.window;
}

QWidget* WindowRegistry::show(WindowId id) {
    QWidget* window = instance(id);
    if (window) {
        window->show();
        window->raise();
        window->activateWindow();
    }
    return window;
}

QWidget* WindowRegistry::existing(WindowId id) const {
    const auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : it->second.window.data();
}

std::vector<WindowId> WindowRegistry::registered() const {
    std::vector<WindowId> ids;
    for (const auto& [id, entry] : entries_) {
        ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end(), [this](WindowId a, WindowId b) {
        return entries_.at(a).objectName < entries_.at(b).objectName;
    });
    return ids;
}

}  // namespace tilt::frame
