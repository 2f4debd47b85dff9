#include "platform/qt_threads.h"

#include <QThread>
#include <memory>

namespace tilt::platform {

link::ThreadStarter qtThreads() {
    return [](std::function<void()> work) -> std::function<void()> {
        std::shared_ptr<QThread> thread(QThread::create(std::move(work)));
        thread->start();
        return [thread] { thread->wait(); };
    };
}

}  // namespace tilt::platform
