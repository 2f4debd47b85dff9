#include "common/ui/latest_value.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTest>

#include <thread>
#include <vector>

namespace tilt::common::ui {
namespace {

// Every value handed over, and when.
struct Deliveries {
    std::vector<int> values;
    std::vector<qint64> at;
    QElapsedTimer clock;

    Deliveries() { clock.start(); }
    std::function<void(int)> sink() {
        return [this](int v) {
            values.push_back(v);
            at.push_back(clock.elapsed());
        };
    }
};

TEST(LatestValue, PublishesWithinAFrame_AreHandedOverOnce_AsTheNewest) {
    QObject owner;
    Deliveries got;
    LatestValue<int> mailbox(&owner, got.sink(), std::chrono::milliseconds(40));
    const auto publish = mailbox.publisher();
    for (int i = 1; i <= 1000; ++i) {
        publish(i);
    }
    EXPECT_TRUE(got.values.empty()) << "nothing is handed over inside the publisher";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !got.values.empty(); }, 2000));
    QTest::qWait(100);
    EXPECT_EQ(got.values, std::vector<int>{1000});
}

TEST(LatestValue, AFloodFromAnotherThread_IsPacedToFramesAndEndsWithTheLastValue) {
    QObject owner;
    Deliveries got;
    constexpr std::chrono::milliseconds kFrame(20);
    LatestValue<int> mailbox(&owner, got.sink(), kFrame);
    constexpr int kLast = 200'000;
    std::atomic<bool> finished = false;
    std::thread device([publish = mailbox.publisher(), &finished] {
        for (int i = 1; i <= kLast; ++i) {
            publish(i);
            if (i % 1000 == 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        }
        finished = true;
    });
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return finished && !got.values.empty() && got.values.back() == kLast; }, 20000));
    device.join();
    EXPECT_GE(got.values.size(), 3U) << "the flood lasts several frames";
    EXPECT_LT(got.values.size(), 1000U) << "a delivery per publish";
    for (std::size_t i = 1; i < got.values.size(); ++i) {
        EXPECT_LT(got.values[i - 1], got.values[i]) << "always newer";
        // Less a millisecond for the test's own clock, which counts whole ones.
        EXPECT_GE(got.at[i] - got.at[i - 1], kFrame.count() - 1) << "two deliveries in a frame";
    }
}

TEST(LatestValue, Flush_HandsOverAtOnce_AndDiscardDropsTheWaitingValue) {
    QObject owner;
    Deliveries got;
    LatestValue<int> mailbox(&owner, got.sink(), std::chrono::milliseconds(30));
    const auto publish = mailbox.publisher();
    publish(7);
    mailbox.flush();
    EXPECT_EQ(got.values, std::vector<int>{7});
    mailbox.flush();
    EXPECT_EQ(got.values.size(), 1U) << "nothing new, nothing handed over";

    publish(8);
    mailbox.discard();
    publish(9);
    ASSERT_TRUE(QTest::qWaitFor([&] { return got.values.size() == 2; }, 2000));
    QTest::qWait(80);
    EXPECT_EQ(got.values, (std::vector<int>{7, 9}));
}

TEST(LatestValue, OwnerGone_ThePublisherStaysSafeAndDeliversNothing) {
    Deliveries got;
    std::function<void(int)> publish;
    {
        QObject owner;
        LatestValue<int> mailbox(&owner, got.sink());
        publish = mailbox.publisher();
        publish(1);  // its wake-up is still queued when the owner goes
    }
    publish(2);
    QTest::qWait(60);
    EXPECT_TRUE(got.values.empty());
}

}  // namespace
}  // namespace tilt::common::ui
