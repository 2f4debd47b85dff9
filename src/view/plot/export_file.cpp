#include "view/plot/export_file.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <memory>

#include "common/error.h"

namespace tilt::view::plot {

namespace {

QJsonValue numberOrNull(bool present, double value) {
    return present ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QString isoText(LocalMillis at) {
    std::string text;
    appendIsoTime(text, at);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));  // digits only
}

QJsonArray countsOf(std::span<const std::string_view> counts) {
    QJsonArray array;
    for (const std::string_view count : counts) {
        array.append(
            QString::fromLatin1(count.data(), static_cast<qsizetype>(count.size())).toDouble());
    }
    return array;
}

std::unique_ptr<ExportSink> sinkFor(ExportFormat format,
                                    std::function<void(std::string_view)> line) {
    if (format == ExportFormat::Json) {
        return std::make_unique<JsonSink>(std::move(line));
    }
    return std::make_unique<CsvSink>(std::move(line));
}

[[noreturn]] void cannotWrite(const QString& out, const QString& why) {
    throw Error(errc::kPathFileAccess, "Cannot write " + out.toStdString() + ": " +
                                           why.toStdString() +
                                           ". Choose another folder or name and try again.");
}

}  // namespace

void refuseReplacingInput(const std::string& file, const QString& out) {
    const QFileInfo input(QString::fromStdString(file));
    const QFileInfo output(out);
    if (output.exists() && input.exists() &&
        input.canonicalFilePath() == output.canonicalFilePath()) {
        throw Error(errc::kBadArgument, out.toStdString() +
                                            " is the data file itself: writing it would destroy "
                                            "the recording. Choose another name.");
    }
}

ExportFormat exportFormatOf(const QString& path) {
    return path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive) ||
                   path.endsWith(QStringLiteral(".jsonl"), Qt::CaseInsensitive)
               ? ExportFormat::Json
               : ExportFormat::Csv;
}

void JsonSink::columns(std::span<const std::string_view> names) {
    for (const std::string_view name : names) {
        withX_ = withX_ || name == "X";
        withY_ = withY_ || name == "Y";
    }
}

void JsonSink::sample(const SampleRow& row) {
    // One object for every row, its values replaced: half a million rows do not each build
    // their keys anew.
    row_[QLatin1StringView("time")] =
        row.time ? QJsonValue(isoText(*row.time)) : QJsonValue(QJsonValue::Null);
    row_[QLatin1StringView("seconds")] = row.offsetMs
                                             ? QJsonValue(static_cast<double>(*row.offsetMs) / 1000)
                                             : QJsonValue(QJsonValue::Null);
    row_[QLatin1StringView("button")] = row.push ? QJsonValue(1) : QJsonValue(QJsonValue::Null);
    if (withX_) {
        row_[QLatin1StringView("X")] = numberOrNull(!row.x.empty(), row.xValue);
    }
    if (withY_) {
        row_[QLatin1StringView("Y")] = numberOrNull(!row.y.empty(), row.yValue);
    }
    const QByteArray text = QJsonDocument(row_).toJson(QJsonDocument::Compact);
    line_(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

void JsonSink::bins(const BinRow& row) {
    const auto page = [](std::string_view text) {
        return text.empty() ? QJsonValue(QJsonValue::Null)
                            : QJsonValue(QString::fromLatin1(text.data(),
                                                             static_cast<qsizetype>(text.size()))
                                             .toDouble());
    };
    const QJsonObject object{
        {"pair", static_cast<double>(row.pair)},
        {"xPage", page(row.xPage)},
        {"yPage", page(row.yPage)},
        {"X", countsOf(row.x)},
        {"Y", row.y.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(countsOf(row.y))},
    };
    const QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Compact);
    line_(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

long writeExportToFile(const ExportSource& source, const QString& out, ExportFormat format,
                       std::string_view lineEnd) {
    QSaveFile target(out);
    if (!target.open(QIODevice::WriteOnly)) {
        cannotWrite(out, target.errorString());
    }
    QByteArray buffer;
    constexpr qsizetype kFlushBytes = 256 * 1024;
    buffer.reserve(kFlushBytes + 4096);
    const auto flush = [&] {
        if (target.write(buffer) != buffer.size()) {
            cannotWrite(out, target.errorString());
        }
        buffer.resize(0);  // keeps its room
    };
    const auto sink = sinkFor(format, [&](std::string_view line) {
        buffer.append(line.data(), static_cast<qsizetype>(line.size()));
        buffer.append(lineEnd.data(), static_cast<qsizetype>(lineEnd.size()));
        if (buffer.size() >= kFlushBytes) {
            flush();
        }
    });
    const long rows = source(*sink);  // throws: the target is dropped
    flush();
    if (!target.commit()) {
        cannotWrite(out, target.errorString());
    }
    return rows;
}

long writeExportToStream(const ExportSource& source, std::ostream& out, ExportFormat format) {
    const auto sink = sinkFor(format, [&](std::string_view line) {
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
        out.put('\n');
    });
    const long rows = source(*sink);
    out.flush();
    if (!out) {
        throw Error(errc::kPathFileAccess,
                    "Cannot write the export to standard output (is the disk or the pipe gone?).");
    }
    return rows;
}

long exportToFile(const std::string& file, const QString& out, ExportFormat format,
                  const ExportOptions& options) {
    refuseReplacingInput(file, out);
    return writeExportToFile([&](ExportSink& sink) { return exportRecording(file, sink, options); },
                             out, format, "\r\n");
}

long exportToStream(const std::string& file, std::ostream& out, ExportFormat format,
                    const ExportOptions& options) {
    return writeExportToStream(
        [&](ExportSink& sink) { return exportRecording(file, sink, options); }, out, format);
}

}  // namespace tilt::view::plot
