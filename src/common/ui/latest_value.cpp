#include "common/ui/latest_value.h"

#include <QCoreApplication>

namespace tilt::common::ui {

FramePacer::FramePacer(std::chrono::milliseconds frame, std::function<void()> deliver,
                       QObject* parent)
    : QObject(parent), frame_(frame), deliver_(std::move(deliver)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &FramePacer::due);
}

void FramePacer::wake() {
    if (!timer_.isActive()) {
        due();
    }
}

void FramePacer::due() {
    if (sinceDelivery_.isValid()) {
        const auto left = frame_ - std::chrono::milliseconds(sinceDelivery_.elapsed());
        if (left.count() > 0) {
            timer_.start(left);  // also when a timer fired a little early
            return;
        }
    }
    deliverNow();
}

void FramePacer::deliverNow() {
    timer_.stop();
    sinceDelivery_.start();
    deliver_();
}

void postToUiThread(std::function<void()> f) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(f), Qt::QueuedConnection);
}

}  // namespace tilt::common::ui
