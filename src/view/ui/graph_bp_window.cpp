#include "view/ui/graph_bp_window.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "common/error.h"
#include "common/error_reporter.h"
#include "common/number_text.h"
#include "common/text_value.h"
#include "common/ui/app_context.h"
#include "common/ui/field_caption.h"
#include "view/download_file.h"
#include "view/view_messages.h"

namespace tilt::view::ui {

namespace {

constexpr const char* kScreen = "GraphBP";
constexpr const char* kShowAll = "Show All";
constexpr const char* kHideAll = "Hide All";

QString numberBoxText(double value) {
    return QString::fromStdString(numberText(value));
}

}  // namespace

GraphBP::GraphBP(common::ui::AppContext& context, QWidget* parent)
    : RecordingWindow(context, QStringLiteral("Graph Button Pushes"), parent) {
    addControls(buildPushControls());
    setUpPushGraphs(graphs());
}

QWidget* GraphBP::buildPushControls() {
    auto* controls = new QWidget(this);
    auto* line = new QHBoxLayout(controls);
    line->setContentsMargins(0, 0, 0, 0);
    txtBPNumber_ = namedBox("txtBPNumber", controls);
    txtBPValue_ = namedBox("txtBPValue", controls);
    line->addWidget(common::ui::fieldCaption(QStringLiteral("Number"), txtBPNumber_));
    line->addWidget(txtBPNumber_);
    line->addSpacing(12);
    line->addWidget(common::ui::fieldCaption(QStringLiteral("Point"), txtBPValue_));
    line->addWidget(txtBPValue_);
    txtBPNumber_->setAccessibleName(QStringLiteral("Button push number"));
    txtBPValue_->setAccessibleName(QStringLiteral("Button push point"));
    line->addSpacing(24);

    auto* scroll = new QVBoxLayout;
    auto* scrollLabel = new QLabel(QStringLiteral("<--Scroll-->"), controls);
    scrollLabel->setAlignment(Qt::AlignHCenter);
    scroll->addWidget(scrollLabel);
    auto* arrows = new QHBoxLayout;
    cmdBack_ = namedButton("cmdBack", QStringLiteral("<"), controls);
    cmdForward_ = namedButton("cmdForward", QStringLiteral(">"), controls);
    cmdBack_->setAccessibleName(QStringLiteral("Previous button push"));
    cmdForward_->setAccessibleName(QStringLiteral("Next button push"));
    arrows->addWidget(cmdBack_);
    arrows->addWidget(cmdForward_);
    scroll->addLayout(arrows);
    line->addLayout(scroll);
    line->addSpacing(24);
    cmdShowAll_ = namedButton("cmdShowAll", QString::fromLatin1(kShowAll), controls);
    line->addWidget(cmdShowAll_);
    line->addStretch();

    connect(cmdBack_, &QPushButton::clicked, this, &GraphBP::cmdBack_Click);
    connect(cmdForward_, &QPushButton::clicked, this, &GraphBP::cmdForward_Click);
    connect(cmdShowAll_, &QPushButton::clicked, this, &GraphBP::cmdShowAll_Click);
    return controls;
}

void GraphBP::mnuOpen_Click() {
    try {
        const auto chosen = chooseDataFile();
        if (!chosen) {
            // This window has always treated a cancelled dialog as a failed open.
            throw Error(errc::kDialogCancelled, "Cancel was selected.");
        }
        setFileName(*chosen);
        showFile();
    } catch (const Error& e) {
        context_.errors.report(e, "mnuOpen_Click", kScreen);
    }
}

void GraphBP::openFile(const QString& path) {
    try {
        setFileName(path);
        showFile();
    } catch (const Error& e) {
        context_.errors.report(e, "mnuOpen_Click", kScreen);
    }
}

void GraphBP::showFile() {
    const std::string file = fileName().toStdString();
    const auto header = readButtonPushHeader(file);
    if (!header) {
        throw Error(errc::kFileNotFound, "File not found: " + file);
    }
    if (const auto refusal = buttonPushRefusal(*header)) {
        showMessage(*refusal);
        return;
    }
    ChannelArrays channels;
    if (BuildDoubleChannelArrays(file, channels, context_.errors, kScreen, &ButtonPushList_) ==
        ParseEnd::EndOfFile) {
        showMessage(kEndOfDataFile);
        return;
    }
    plotChannelArrays(graphs(), channels, LinearChannel::Both);
    txtBPNumber_->setText(QStringLiteral("0"));
    txtBPValue_->setText(numberBoxText(ButtonPushList_.front()));
    placeFirstCursors(graphs(), ButtonPushList_.front());
}

bool GraphBP::fileSelected() {
    if (fileName().isEmpty()) {
        showMessage(kNoDataFile);
        return false;
    }
    return true;
}

void GraphBP::cmdBack_Click() {
    step(-1);
}

void GraphBP::cmdForward_Click() {
    step(+1);
}

void GraphBP::step(int direction) {
    if (!fileSelected()) {
        return;
    }
    const double upperBound = static_cast<double>(ButtonPushList_.size() - 1);
    const double number = leadingNumber(txtBPNumber_->text().toStdString());
    // No step back from the first push or forward from the last; a number typed outside the
    // list goes to the nearest push.
    const double end = direction < 0 ? 0 : upperBound;
    const double stepped = number == end ? number : number + direction;
    const double next = std::clamp(std::round(stepped), 0.0, upperBound);
    txtBPNumber_->setText(numberBoxText(next));
    const double sample = ButtonPushList_[static_cast<std::size_t>(next)];
    txtBPValue_->setText(numberBoxText(sample));
    placeFirstCursors(graphs(), sample);
}

void GraphBP::cmdShowAll_Click() {
    if (!fileSelected()) {
        return;
    }
    if (cmdShowAll_->text() == QLatin1String(kShowAll)) {
        cmdShowAll_->setText(QString::fromLatin1(kHideAll));
        showAllPushCursors(graphs(), ButtonPushList_);
    } else if (cmdShowAll_->text() == QLatin1String(kHideAll)) {
        cmdShowAll_->setText(QString::fromLatin1(kShowAll));
        hideAllPushCursors(graphs(), leadingNumber(txtBPValue_->text().toStdString()));
    }
}

QString GraphBP::shownPart() const {
    if (fileName().isEmpty()) {
        return QStringLiteral("no data file");
    }
    return QStringLiteral("button push %1 at sample %2 of %3")
        .arg(txtBPNumber_->text(), txtBPValue_->text())
        .arg(ButtonPushList_.size() == 1 && ButtonPushList_.front() == 0
                 ? QStringLiteral("a recording without pushes")
                 : QStringLiteral("%1 pushes").arg(ButtonPushList_.size()));
}

}  // namespace tilt::view::ui
