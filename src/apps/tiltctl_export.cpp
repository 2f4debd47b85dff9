#include "apps/tiltctl_export.h"

#include <QCoreApplication>
#include <ostream>

#include "apps/tiltctl_plot.h"
#include "common/error.h"
#include "platform/sqlite_library.h"
#include "view/plot/export_file.h"
#include "view/plot/recording_report.h"

namespace tilt::ctl {

namespace {

constexpr const char* kExportUsage = "FILE [-o OUT] [--format csv|json]";

struct ExportRequest {
    std::string file;
    QString out;
    std::optional<view::plot::ExportFormat> format;
};

view::plot::ExportFormat formatArgument(const QString& text) {
    if (text == "csv") {
        return view::plot::ExportFormat::Csv;
    }
    if (text == "json") {
        return view::plot::ExportFormat::Json;
    }
    throw UsageError{"--format takes csv or json, not " + text.toStdString()};
}

ExportRequest exportArguments(const QStringList& args) {
    ExportRequest request;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        if (word == "-o" || word == "--output") {
            request.out = optionValue(args, i, kExportUsage);
        } else if (word == "--format") {
            request.format = formatArgument(optionValue(args, i, kExportUsage));
        } else if (request.file.empty() && !word.startsWith('-')) {
            request.file = word.toStdString();
        } else {
            throw UsageError{"unexpected '" + word.toStdString() + "'; expected " + kExportUsage};
        }
    }
    if (request.file.empty()) {
        throw UsageError{std::string("expected ") + kExportUsage};
    }
    return request;
}

// When this computer launched the recording, the moment logging started, from the library.
std::optional<view::LocalMillis> loggingStartOf(const std::string& file) {
    platform::SqliteLibrary library(platform::SqliteLibrary::inDataRoot());
    return view::loggingStartIn(library, file);
}

int runExport(Context& ctx, const QStringList& args) {
    const ExportRequest request = exportArguments(args);
    view::ExportOptions options;
    options.loggingStarted = loggingStartOf(request.file);
    try {
        if (request.out.isEmpty()) {
            (void)view::plot::exportToStream(request.file, ctx.out,
                                             request.format.value_or(view::plot::ExportFormat::Csv),
                                             options);
        } else {
            const long rows = view::plot::exportToFile(
                request.file, request.out,
                request.format.value_or(view::plot::exportFormatOf(request.out)), options);
            ctx.err << rows << (rows == 1 ? " row" : " rows") << " written to "
                    << request.out.toStdString() << "\n";
        }
    } catch (const std::exception& e) {
        ctx.out.flush();
        ctx.err << e.what() << "\n";
        return kDeviceFailed;
    }
    return kDone;
}

constexpr const char* kReportUsage = "FILE -o OUT.pdf";

int runReport(Context& ctx, const QStringList& args) {
    std::string file;
    QString pdf;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" || args[i] == "--output") {
            pdf = optionValue(args, i, kReportUsage);
        } else if (file.empty() && !args[i].startsWith('-')) {
            file = args[i].toStdString();
        } else {
            throw UsageError{"unexpected '" + args[i].toStdString() + "'; expected " +
                             kReportUsage};
        }
    }
    if (file.empty() || pdf.isEmpty()) {
        throw UsageError{std::string("expected ") + kReportUsage};
    }
    try {
        view::plot::writeRecordingReport(view::plot::readReportData(file, {}, loggingStartOf(file)),
                                         pdf);
    } catch (const std::exception& e) {
        ctx.err << e.what() << "\n";
        return kDeviceFailed;
    }
    ctx.out << pdf.toStdString() << "\n";
    return kDone;
}

}  // namespace

std::vector<Command> exportCommands() {
    return {
        {{"export"},
         kExportUsage,
         helpText({"Write every sample of the data file FILE with its time: CSV (default) or, with "
                   "--format json or an OUT ending in .json, one JSON object a line; to OUT, or "
                   "to standard output.",
                   "Columns time,seconds,X,Y,button (the recorded channels only): time in ISO "
                   "8601 to the millisecond on the launching PC's clock, from the header's "
                   "launch time and sampling frequency; button 1 where the button was pushed. "
                   "A bin recording gives one row per page pair. Lines starting with # say "
                   "where the times come from. OUT is replaced only once it is whole."}),
         runExport,
         {},
         false},
        {{"report"},
         kReportUsage,
         helpText({"Draw a one-page PDF report of the data file FILE into OUT.pdf: the logger and "
                   "its settings, the samples and the duration, each channel's minimum, maximum, "
                   "mean, standard deviation, first, last and change, the graphs as the Graph "
                   "window draws them, and the file's name and SHA-256."}),
         runReport,
         offscreenApplication,
         false},
    };
}

}  // namespace tilt::ctl
