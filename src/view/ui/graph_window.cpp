#include "view/ui/graph_window.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/error.h"
#include "common/error_reporter.h"
#include "common/number_text.h"
#include "common/rounding.h"
#include "common/text_value.h"
#include "common/ui/app_context.h"
#include "common/ui/field_caption.h"
#include "view/channel_arrays.h"
#include "view/degree_arrays.h"
#include "view/plot/plot_control.h"
#include "view/view_messages.h"

namespace tilt::view::ui {

namespace {

constexpr const char* kScreen = "Graph";

}  // namespace

GraphWindow::GraphWindow(common::ui::AppContext& context, QWidget* parent)
    : RecordingWindow(context, QStringLiteral("Graph"), parent) {
    addControls(buildScrollFrame());
    setUpBinGraphs(graphs());
    // What the window shows before a file is open.
    currentPage_ = 0;
    setPageNumberX(0);
    previousButton_->setEnabled(false);
}

QWidget* GraphWindow::buildScrollFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Scroll Data Bins"), this);
    auto* line = new QHBoxLayout(frame);
    previousButton_ = namedButton("cmdPrevious", QStringLiteral("Previous"), frame);
    nextButton_ = namedButton("cmdNext", QStringLiteral("Next"), frame);
    firstPageBox_ = namedBox("txtPageNumberX", frame);
    secondPageBox_ = namedBox("txtPageNumberY", frame);
    secondPageBox_->setReadOnly(true);
    line->addWidget(previousButton_);
    line->addWidget(nextButton_);
    line->addSpacing(16);
    line->addWidget(common::ui::fieldCaption(QStringLiteral("X"), firstPageBox_));
    line->addWidget(firstPageBox_);
    line->addWidget(common::ui::fieldCaption(QStringLiteral("Y"), secondPageBox_));
    line->addWidget(secondPageBox_);
    // "X" alone says little to a screen reader's user.
    firstPageBox_->setAccessibleName(QStringLiteral("X page number"));
    secondPageBox_->setAccessibleName(QStringLiteral("Y page number"));
    line->addStretch();
    connect(previousButton_, &QPushButton::clicked, this, &GraphWindow::showPreviousPages);
    connect(nextButton_, &QPushButton::clicked, this, &GraphWindow::showNextPages);
    connect(firstPageBox_, &QLineEdit::textChanged, this, &GraphWindow::followFirstPage);
    return frame;
}

void GraphWindow::followFirstPage() {
    const double value = leadingNumber(firstPageBox_->text().toStdString());
    secondPageBox_->setText(QString::fromStdString(numberText(value + 1)));
}

void GraphWindow::setPageNumberX(std::int16_t page) {
    firstPageBox_->setText(QString::number(page));
}

void GraphWindow::chooseAndOpenFile() {
    // Whatever goes wrong while opening ends the operation quietly; what changed stays.
    try {
        const auto chosen = chooseDataFile();
        if (!chosen) {
            return;
        }
        setFileName(*chosen);
        showFile();
    } catch (...) {
    }
}

void GraphWindow::openFile(const QString& path) {
    try {
        setFileName(path);
        showFile();
    } catch (...) {
    }
}

void GraphWindow::showFile() {
    const std::string file = fileName().toStdString();
    const auto header = readDownloadFileHeader(file);
    if (!header) {
        return;
    }
    switch (header->mode) {
        case FileMode::Empty:
            showMessage(kNotDownloadPages);
            return;
        case FileMode::NotDownloadPages:
            showMessage(kNotDownloadPages);
            setFileName({});
            return;
        case FileMode::Bin:
            showBinFile();
            return;
        case FileMode::Linear:
            showLinearFile(*header);
            return;
        case FileMode::Short:
        case FileMode::Other:
            return;
    }
}

void GraphWindow::showBinFile() {
    linear_ = false;
    currentPage_ = 1;
    setPageNumberX(1);
    previousButton_->setEnabled(false);
    nextButton_->setEnabled(true);
    setUpBinGraphs(graphs());
    pages_.reset();  // a file opened again is indexed afresh
    locateDataPage(currentPage_, fileName());
}

