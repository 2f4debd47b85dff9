#pragma once

#include <QDialog>
#include <string>

namespace tilt::frame {

// The About box: the program's name, its version and how to reach its maker.
class AboutWindow final : public QDialog {
  public:
    AboutWindow(const std::string& appVersion, QWidget* parent = nullptr);
};

}  // namespace tilt::frame
