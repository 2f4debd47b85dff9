#pragma once

#include <QJsonObject>
#include <QString>
#include <functional>
#include <ostream>
#include <string_view>

#include "view/dated_export.h"

namespace tilt::view::plot {

enum class ExportFormat { Csv, Json };

// The format a file name asks for: JSON for ".json" or ".jsonl" (any case), else CSV.
[[nodiscard]] ExportFormat exportFormatOf(const QString& path);

// Writes an export as JSON lines: one object a row with the CSV's keys (time, seconds, the
// recorded channels, button; pair, xPage, yPage, X and Y for bin pages), null where the CSV
// leaves a field empty. The notes are the CSV's alone.
class JsonSink : public ExportSink {
  public:
    explicit JsonSink(std::function<void(std::string_view)> line) : line_(std::move(line)) {}
    void note(std::string_view) override {}
    void columns(std::span<const std::string_view> names) override;
    void sample(const SampleRow& row) override;
    void bins(const BinRow& row) override;

  private:
    std::function<void(std::string_view)> line_;
    bool withX_ = false, withY_ = false;
    QJsonObject row_;
};

// Refuses (tilt::Error) an output that is the data file itself: writing it would destroy the
// recording it is made from.
void refuseReplacingInput(const std::string& file, const QString& out);

// What hands an export's notes, columns and rows to the sink it is given (a data file, the team
// store); returns the rows.
using ExportSource = std::function<long(ExportSink& sink)>;

// Writes what `source` hands over into `out` whole or not at all: the rows go to a file beside
// it that replaces `out` once it is complete, so a failure on the way or a full disk leaves an
// existing `out` as it was. Returns the rows written; throws tilt::Error, and what `source`
// throws.
long writeExportToFile(const ExportSource& source, const QString& out, ExportFormat format,
                       std::string_view lineEnd);
// Writes what `source` hands over to a stream (tiltctl's standard output), lines ended with LF;
// throws tilt::Error when the stream cannot take them.
long writeExportToStream(const ExportSource& source, std::ostream& out, ExportFormat format);

// Exports `file` into `out` whole or not at all (writeExportToFile), lines ended with CR LF.
long exportToFile(const std::string& file, const QString& out, ExportFormat format,
                  const ExportOptions& options = {});

// Exports `file` to a stream (writeExportToStream).
long exportToStream(const std::string& file, std::ostream& out, ExportFormat format,
                    const ExportOptions& options = {});

}  // namespace tilt::view::plot
