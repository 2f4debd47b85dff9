#include "platform/ui/qt_messages.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QThread>
#include <algorithm>
#include <array>
#include <utility>

namespace tilt::platform::ui {

namespace {

constexpr const char* kTitle = "Tiltavarometer";
// Narrow enough for a short message, wide enough that the window manager never shortens the
// title ("Tilta…eter").
constexpr int kMinimumBoxWidth = 340;

QMessageBox::StandardButtons buttonsOf(Messages::Buttons buttons) {
    switch (buttons) {
        case Messages::Buttons::YesNo:
        case Messages::Buttons::YesNoDefaultNo:
            return QMessageBox::Yes | QMessageBox::No;
        case Messages::Buttons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        case Messages::Buttons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon iconOf(Messages::Buttons buttons) {
    switch (buttons) {
        case Messages::Buttons::YesNo:
        case Messages::Buttons::YesNoDefaultNo:
            return QMessageBox::Question;
        case Messages::Buttons::RetryCancel:
            return QMessageBox::Critical;
        case Messages::Buttons::Ok:
            break;
    }
    return QMessageBox::Information;
}

// The answers and the box's buttons for them, both ways.
constexpr std::array<std::pair<Messages::Answer, QMessageBox::StandardButton>, 5> kButtons = {{
    {Messages::Answer::Ok, QMessageBox::Ok},
    {Messages::Answer::Yes, QMessageBox::Yes},
    {Messages::Answer::No, QMessageBox::No},
    {Messages::Answer::Retry, QMessageBox::Retry},
    {Messages::Answer::Cancel, QMessageBox::Cancel},
}};

Messages::Answer answerOf(int button) {
    const auto* found = std::find_if(kButtons.begin(), kButtons.end(),
                                     [button](const auto& b) { return b.second == button; });
    return found == kButtons.end() ? Messages::Answer::Ok : found->first;
}

QMessageBox::StandardButton buttonOf(Messages::Answer answer) {
    const auto* found = std::find_if(kButtons.begin(), kButtons.end(),
                                     [answer](const auto& b) { return b.first == answer; });
    return found == kButtons.end() ? QMessageBox::Ok : found->second;
}

// What a closing program answers without asking, and what Escape answers: go on, and do
// nothing destructive. Ending the program after an error takes a deliberate Cancel.
Messages::Answer safeAnswer(Messages::Buttons buttons) {
    switch (buttons) {
        case Messages::Buttons::YesNo:
        case Messages::Buttons::YesNoDefaultNo:
            return Messages::Answer::No;
        case Messages::Buttons::RetryCancel:
            return Messages::Answer::Retry;
        case Messages::Buttons::Ok:
            break;
    }
    return Messages::Answer::Ok;
}

// A box titled "Tiltavarometer" over the active window; lines are joined by CR LF, which a
// label would not break at.
void prepare(QMessageBox& box, const std::string& text) {
    box.setWindowTitle(QString::fromLatin1(kTitle));
    box.setText(QString::fromStdString(text).replace(QStringLiteral("\r\n"), "\n"));
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(kMinimumBoxWidth, 0, QSizePolicy::Minimum), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
}

template <typename R, typename F>
R onUiThread(F ask, R ifClosing) {
    if (QThread::currentThread() == qApp->thread()) {
        return ask();
    }
    R answer = ifClosing;
    QMetaObject::invokeMethod(
        qApp, [&] { answer = ask(); }, Qt::BlockingQueuedConnection);
    return answer;
}

}  // namespace

void QtMessages::show(const std::string& text) {
    (void)ask(text, Buttons::Ok);
}

Messages::Answer QtMessages::ask(const std::string& text, Buttons buttons) {
    return onUiThread([&] { return askHere(text, buttons); }, safeAnswer(buttons));
}

std::size_t QtMessages::choose(const std::string& text, const std::vector<std::string>& choices,
                               std::size_t defaultChoice, std::size_t escapeChoice) {
    return onUiThread(
        [&] {
            if (closing_) {
                return escapeChoice;
            }
            QMessageBox box(QApplication::activeWindow());
            box.setIcon(QMessageBox::Question);
            prepare(box, text);
            std::vector<QPushButton*> buttons;
            for (const std::string& choice : choices) {
                buttons.push_back(
                    box.addButton(QString::fromStdString(choice), QMessageBox::ActionRole));
            }
            box.setDefaultButton(buttons.at(defaultChoice));
            box.setEscapeButton(buttons.at(escapeChoice));
            box.exec();
            const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
            return chosen == buttons.end() ? escapeChoice
                                           : static_cast<std::size_t>(chosen - buttons.begin());
        },
        escapeChoice);
}

Messages::Answer QtMessages::askHere(const std::string& text, Buttons buttons) {
    if (closing_) {
        return safeAnswer(buttons);
    }
    QMessageBox box(iconOf(buttons), QString::fromLatin1(kTitle), QString(), buttonsOf(buttons),
                    QApplication::activeWindow());
    prepare(box, text);
    if (buttons != Buttons::Ok) {
        box.setEscapeButton(buttonOf(safeAnswer(buttons)));
    }
    if (buttons == Buttons::YesNoDefaultNo || buttons == Buttons::RetryCancel) {
        box.setDefaultButton(buttonOf(safeAnswer(buttons)));
    }
    return answerOf(box.exec());
}

}  // namespace tilt::platform::ui
