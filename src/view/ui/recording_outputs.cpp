#include "view/ui/recording_outputs.h"

#include <QMainWindow>
#include <QPointer>
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
        job_.join();
    }
}

void RecordingOutputs::run(const QString& doing, std::function<std::function<void()>()> work) {
    if (job_.joinable()) {
        job_.join();  // the one before has handed over already: busy_ is clear
    }
    busy_ = true;
    emit busyChanged(true);
    window_.statusBar()->showMessage(doing);
    QPointer<RecordingOutputs> self(this);
    job_ = std::jthread([self, work = std::move(work)] {
        std::function<void()> then = work();
        QMetaObject::invokeMethod(
            self.data(),
            [self, then = std::move(then)] {
                if (self) {
                    then();
                }
            },
            Qt::QueuedConnection);
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
    run(QStringLiteral("Exporting %1…").arg(out), [this, file = file.toStdString(), out] {
        try {
            const long rows = plot::exportToFile(file, out, plot::exportFormatOf(out));
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
    run(QStringLiteral("Making the report %1…").arg(pdf), [this, file = file.toStdString(), pdf] {
        try {
            auto data = std::make_shared<plot::ReportData>(plot::readReportData(file));
            // The graphs are widgets: the page is drawn on the window's thread.
            return std::function<void()>([this, data, pdf] {
                try {
                    plot::writeRecordingReport(*data, pdf);
                    done(QStringLiteral("Report saved to %1").arg(pdf), false);
                } catch (const Error& e) {
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
