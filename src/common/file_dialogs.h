#pragma once

#include <optional>
#include <string>

namespace tilt {

// The program's common file dialogs. The desktop program shows Qt's; tests script the answers.
class FileDialogs {
  public:
    struct Request {
        std::string title;
        std::string filter;          // "TLG Files (*.tlg);;All Files (*.*)"
        std::string selectedFilter;  // one entry of `filter`
        std::string folder;          // where the dialog opens
        std::string fileName;        // preset name, if any
        std::string defaultSuffix;   // added to a name typed without one ("tlg")
        // False when the caller asks about an existing file itself, so that the user answers
        // one question about it, not two.
        bool confirmOverwrite = true;
    };

    virtual ~FileDialogs() = default;

    // The chosen path, or nothing when the user cancelled. The save dialog asks before it
    // overwrites an existing file, unless the request says otherwise.
    [[nodiscard]] virtual std::optional<std::string> save(const Request& request) = 0;
    [[nodiscard]] virtual std::optional<std::string> open(const Request& request) = 0;
};

}  // namespace tilt
