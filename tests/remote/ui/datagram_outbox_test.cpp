// The sampler's datagrams on their way from the device thread to the window's socket.
#include "remote/ui/datagram_outbox.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <thread>

namespace tilt::remote::ui {
namespace {

// Counts the calls queued to the user-interface thread, the outbox's wake-ups among them.
class QueuedCalls final : public QObject {
  public:
    QueuedCalls() { QCoreApplication::instance()->installEventFilter(this); }
    ~QueuedCalls() override { QCoreApplication::instance()->removeEventFilter(this); }
    int count = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::MetaCall) {
            ++count;
        }
        return false;
    }
};

void deliverQueued() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

std::vector<std::string> numbered(int from, int to) {
    std::vector<std::string> texts;
    for (int i = from; i < to; ++i) {
        texts.push_back(std::to_string(i));
    }
    return texts;
}

// A device thread far ahead of a busy window: one wake-up for all it posted, every datagram
// sent in order, and past the limit the oldest dropped, not the newest.
TEST(DatagramOutbox, PostsFromAnotherThread_OneWakeUpSendsThemInOrder_OldestDroppedPastLimit) {
    std::vector<std::string> sent;
    DatagramOutbox outbox([&](const std::string& d) { sent.push_back(d); });
    QueuedCalls queued;
    const int posted = static_cast<int>(DatagramOutbox::kLimit) + 500;
    const auto post = [sink = outbox.sink()](int from, int to) {
        for (const std::string& d : numbered(from, to)) {
            sink->send(d);
        }
    };
    std::thread(post, 0, posted).join();  // this thread is busy meanwhile
    EXPECT_TRUE(sent.empty()) << "sent on this thread only";
    deliverQueued();
    EXPECT_EQ(queued.count, 1);
    EXPECT_EQ(sent, numbered(500, posted));

    sent.clear();
    std::thread(post, posted, posted + 3).join();
    deliverQueued();
    EXPECT_EQ(queued.count, 2);
    EXPECT_EQ(sent, numbered(posted, posted + 3));
}

TEST(DatagramOutbox, FlushSendsAtOnce_NothingIsSentOnceTheOutboxIsGone) {
    std::vector<std::string> sent;
    auto outbox =
        std::make_unique<DatagramOutbox>([&](const std::string& d) { sent.push_back(d); });
    const auto sink = outbox->sink();
    sink->send("now");
    outbox->flush();
    EXPECT_EQ(sent, std::vector<std::string>{"now"});
    deliverQueued();
    EXPECT_EQ(sent, std::vector<std::string>{"now"}) << "nothing twice";

    sink->send("waiting");
    outbox.reset();      // the window closed with a datagram on its way
    sink->send("late");  // the loop ends a reading later
    deliverQueued();
    EXPECT_EQ(sent, std::vector<std::string>{"now"});
}

}  // namespace
}  // namespace tilt::remote::ui
