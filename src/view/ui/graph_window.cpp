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

Graph::Graph(common::ui::AppContext& context, QWidget* parent)
    : RecordingWindow(context, QStringLiteral("Graph"), parent) {
    addControls(buildScrollFrame());
    setUpBinGraphs(graphs());
    // Form_Load
    CurrentPage_ = 0;
    setPageNumberX(0);
    cmdPrevious_->setEnabled(false);
}

QWidget* Graph::buildScrollFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Scroll Data Bins"), this);
    auto* line = new QHBoxLayout(frame);
    cmdPrevious_ = namedButton("cmdPrevious", QStringLiteral("Previous"), frame);
    cmdNext_ = namedButton("cmdNext", QStringLiteral("Next"), frame);
    txtPageNumberX_ = namedBox("txtPageNumberX", frame);
    txtPageNumberY_ = namedBox("txtPageNumberY", frame);
    txtPageNumberY_->setReadOnly(true);
    line->addWidget(cmdPrevious_);
    line->addWidget(cmdNext_);
    line->addSpacing(16);
    line->addWidget(common::ui::fieldCaption(QStringLiteral("X"), txtPageNumberX_));
    line->addWidget(txtPageNumberX_);
    line->addWidget(common::ui::fieldCaption(QStringLiteral("Y"), txtPageNumberY_));
    line->addWidget(txtPageNumberY_);
    // "X" alone says little to a screen reader's user.
    txtPageNumberX_->setAccessibleName(QStringLiteral("X page number"));
    txtPageNumberY_->setAccessibleName(QStringLiteral("Y page number"));
    line->addStretch();
    connect(cmdPrevious_, &QPushButton::clicked, this, &Graph::cmdPrevious_Click);
    connect(cmdNext_, &QPushButton::clicked, this, &Graph::cmdNext_Click);
    connect(txtPageNumberX_, &QLineEdit::textChanged, this, &Graph::txtPageNumberX_Change);
    return frame;
}

void Graph::txtPageNumberX_Change() {
    const double value = leadingNumber(txtPageNumberX_->text().toStdString());
    txtPageNumberY_->setText(QString::fromStdString(numberText(value + 1)));
}

void Graph::setPageNumberX(std::int16_t page) {
    txtPageNumberX_->setText(QString::number(page));
}

void Graph::mnuOpen_Click() {
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

void Graph::openFile(const QString& path) {
    try {
        setFileName(path);
        showFile();
    } catch (...) {
    }
}

void Graph::showFile() {
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

void Graph::showBinFile() {
    linear_ = false;
    CurrentPage_ = 1;
    setPageNumberX(1);
    cmdPrevious_->setEnabled(false);
    cmdNext_->setEnabled(true);
    setUpBinGraphs(graphs());
    pages_.reset();  // a file opened again is indexed afresh
    LocateDataPage(CurrentPage_, fileName());
}

void Graph::showLinearFile(const DownloadFileHeader& header) {
    linear_ = true;
    setPageNumberX(0);
    cmdPrevious_->setEnabled(false);
    cmdNext_->setEnabled(false);
    linearChannel_ = header.channel;
    setUpLinearGraphs(graphs());
    const std::string file = fileName().toStdString();
    ChannelArrays channels;
    ParseEnd end = ParseEnd::Done;
    if (linearChannel_ == LinearChannel::X || linearChannel_ == LinearChannel::Y) {
        end = BuildSingleChannelArray(file, linearChannel_, channels, context_.errors, kScreen);
    } else if (linearChannel_ == LinearChannel::Both) {
        end = BuildDoubleChannelArrays(file, channels, context_.errors, kScreen);
    } else {
        return;
    }
    if (end == ParseEnd::EndOfFile) {
        showMessage(kEndOfDataFile);
    }
    plotChannelArrays(graphs(), channels, linearChannel_);
}

const BinPages* Graph::pagesOf(const QString& file) {
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

void Graph::LocateDataPage(std::int16_t& page, const QString& file) {
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
            LastPage_ = page;
            return;
        case BinPages::Located::Failed:
            return;
        case BinPages::Located::Found:
            break;
    }
    DegreeArrays degrees;
    ConvertPointArraysToDegreeArrays(PointArrayX, PointArrayY, degrees);
    plotDegreeArrays(graphs(), degrees);
}

void Graph::cmdNext_Click() {
    try {
        if (fileName().isEmpty()) {
            showMessage(kNoDataFile);
            return;
        }
        if (numberValue(txtPageNumberX_->text().toStdString()) == LastPage_) {
            showMessage(kEndOfDataFile);
            return;
        }
        CurrentPage_ = toInt16(CurrentPage_ + 2.0);
        if (CurrentPage_ > 0) {
            cmdPrevious_->setEnabled(true);
        }
        setPageNumberX(CurrentPage_);
        LocateDataPage(CurrentPage_, fileName());
    } catch (const Error& e) {
        context_.errors.report(e, "cmdNext_Click", kScreen);
    }
}

void Graph::cmdPrevious_Click() {
    try {
        if (CurrentPage_ == 1) {
            cmdPrevious_->setEnabled(false);
            return;
        }
        CurrentPage_ = toInt16(CurrentPage_ - 2.0);
        cmdPrevious_->setEnabled(CurrentPage_ != 0);
        setPageNumberX(CurrentPage_);
        LocateDataPage(CurrentPage_, fileName());
    } catch (const Error& e) {
        context_.errors.report(e, "cmdPrevious_Click", kScreen);
    }
}

QString Graph::shownPart() const {
    if (fileName().isEmpty()) {
        return QStringLiteral("no data file");
    }
    if (linear_) {
        return QStringLiteral("whole recording over the sample index");
    }
    return QStringLiteral("bin pages %1 (X) and %2 (Y)")
        .arg(txtPageNumberX_->text(), txtPageNumberY_->text());
}

}  // namespace tilt::view::ui