void GraphWindow::showLinearFile(const DownloadFileHeader& header) {
    linear_ = true;
    setPageNumberX(0);
    previousButton_->setEnabled(false);
    nextButton_->setEnabled(false);
    linearChannel_ = header.channel;
    setUpLinearGraphs(graphs());
    const std::string file = fileName().toStdString();
    ChannelArrays channels;
    ParseEnd end = ParseEnd::Done;
    if (linearChannel_ == LinearChannel::X || linearChannel_ == LinearChannel::Y) {
        end = buildSingleChannelArray(file, linearChannel_, channels, context_.errors, kScreen);
    } else if (linearChannel_ == LinearChannel::Both) {
        end = buildDoubleChannelArrays(file, channels, context_.errors, kScreen);
    } else {
        return;
    }
    if (end == ParseEnd::EndOfFile) {
        showMessage(kEndOfDataFile);
    }
    plotChannelArrays(graphs(), channels, linearChannel_);
}

const BinPages* GraphWindow::pagesOf(const QString& file) {
    if (!pages_ || pagesFile_ != file) {
        pages_ = BinPages::load(file.toStdString());
        pagesFile_ = file;
        if (!pages_) {
            context_.errors.report(
                Error(errc::kFileNotFound, "File not found: " + file.toStdString()), "Big",
                kScreen);
            return nullptr;
        }
    }
    return &*pages_;
}

void GraphWindow::locateDataPage(std::int16_t& page, const QString& file) {
    const BinPages* pages = pagesOf(file);
    if (pages == nullptr) {
        return;
    }
    PointArray PointArrayX{};
    PointArray PointArrayY{};
    switch (pages->locate(page, PointArrayX, PointArrayY, context_.errors, kScreen)) {
        case BinPages::Located::NotFound:
            showMessage(unableToLocatePage(page));
            return;
        case BinPages::Located::EndOfFile:
            showMessage(kEndOfDataFile);
            lastPage_ = page;
            return;
        case BinPages::Located::Failed:
            return;
        case BinPages::Located::Found:
            break;
    }
    DegreeArrays degrees;
    convertPointArraysToDegreeArrays(PointArrayX, PointArrayY, degrees);
    plotDegreeArrays(graphs(), degrees);
}

void GraphWindow::showNextPages() {
    try {
        if (fileName().isEmpty()) {
            showMessage(kNoDataFile);
            return;
        }
        if (numberValue(firstPageBox_->text().toStdString()) == lastPage_) {
            showMessage(kEndOfDataFile);
            return;
        }
        currentPage_ = toInt16(currentPage_ + 2.0);
        if (currentPage_ > 0) {
            previousButton_->setEnabled(true);
        }
        setPageNumberX(currentPage_);
        locateDataPage(currentPage_, fileName());
    } catch (const Error& e) {
        context_.errors.report(e, "cmdNext_Click", kScreen);
    }
}

void GraphWindow::showPreviousPages() {
    try {
        if (currentPage_ == 1) {
            previousButton_->setEnabled(false);
            return;
        }
        currentPage_ = toInt16(currentPage_ - 2.0);
        previousButton_->setEnabled(currentPage_ != 0);
        setPageNumberX(currentPage_);
        locateDataPage(currentPage_, fileName());
    } catch (const Error& e) {
        context_.errors.report(e, "cmdPrevious_Click", kScreen);
    }
}

QString GraphWindow::shownPart() const {
    if (fileName().isEmpty()) {
        return QStringLiteral("no data file");
    }
    if (linear_) {
        return QStringLiteral("whole recording over the sample index");
    }
    return QStringLiteral("bin pages %1 (X) and %2 (Y)")
        .arg(firstPageBox_->text(), secondPageBox_->text());
}

}  // namespace tilt::view::ui
