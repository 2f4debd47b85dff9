#include "view/ui/button_push_graph_window.h"

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

ButtonPushGraphWindow::ButtonPushGraphWindow(common::ui::AppContext& context, QWidget* parent)
    : RecordingWindow(context, QStringLiteral("Graph Button Pushes"), parent) {
    addControls(buildPushControls());
    setUpPushGraphs(graphs());
}

QWidget* ButtonPushGraphWindow::buildPushControls() {
    auto* controls = new QWidget(this);
    auto* line = new QHBoxLayout(controls);
    line->setContentsMargins(0, 0, 0, 0);
    pushNumberBox_ = namedBox("txtBPNumber", controls);
    pushValueBox_ = namedBox("txtBPValue", controls);
    line->addWidget(common::ui::fieldCaption(QStringLiteral("Number"), pushNumberBox_));
    line->addWidget(pushNumberBox_);
    line->addSpacing(12);
    line->addWidget(common::ui::fieldCaption(QStringLiteral("Point"), pushValueBox_));
    line->addWidget(pushValueBox_);
    pushNumberBox_->setAccessibleName(QStringLiteral("Button push number"));
    pushValueBox_->setAccessibleName(QStringLiteral("Button push point"));
    line->addSpacing(24);

    auto* scroll = new QVBoxLayout;
    auto* scrollLabel = new QLabel(QStringLiteral("<--Scroll-->"), controls);
    scrollLabel->setAlignment(Qt::AlignHCenter);
    scroll->addWidget(scrollLabel);
    auto* arrows = new QHBoxLayout;
    backButton_ = namedButton("cmdBack", QStringLiteral("<"), controls);
    forwardButton_ = namedButton("cmdForward", QStringLiteral(">"), controls);
    backButton_->setAccessibleName(QStringLiteral("Previous button push"));
    forwardButton_->setAccessibleName(QStringLiteral("Next button push"));
    arrows->addWidget(backButton_);
    arrows->addWidget(forwardButton_);
    scroll->addLayout(arrows);
    line->addLayout(scroll);
    line->addSpacing(24);
    showAllButton_ = namedButton("cmdShowAll", QString::fromLatin1(kShowAll), controls);
    line->addWidget(showAllButton_);
    line->addStretch();

    connect(backButton_, &QPushButton::clicked, this, &ButtonPushGraphWindow::showPreviousPush);
    connect(forwardButton_, &QPushButton::clicked, this, &ButtonPushGraphWindow::showNextPush);
    connect(showAllButton_, &QPushButton::clicked, this, &ButtonPushGraphWindow::toggleAllPushes);
    return controls;
}

void ButtonPushGraphWindow::chooseAndOpenFile() {
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

void ButtonPushGraphWindow::openFile(const QString& path) {
    try {
        setFileName(path);
        showFile();
    } catch (const Error& e) {
        context_.errors.report(e, "mnuOpen_Click", kScreen);
    }
}

void ButtonPushGraphWindow::showFile() {
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
    if (buildDoubleChannelArrays(file, channels, context_.errors, kScreen, &pushes_) ==
        ParseEnd::EndOfFile) {
        showMessage(kEndOfDataFile);
        return;
    }
    plotChannelArrays(graphs(), channels, LinearChannel::Both);
    pushNumberBox_->setText(QStringLiteral("0"));
    pushValueBox_->setText(numberBoxText(pushes_.front()));
    placeFirstCursors(graphs(), pushes_.front());
}

bool ButtonPushGraphWindow::fileSelected() {
    if (fileName().isEmpty()) {
        showMessage(kNoDataFile);
        return false;
    }
    return true;
}

void ButtonPushGraphWindow::showPreviousPush() {
    step(-1);
}

void ButtonPushGraphWindow::showNextPush() {
    step(+1);
}

void ButtonPushGraphWindow::step(int direction) {
    if (!fileSelected()) {
        return;
    }
    const double upperBound = static_cast<double>(pushes_.size() - 1);
    const double number = leadingNumber(pushNumberBox_->text().toStdString());
    // No step back from the first push or forward from the last; a number typed outside the
    // list goes to the nearest push.
    const double end = direction < 0 ? 0 : upperBound;
    const double stepped = number == end ? number : number + direction;
    const double next = std::clamp(std::round(stepped), 0.0, upperBound);
    pushNumberBox_->setText(numberBoxText(next));
    const double sample = pushes_[static_cast<std::size_t>(next)];
    pushValueBox_->setText(numberBoxText(sample));
    placeFirstCursors(graphs(), sample);
}

void ButtonPushGraphWindow::toggleAllPushes() {
    if (!fileSelected()) {
        return;
    }
    if (showAllButton_->text() == QLatin1String(kShowAll)) {
        showAllButton_->setText(QString::fromLatin1(kHideAll));
        showAllPushCursors(graphs(), pushes_);
    } else if (showAllButton_->text() == QLatin1String(kHideAll)) {
        showAllButton_->setText(QString::fromLatin1(kShowAll));
        hideAllPushCursors(graphs(), leadingNumber(pushValueBox_->text().toStdString()));
    }
}

QString ButtonPushGraphWindow::shownPart() const {
    if (fileName().isEmpty()) {
        return QStringLiteral("no data file");
    }
    return QStringLiteral("button push %1 at sample %2 of %3")
        .arg(pushNumberBox_->text(), pushValueBox_->text())
        .arg(pushes_.size() == 1 && pushes_.front() == 0
                 ? QStringLiteral("a recording without pushes")
                 : QStringLiteral("%1 pushes").arg(pushes_.size()));
}

}  // namespace tilt::view::ui
