#include "view/plot/graph_image.h"

#include <QImage>
#include <QPageSize>
#include <QPdfWriter>

#include "common/error.h"
#include "view/plot/plot_control.h"

namespace tilt::view::plot {

namespace {

constexpr int kHeadingHeight = 36;
constexpr int kTitleHeight = 28;

void paintImage(QCPPainter& painter, const GraphImage& image) {
    const int width = image.size.width();
    painter.fillRect(QRect(QPoint(0, 0), image.size), Qt::white);
    QFont font = painter.font();
    font.setPixelSize(17);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(12, 0, width - 24, kHeadingHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     image.heading);
    if (image.graphs.empty()) {
        return;
    }
    const int band = (image.size.height() - kHeadingHeight) / static_cast<int>(image.graphs.size());
    int top = kHeadingHeight;
    font.setPixelSize(15);
    for (const TitledGraph& titled : image.graphs) {
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(12, top, width - 24, kTitleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         titled.title);
        painter.save();
        painter.translate(0, top + kTitleHeight);
        titled.graph->toPainter(&painter, width, band - kTitleHeight);
        painter.restore();
        top += band;
    }
}

void writePng(const QString& path, const GraphImage& image) {
    QImage picture(image.size, QImage::Format_ARGB32);
    {
        QCPPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setMode(QCPPainter::pmNoCaching);
        paintImage(painter, image);
    }
    if (!picture.save(path, "PNG")) {
        throw Error(errc::kPathFileAccess, "Cannot write the picture " + path.toStdString());
    }
}

void writePdf(const QString& path, const GraphImage& image) {
    QPdfWriter writer(path);
    writer.setCreator(QStringLiteral("Tiltavarometer"));
    writer.setTitle(image.heading);
    writer.setPageSize(QPageSize(QSizeF(image.size), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QCPPainter painter;
    if (!painter.begin(&writer)) {
        throw Error(errc::kPathFileAccess, "Cannot write the document " + path.toStdString());
    }
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.setWindow(QRect(QPoint(0, 0), image.size));
    paintImage(painter, image);
    painter.end();
}

}  // namespace

void saveGraphImage(const QString& path, const GraphImage& image) {
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        writePdf(path, image);
    } else {
        writePng(path, image);
    }
}

}  // namespace tilt::view::plot
