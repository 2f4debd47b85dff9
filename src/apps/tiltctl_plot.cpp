#include "apps/tiltctl_plot.h"

#include <QApplication>
#include <QFileInfo>
#include <filesystem>
#include <optional>
#include <ostream>

#include "view/channel_arrays.h"
#include "view/degree_arrays.h"
#include "view/download_file.h"
#include "view/plot/graph_image.h"
#include "view/plot/plot_control.h"
#include "view/plot/recording_plots.h"
#include "view/view_messages.h"

namespace tilt::ctl {

namespace {

using view::plot::GraphPair;

// Reports of a broken data file name tiltctl, as those of the csv command do.
constexpr const char* kScreen = "tiltctl";
constexpr const char* kUsage = "FILE -o OUT [--page N] [--pushes] [--json]";

struct PlotRequest {
    std::string file;
    QString picture;
    std::optional<int> page;
    bool pushes = false;
    bool json = false;
};

int pageArgument(const QString& text) {
    bool ok = false;
    const int page = text.toInt(&ok);
    if (!ok) {
        throw UsageError{"--page " + text.toStdString() + " is not a page number"};
    }
    return page;
}

PlotRequest plotArguments(const QStringList& args) {
    PlotRequest request;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        const auto value = [&]() -> const QString& {
            if (i + 1 == args.size()) {
                throw UsageError{word.toStdString() + " needs a value; expected " + kUsage};
            }
            return args[++i];
        };
        if (word == "-o" || word == "--output") {
            request.picture = value();
        } else if (word == "--page") {
            request.page = pageArgument(value());
        } else if (word == "--json") {
            request.json = true;
        } else if (word == "--pushes") {
            request.pushes = true;
        } else if (request.file.empty() && !word.startsWith('-')) {
            request.file = word.toStdString();
        } else {
            throw UsageError{"unexpected '" + word.toStdString() + "'; expected " + kUsage};
        }
    }
    if (request.file.empty() || request.picture.isEmpty()) {
        throw UsageError{std::string("expected ") + kUsage};
    }
    if (request.pushes && request.page) {
        throw UsageError{
            "--page picks a page pair of a bin file; --pushes shows a whole linear "
            "recording"};
    }
    return request;
}

// What a picture shows, and which of the two graphs hold data.
struct Drawing {
    QString shown;  // the heading's words after the file name
    bool x = true;
    bool y = true;
};

// True when the file can be drawn as asked; otherwise the reason has been printed.
bool drawable(Context& ctx, const PlotRequest& request, const view::DownloadFileHeader& header) {
    switch (header.mode) {
        case view::FileMode::Empty:
        case view::FileMode::NotDownloadPages:
            ctx.err << view::kNotDownloadPages << "\n";
            return false;
        case view::FileMode::Short:
            ctx.err << request.file << " ends inside its header; there is nothing to plot.\n";
            return false;
        case view::FileMode::Other:
            ctx.err << "Line 10 of " << request.file
                    << " names neither bin nor linear mode; there is nothing to plot.\n";
            return false;
        case view::FileMode::Linear:
            if (request.page) {
                throw UsageError{"--page picks a page pair of a bin file; " + request.file +
                                 " is a linear recording"};
            }
            return true;
        case view::FileMode::Bin:
            return true;
    }
    return false;
}

std::optional<Drawing> drawBinPages(Context& ctx, GraphPair graphs, const std::string& file,
                                    int page) {
    const auto pages = view::BinPages::load(file);
    if (!pages) {
        ctx.err << "Cannot read " << file << ".\n";
        return std::nullopt;
    }
    view::PointArray x{};
    view::PointArray y{};
    PrintingErrors errors(ctx.err);
    switch (pages->locate(page, x, y, errors, kScreen)) {
        case view::BinPages::Located::NotFound:
            ctx.err << view::unableToLocatePage(page) << "\n";
            return std::nullopt;
        case view::BinPages::Located::EndOfFile:
            ctx.err << view::kEndOfDataFile << "\n";
            return std::nullopt;
        case view::BinPages::Located::Failed:
            return std::nullopt;
        case view::BinPages::Located::Found:
            break;
    }
    view::DegreeArrays degrees;
    view::convertPointArraysToDegreeArrays(x, y, degrees);
    setUpBinGraphs(graphs);
    plotDegreeArrays(graphs, degrees);
    // As in the Graph window, the Y page is numbered after the X page whatever the file says.
    return Drawing{QStringLiteral("bin pages %1 (X) and %2 (Y)").arg(page).arg(qint64{page} + 1)};
}

// A broken file has been reported by the reader already; a cut-off header has not.
bool readWhole(Context& ctx, view::ParseEnd end) {
    if (end == view::ParseEnd::EndOfFile) {
        ctx.err << view::kEndOfDataFile << "\n";
    }
    return end == view::ParseEnd::Done;
}

// The readers leave a single trailing 0 in each array when the file holds no page.
bool holdsSamples(Context& ctx, const view::ChannelArrays& arrays, const std::string& file) {
    if (arrays.x.size() > 1 || arrays.y.size() > 1) {
        return true;
    }
    ctx.err << file << " holds no recorded page; there is nothing to plot.\n";
    return false;
}

std::optional<Drawing> drawLinearRecording(Context& ctx, GraphPair graphs, const std::string& file,
                                           LinearChannel channel) {
    view::ChannelArrays arrays;
    PrintingErrors errors(ctx.err);
    view::ParseEnd end = view::ParseEnd::Done;
    if (channel == LinearChannel::X || channel == LinearChannel::Y) {
        end = view::buildSingleChannelArray(file, channel, arrays, errors, kScreen);
    } else if (channel == LinearChannel::Both) {
        end = view::buildDoubleChannelArrays(file, arrays, errors, kScreen);
    } else {
        ctx.err << "Line 11 of " << file
                << " names no linear channel (1, 2 or 3); there is nothing to plot.\n";
        return std::nullopt;
    }
    if (!readWhole(ctx, end) || !holdsSamples(ctx, arrays, file)) {
        return std::nullopt;
    }
    setUpLinearGraphs(graphs);
    plotChannelArrays(graphs, arrays, channel);
    if (channel == LinearChannel::Both) {
        return Drawing{QStringLiteral("linear recording, channels X and Y")};
    }
    // A single-channel file leaves the other graph empty: the picture leaves it out.
    const bool x = channel == LinearChannel::X;
    return Drawing{QStringLiteral("linear recording, channel %1").arg(x ? 'X' : 'Y'), x, !x};
}

bool buttonMode(Context& ctx, const std::string& file) {
    const auto header = view::readButtonPushHeader(file);
    if (!header) {
        ctx.err << "Cannot read " << file << ".\n";
        return false;
    }
    if (const auto refusal = view::buttonPushRefusal(*header)) {
        ctx.err << *refusal << "\n";
        return false;
    }
    return true;
}

QString pushCount(const view::ButtonPushList& pushes) {
    return pushes.size() == 1 ? QStringLiteral("1 button push")
                              : QStringLiteral("%1 button pushes").arg(pushes.size());
}

std::optional<Drawing> drawButtonPushes(Context& ctx, GraphPair graphs, const std::string& file) {
    if (!buttonMode(ctx, file)) {
        return std::nullopt;
    }
    view::ChannelArrays arrays;
    view::ButtonPushList pushes;
    PrintingErrors errors(ctx.err);
    const auto end = view::buildDoubleChannelArrays(file, arrays, errors, kScreen, &pushes);
    if (!readWhole(ctx, end) || !holdsSamples(ctx, arrays, file)) {
        return std::nullopt;
    }
    setUpPushGraphs(graphs);
    plotChannelArrays(graphs, arrays, LinearChannel::Both);
    // A recording without pushes lists a single push at sample 0; a cursor there would claim one.
    if (pushes == view::ButtonPushList{0}) {
        return Drawing{QStringLiteral("no button pushes")};
    }
    showAllPushCursors(graphs, pushes);
    return Drawing{pushCount(pushes)};
}

std::optional<Drawing> draw(Context& ctx, GraphPair graphs, const PlotRequest& request,
                            const view::DownloadFileHeader& header) {
    if (request.pushes) {
        return drawButtonPushes(ctx, graphs, request.file);
    }
    if (header.mode == view::FileMode::Linear) {
        return drawLinearRecording(ctx, graphs, request.file, header.channel);
    }
    return drawBinPages(ctx, graphs, request.file, request.page.value_or(1));
}

void reportUnreadable(Context& ctx, const std::string& file) {
    std::error_code code;
    if (!std::filesystem::exists(file, code)) {
        ctx.err << "No such file: " << file << "\n";
    } else {
        ctx.err << "Cannot read " << file << "; check that it is a file you may read.\n";
    }
}

int runPlot(Context& ctx, const QStringList& args) {
    const PlotRequest request = plotArguments(args);
    const auto header = view::readDownloadFileHeader(request.file);
    if (!header) {
        reportUnreadable(ctx, request.file);
        return kDeviceFailed;
    }
    if (!drawable(ctx, request, *header)) {
        return kDeviceFailed;
    }
    view::plot::PlotControl x;
    view::plot::PlotControl y;
    const auto drawing = draw(ctx, {x, y}, request, *header);
    if (!drawing) {
        return kDeviceFailed;
    }
    view::plot::GraphImage image;
    image.heading = QFileInfo(QString::fromStdString(request.file)).fileName() +
                    QStringLiteral(" — ") + drawing->shown;
    if (drawing->x) {
        image.graphs.push_back({QStringLiteral("X"), &x});
    }
    if (drawing->y) {
        image.graphs.push_back({QStringLiteral("Y"), &y});
    }
    view::plot::saveGraphImage(request.picture, image);
    if (request.json) {
        ctx.out << jsonLine({{"output", request.picture},
                             {"shown", drawing->shown},
                             {"graphs", static_cast<int>(image.graphs.size())}});
    } else {
        ctx.out << request.picture.toStdString() << "\n";
    }
    return kDone;
}

}  // namespace

// Graphs are widgets and want a QApplication; a picture needs no display.
std::unique_ptr<QCoreApplication> offscreenApplication(int& argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
}

std::vector<Command> plotCommands() {
    return {
        {{"plot"},
         kUsage,
         helpText({"Draw the graphs of the data file FILE into OUT, a PNG picture or a PDF "
                   "document (.pdf): bin pages N and N+1 (default 1), a linear recording, or "
                   "with --pushes its button pushes.",
                   "--json: {\"output\", \"shown\", \"graphs\"}: the file written, what it "
                   "shows, and how many graphs (X, Y) it holds."}),
         runPlot,
         offscreenApplication,
         false},
    };
}

}  // namespace tilt::ctl
