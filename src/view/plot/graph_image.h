#pragma once

#include <QSize>
#include <QString>
#include <vector>

namespace tilt::view::plot {

class PlotControl;

struct TitledGraph {
    QString title;
    PlotControl* graph = nullptr;
};

// A picture of graphs one above the other, each under its title, below a heading (the file and
// what is shown). The graphs are drawn at `size` whatever their size on screen.
struct GraphImage {
    QString heading;
    std::vector<TitledGraph> graphs;
    QSize size{1200, 900};
};

// Saves the picture as a PDF document when `path` ends in ".pdf" (any case), otherwise as a
// PNG picture. Throws tilt::Error when the file cannot be written.
void saveGraphImage(const QString& path, const GraphImage& image);

}  // namespace tilt::view::plot
