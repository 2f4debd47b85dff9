#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <vector>

namespace tilt::frame {

// Every window the frame opens.
enum class WindowId {
    Connect,
    Download,
    Configuration,
    Eeprom,
    Calibrate,
    Angles,
    Accelerometers,
    RemoteSession,
    Graph,
    ButtonPushGraph,
    Recordings,
    About,
};

// The program's windows: each is created on first use and reused while it exists; a window
// that deletes itself on close is created afresh the next time. Windows that are not registered
// (yet) cannot be shown, and asking for them does nothing.
class WindowRegistry {
  public:
    using Factory = std::function<QWidget*()>;
    enum class Modality { Modal, Modeless };

    // `objectName` is the name the window goes by for tests and the error log.
    void add(WindowId id, const QString& objectName, Modality modality, Factory factory);

    // Shows the window (modally or not, as registered), creating it first if needed. Returns
    // it, or nullptr when no such window is registered.
    QWidget* show(WindowId id);
    template <typename Window>
    Window* show(WindowId id) {
        return dynamic_cast<Window*>(show(id));
    }

    // The window if it exists now; nothing is created.
    [[nodiscard]] QWidget* existing(WindowId id) const;

    // Creates the window if needed without showing it.
    QWidget* instance(WindowId id);

    // Every registered window, in the order of their object names.
    [[nodiscard]] std::vector<WindowId> registered() const;

  private:
    struct Entry {
        QString objectName;
        Modality modality;
        Factory factory;
        QPointer<QWidget> window;
    };
    std::map<WindowId, Entry> entries_;
};

}  // namespace tilt::frame
