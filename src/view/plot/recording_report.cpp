#include "view/plot/recording_report.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <cmath>

#include "common/error.h"
#include "common/error_reporter.h"
#include "view/channel_arrays.h"
#include "view/degree_arrays.h"
#include "view/download_file.h"
#include "view/plot/export_file.h"
#include "view/plot/plot_control.h"

namespace tilt::view::plot {

namespace {

// The page in points (A4), and the measures of what is drawn on it.
constexpr int kPageWidth = 595;
constexpr int kPageHeight = 842;
constexpr int kMargin = 36;
constexpr int kLine = 13;
constexpr int kFootHeight = 30;

// A reader's report goes nowhere but into the exception the report ends with.
class ThrowingErrors final : public ErrorReporter {
  public:
    void handleError(std::int32_t number, std::string_view, std::string_view,
                     std::string_view description) override {
        throw Error(number, std::string(description));
    }
};

QString sha256Of(const std::string& file) {
    QFile data(QString::fromStdString(file));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!data.open(QIODevice::ReadOnly) || !hash.addData(&data)) {
        throw Error(errc::kPathFileAccess, "Cannot read " + file + " to take its SHA-256.");
    }
    return QString::fromLatin1(hash.result().toHex());
}

QString fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString maybe(const std::optional<double>& value, int decimals) {
    return value ? fixed(*value, decimals) : QStringLiteral("—");
}

QString modeText(const RecordingHeader& header) {
    if (!header.linear()) {
        return QStringLiteral("Bin (counts of each angle)");
    }
    switch (header.channelValue) {
        case 1:
            return QStringLiteral("Linear, channel X");
        case 2:
            return QStringLiteral("Linear, channel Y");
        default:
            return QStringLiteral("Linear, channels X and Y");
    }
}

QString durationText(double seconds) {
    const auto whole = static_cast<long long>(seconds);
    const long long hours = whole / 3600;
    const long long minutes = whole % 3600 / 60;
    const double rest = seconds - static_cast<double>(hours * 3600 + minutes * 60);
    return QStringLiteral("%1 s (%2 h %3 min %4 s)")
        .arg(fixed(seconds, 3))
        .arg(hours)
        .arg(minutes)
        .arg(fixed(rest, 3));
}

QString timeText(const RecordingStatistics& s) {
    if (!s.clock.start) {
        return QStringLiteral("unknown: the launch time is no date");
    }
    std::string text;
    appendIsoTime(text, *s.clock.start);
    return QString::fromStdString(text) +
           (s.clock.source == SampleClock::Start::LoggingStart
                ? QStringLiteral(" (logging started; the launching PC's clock)")
                : QStringLiteral(" (launch stamp; the launching PC's clock)"));
}

// Draws `rows` of label and value; returns the y below them.
int drawFields(QPainter& painter, int top, const std::vector<std::pair<QString, QString>>& rows) {
    for (const auto& [label, value] : rows) {
        painter.drawText(QRect(kMargin, top, 120, kLine), Qt::AlignLeft | Qt::AlignVCenter, label);
        painter.drawText(QRect(kMargin + 120, top, kPageWidth - 2 * kMargin - 120, kLine),
                         Qt::AlignLeft | Qt::AlignVCenter, value);
        top += kLine;
    }
    return top;
}

int drawStatistics(QPainter& painter, int top, const RecordingStatistics& s) {
    const QStringList heads{QStringLiteral("Channel"),   QStringLiteral("Minimum"),
                            QStringLiteral("Maximum"),   QStringLiteral("Mean"),
                            QStringLiteral("Std. dev."), QStringLiteral("First"),
                            QStringLiteral("Last"),      QStringLiteral("Change")};
    const int column = (kPageWidth - 2 * kMargin) / static_cast<int>(heads.size());
    const auto drawRow = [&](const QStringList& cells) {
        for (int i = 0; i < cells.size(); ++i) {
            painter.drawText(QRect(kMargin + i * column, top, column - 4, kLine),
                             (i == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter,
                             cells[i]);
        }
        top += kLine;
    };
    QFont bold = painter.font();
    bold.setBold(true);
    const QFont plain = painter.font();
    painter.setFont(bold);
    drawRow(heads);
    painter.setFont(plain);
    const auto channelRow = [&](const QString& name, const ChannelStatistics& c) {
        if (c.count == 0) {
            drawRow({name, QStringLiteral("no samples")});
            return;
        }
        drawRow({name, fixed(c.minimum, 1), fixed(c.maximum, 1), fixed(c.mean, 2),
                 fixed(c.standardDeviation, 2), maybe(c.first, 1), maybe(c.last, 1),
                 maybe(c.change(), 1)});
    };
    if (!s.header.linear() || s.header.hasX()) {
        channelRow(QStringLiteral("X (°)"), s.x);
    }
    if (!s.header.linear() || s.header.hasY()) {
        channelRow(QStringLiteral("Y (°)"), s.y);
    }
    return top;
}

void paintReport(QCPPainter& painter, const ReportData& data,
                 const std::vector<TitledGraph>& graphs) {
    const RecordingStatistics& s = data.statistics;
    const DataFileHeader& h = s.header.fields;
    const QString name = QFileInfo(QString::fromStdString(data.file)).fileName();
    painter.fillRect(QRect(0, 0, kPageWidth, kPageHeight), Qt::white);
    painter.setPen(Qt::black);
    QFont font = painter.font();
    font.setFamily(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(kMargin, kMargin - 12, kPageWidth - 2 * kMargin, 22),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Tiltavarometer recording — %1").arg(name));
    font.setBold(false);
    font.setPixelSize(9);
    painter.setFont(font);
    int top = kMargin + 18;
    std::vector<std::pair<QString, QString>> fields{
        {QStringLiteral("Logger"),
         QStringLiteral("serial number %1").arg(QString::number(h.serialNumber, 'f', 0))},
        {QStringLiteral("Firmware"), QString::fromStdString(h.firmwareVersion)},
        {QStringLiteral("Launch time"), QString::fromStdString(h.launchTime)},
        {QStringLiteral("Mode"), modeText(s.header)},
        {QStringLiteral("Sampling frequency"),
         QString::fromStdString(h.samplingFrequency) + QStringLiteral(" samples a second")},
        {QStringLiteral("Channel gains"), QString::fromStdString(h.channelGains)},
        {QStringLiteral("Channel offsets"), QString::fromStdString(h.channelOffsets)},
        {QStringLiteral("Tares"), QString::fromStdString(h.tares)},
    };
    if (s.header.linear()) {
        fields.emplace_back(
            QStringLiteral("Samples"),
            QStringLiteral("%1 sample slots, %2 button pushes").arg(s.slotCount).arg(s.pushes));
        const auto duration = s.durationSeconds();
        fields.emplace_back(
            QStringLiteral("Duration"),
            duration ? durationText(*duration) : QStringLiteral("unknown: no sampling frequency"));
        fields.emplace_back(QStringLiteral("First sample"), timeText(s));
    } else {
        fields.emplace_back(QStringLiteral("Samples"),
                            QStringLiteral("%1 page pairs, %2 counts of X; bin pages carry no time")
                                .arg(s.slotCount)
                                .arg(fixed(s.x.count, 0)));
    }
    top = drawFields(painter, top, fields) + 8;
    top = drawStatistics(painter, top, s) + 10;

    const int graphBottom = kPageHeight - kMargin - kFootHeight;
    if (!graphs.empty()) {
        const int band = (graphBottom - top) / static_cast<int>(graphs.size());
        for (const TitledGraph& titled : graphs) {
            painter.drawText(QRect(kMargin, top, 200, kLine), Qt::AlignLeft | Qt::AlignVCenter,
                             titled.title);
            painter.save();
            painter.translate(kMargin, top + kLine);
            titled.graph->toPainter(&painter, kPageWidth - 2 * kMargin, band - kLine - 4);
            painter.restore();
            top += band;
        }
    }
    font.setPixelSize(7);
    painter.setFont(font);
    painter.drawText(QRect(kMargin, graphBottom + 8, kPageWidth - 2 * kMargin, kLine),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Data file: ") + name);
    painter.drawText(QRect(kMargin, graphBottom + 8 + kLine, kPageWidth - 2 * kMargin, kLine),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("SHA-256: ") + data.sha256);
}

// The graphs as the Graph window draws the file when it opens it; those that hold data, titled.
std::vector<TitledGraph> drawGraphs(GraphPair graphs, const ReportData& data) {
    const RecordingHeader& header = data.statistics.header;
    if (!header.linear()) {
        setUpBinGraphs(graphs);
        plotDegreeArrays(graphs, data.firstBins);
        return {{QStringLiteral("X: bin page 1 (counts over degrees)"), &graphs.x},
                {QStringLiteral("Y: bin page 2 (counts over degrees)"), &graphs.y}};
    }
    const auto channel = static_cast<LinearChannel>(header.channelValue);
    setUpLinearGraphs(graphs);
    plotChannelArrays(graphs, data.samples, channel);
    std::vector<TitledGraph> shown;
    if (header.hasX()) {
        shown.push_back({QStringLiteral("X (degrees) over the sample number"), &graphs.x});
    }
    if (header.hasY()) {
        shown.push_back({QStringLiteral("Y (degrees) over the sample number"), &graphs.y});
    }
    return shown;
}

}  // namespace

ReportData readReportData(const std::string& file, std::stop_token stop,
                          std::optional<LocalMillis> loggingStarted) {
    ReportData data;
    data.file = file;
    ExportOptions options;
    options.stop = std::move(stop);
    options.loggingStarted = loggingStarted;
    data.statistics = recordingStatistics(file, options);
    ThrowingErrors errors;
    constexpr const char* kScreen = "Report";
    const RecordingHeader& header = data.statistics.header;
    if (!header.linear()) {
        const auto pages = BinPages::load(file);
        PointArray x{};
        PointArray y{};
        if (pages && pages->locate(1, x, y, errors, kScreen) == BinPages::Located::Found) {
            convertPointArraysToDegreeArrays(x, y, data.firstBins);
        }
    } else if (header.channelValue == 3) {
        (void)buildDoubleChannelArrays(file, data.samples, errors, kScreen);
    } else {
        (void)buildSingleChannelArray(file, static_cast<LinearChannel>(header.channelValue),
                                      data.samples, errors, kScreen);
    }
    data.sha256 = sha256Of(file);
    return data;
}

void writeRecordingReport(const ReportData& data, const QString& pdf) {
    PlotControl x;
    PlotControl y;
    const auto graphs = drawGraphs({x, y}, data);
    refuseReplacingInput(data.file, pdf);
    QSaveFile target(pdf);
    const auto cannotWrite = [&] {
        throw Error(errc::kPathFileAccess, "Cannot write the report " + pdf.toStdString() + ": " +
                                               target.errorString().toStdString() +
                                               ". Choose another folder or name and try again.");
    };
    if (!target.open(QIODevice::WriteOnly)) {
        cannotWrite();
    }
    QPdfWriter writer(&target);
    writer.setCreator(QStringLiteral("Tiltavarometer"));
    writer.setTitle(QStringLiteral("Tiltavarometer recording ") +
                    QFileInfo(QString::fromStdString(data.file)).fileName());
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);  // a unit a point: the graphs' fonts keep their size on the page
    QCPPainter painter;
    if (!painter.begin(&writer)) {
        cannotWrite();
    }
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.setWindow(QRect(0, 0, kPageWidth, kPageHeight));
    paintReport(painter, data, graphs);
    if (!painter.end() || !target.commit()) {
        cannotWrite();
    }
}

}  // namespace tilt::view::plot
