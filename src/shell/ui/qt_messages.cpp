#include "shell/ui/qt_messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace tilt::shell::ui {

namespace {

QMessageBox::StandardButtons buttonsOf(Messages::Buttons buttons) {
    switch (buttons) {
        case Messages::Buttons::YesNo:
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
            return QMessageBox::Question;
        case Messages::Buttons::RetryCancel:
            return QMessageBox::Critical;
        case Messages::Buttons::Ok:
            break;
    }
    return QMessageBox::Information;
}

Messages::Answer answerOf(int button) {
    switch (button) {
        case QMessageBox::Yes:
            return Messages::Answer::Yes;
        case QMessageBox::No:
            return Messages::Answer::No;
        case QMessageBox::Retry:
            return Messages::Answer::Retry;
        case QMessageBox::Cancel:
            return Messages::Answer::Cancel;
        default:
            return Messages::Answer::Ok;
    }
}

// What a closing program answers without asking: go on, and do nothing destructive.
Messages::Answer closingAnswer(Messages::Buttons buttons) {
    switch (buttons) {
        case Messages::Buttons::YesNo:
            return Messages::Answer::No;
        case Messages::Buttons::RetryCancel:
            return Messages::Answer::Retry;
        case Messages::Buttons::Ok:
            break;
    }
    return Messages::Answer::Ok;
}

}  // namespace

void QtMessages::show(const std::string& text) {
    (void)ask(text, Buttons::Ok);
}

Messages::Answer QtMessages::ask(const std::string& text, Buttons buttons) {
    if (QThread::currentThread() == qApp->thread()) {
        return askHere(text, buttons);
    }
    Answer answer = closingAnswer(buttons);
    QMetaObject::invokeMethod(
        qApp, [&] { answer = askHere(text, buttons); }, Qt::BlockingQueuedConnection);
    return answer;
}

Messages::Answer QtMessages::askHere(const std::string& text, Buttons buttons) {
    if (closing_) {
        return closingAnswer(buttons);
    }
    // Lines are joined by CR LF; a label breaks lines at LF alone.
    const QString shown = QString::fromStdString(text).replace(QStringLiteral("\r\n"), "\n");
    QMessageBox box(iconOf(buttons), QStringLiteral("Tiltavarometer"), shown, buttonsOf(buttons),
                    QApplication::activeWindow());
    return answerOf(box.exec());
}

}  // namespace tilt::shell::ui
