#pragma once

#include <QIcon>
#include <QPixmap>

namespace tilt::frame {

// The product's picture: an inclinometer dial tilted off level. Drawn, so it is sharp at any
// size and needs no image files.
[[nodiscard]] QPixmap productPicture(int size);
[[nodiscard]] QIcon productIcon();

// The pictures of the navigation bar.
enum class NavigationPicture { Connect, Download, Configure, Launch };
[[nodiscard]] QIcon navigationIcon(NavigationPicture picture);

}  // namespace tilt::frame
