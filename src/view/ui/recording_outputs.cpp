#include "view/ui/recording_outputs.h"

#include <QMainWindow>
#include <QStatusBar>

#include "common/error.h"
#include "common/messages.h"
#include "common/ui/app_context.h"
#include "view/plot/export_file.h"
#include "view/plot/recording_report.h"

namespace tilt::view::ui {

RecordingOutputs::RecordingOutputs(QMainWindow& window, common::ui::AppContext& context)
    : QObject(&window), window_(window), context_(context) {}

RecordingOutputs::~RecordingOutputs() {
    if (job_.joinable()) {
        job_.request_stop();
        job_.join();
    }
}

void RecordingOutputs::run(const QString& doing,
                           std::function<std::function<void()>(std::stop_token)> work) {
    if (job_.joinable()) {
        job_.join();  // the one before has handed over already: busy_ is clear
    }
    busy_ = true;
    emit busyChanged(true);
    window_.statusBar()->showMessage(doing);
    job_ = std::jthread([this, work = std::move(work)](std::stop_token stop) {
        std::function<void()> then;
        try {
            then = work(stop);
        } catch (const std::exception& e) {
            then = [this, why = QString::fromStdString(e.what())] {
                done(QStringLiteral("The file could not be read whole: %1").arg(why), true);
            };
        }
        // Dropped by Qt when this object is gone (its destructor waits for this thread first).
        QMetaObject::invokeMethod(this, std::move(then), Qt::QueuedConnection);
    });
}

void RecordingOutputs::done(const QString& outcome, bool failed) {
    busy_ = false;
    emit busyChanged(false);
    if (failed) {
        window_.statusBar()->clearMessage();
        context_.messages.show(outcome.toStdString());
    } else {
        window_.statusBar()->showMessage(outcome);
    }
    emit finished(outcome);
}

void RecordingOutputs::exportData(const QString& file, const QString& out) {
    run(QStringLiteral("Exporting %1…").arg(out),
        [this, file = file.toStdString(), out](std::stop_token stop) {
            try {
                ExportOptions options;
                options.stop = std::move(stop);
                options.loggingStarted = loggingStartIn(context_.library, file);
                const long rows = plot::exportToFile(file, out, plot::exportFormatOf(out), options);
                return std::function<void()>([this, rows, out] {
                    done(QStringLiteral("Exported %1 rows to %2").arg(rows).arg(out), false);
                });
            } catch (const Error& e) {
                return std::function<void()>(
                    [this, why = QString::fromStdString(e.what())] { done(why, true); });
            }
        });
}

void RecordingOutputs::report(const QString& file, const QString& pdf) {
    run(QStringLiteral("Making the report %1…").arg(pdf),
        [this, file = file.toStdString(), pdf](std::stop_token stop) {
            try {
                auto data = std::make_shared<plot::ReportData>(plot::readReportData(
                    file, std::move(stop), loggingStartIn(context_.library, file)));
                // The graphs are widgets: the page is drawn on the window's thread.
                return std::function<void()>([this, data, pdf] {
                    try {
                        plot::writeRecordingReport(*data, pdf);
                        done(QStringLiteral("Report saved to %1").arg(pdf), false);
                    } catch (const std::exception& e) {
                        done(QString::fromStdString(e.what()), true);
                    }
                });
            } catch (const Error& e) {
                return std::function<void()>(
                    [this, why = QString::fromStdString(e.what())] { done(why, true); });
            }
        });
}

}  // namespace tilt::view::ui
