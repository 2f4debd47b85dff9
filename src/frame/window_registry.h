#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <map>

namespace tilt::frame {

// The program's windows by class name: each is created on first use and reused while it
// exists; a window that deletes itself on close is created afresh the next time. Windows that
// are not registered (yet) cannot be shown, and asking for them does nothing.
class WindowRegistry {
  public:
    using Factory = std::function<QWidget*()>;
    enum class Modality { Modal, Modeless };

    void add(const QString& windowClass, Modality modality, Factory factory);

    // Shows the window (modally or not, as registered), creating it first if needed. Returns
    // it, or nullptr when no such window is registered.
    QWidget* show(const QString& windowClass);

    // The window if it exists now; nothing is created.
    [[nodiscard]] QWidget* existing(const QString& windowClass) const;

    // Creates the window if needed without showing it.
    QWidget* instance(const QString& windowClass);

    [[nodiscard]] QStringList windowClasses() const;

  private:
    struct Entry {
        Modality modality;
        Factory factory;
        QPointer<QWidget> window;
    };
    std::map<QString, Entry> entries_;
};

}  // namespace tilt::frame
