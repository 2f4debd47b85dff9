#include "shell/ui/device_thread.h"

#include <gtest/gtest.h>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <thread>

#include "link/device_link.h"
#include "shell/error.h"
#include "shell/ui/qt_messages.h"
#include "shell/ui/single_instance.h"
#include "support/gui_harness.h"

namespace tilt::shell::ui {
namespace {

using testing::FakeMessages;
using testing::RecordingErrors;

// A device thread on a catalogue of simulated ports, with fake messages and error handler.
class DeviceThreadTest : public ::testing::Test {
  protected:
    FakeMessages messages;
    RecordingErrors errors;
    link::SimClock clock;
    device::SimPortCatalogue catalogue{clock};
    DeviceThread device{catalogue, errors, messages};
};

// Runs until stopped.
int untilStopped(link::DeviceLink& link) {
    while (!link.stopRequested()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return 0;
}

TEST_F(DeviceThreadTest, SecondOperation_IsRefusedNamingTheRunningOne) {
    QObject owner;
    int results = 0;
    ASSERT_TRUE(device.start<int>(&owner, {"Auto Detect", "cmdAutoDetect_Click"}, untilStopped,
                                  [&](int) { ++results; }));
    EXPECT_FALSE(device.start<int>(
        &owner, {"Download", "mnuDownload_Click"}, [](link::DeviceLink&) { return 1; },
        [&](int) { ++results; }));
    ASSERT_EQ(messages.shown.size(), 1U);
    EXPECT_NE(messages.shown[0].text.find("\"Auto Detect\""), std::string::npos);
    EXPECT_NE(messages.shown[0].text.find("\"Download\""), std::string::npos);

    device.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !device.busy(); }, 5000));
    EXPECT_EQ(results, 1);
    EXPECT_TRUE(device.start<int>(
        &owner, {"Download", "mnuDownload_Click"}, [](link::DeviceLink&) { return 1; },
        [&](int) { ++results; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return results == 2; }, 5000));
}

TEST_F(DeviceThreadTest, FailingOperation_GoesToTheErrorHandlerUnderItsSource) {
    QWidget window;
    window.setObjectName("Connect");
    bool done = false;
    bool ended = false;
    ASSERT_TRUE(device.start<int>(
        &window, {"Connect", "cmdOK_Click"},
        [](link::DeviceLink&) -> int { throw Error(errc::kPortIo, "The line broke"); },
        [&](int) { done = true; }, [&] { ended = true; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 5000));
    EXPECT_FALSE(done);
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].number, errc::kPortIo);
    EXPECT_EQ(errors.reports[0].source, "cmdOK_Click");
    EXPECT_EQ(errors.reports[0].screen, "Connect");
    EXPECT_EQ(errors.reports[0].description, "The line broke");
}

TEST_F(DeviceThreadTest, ResultsAndProgressForAClosedWindow_AreDropped) {
    auto owner = std::make_unique<QObject>();
    int shown = 0;
    auto progress = DeviceThread::toWindow<int>(owner.get(), [&](int) { ++shown; });
    std::atomic<bool> release = false;
    ASSERT_TRUE(device.start<int>(
        owner.get(), {"Download", "mnuDownload_Click"},
        [&](link::DeviceLink&) {
            while (!release) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            progress(1);
            return 1;
        },
        [&](int) { ++shown; }, [&] { ++shown; }));
    owner.reset();
    release = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !device.busy(); }, 5000));
    QTest::qWait(20);
    EXPECT_EQ(shown, 0);
}

TEST_F(DeviceThreadTest, Shutdown_StopsTheOperationAnswersItsQuestionUnaskedAndStartsNothing) {
    QObject owner;
    std::atomic<bool> running = false;
    std::atomic<int> asked = 0;
    ASSERT_TRUE(device.start<int>(&owner, {"Download", "mnuDownload_Click"},
                                  [&](link::DeviceLink& link) {
                                      running = true;
                                      untilStopped(link);
                                      // An operation that asks the window something on its way out:
                                      // the window thread serves the call while the program
                                      // closes, but opens no dialog.
                                      return device.ask(
                                          &owner, [&] { return ++asked; }, -1);
                                  },
                                  {}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return running.load(); }, 5000));
    device.shutdown();
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(device.start<int>(&owner, {"Erase", "mnuErase_Click"},
                                   [](link::DeviceLink&) { return 1; }, {}));
    EXPECT_TRUE(messages.shown.empty()) << "nothing to tell once closing";
}

TEST(QtMessages, QuestionFromTheDeviceThread_IsAskedOnTheWindowThread) {
    QtMessages messages;
    QString title;
    QString text;
    // Answers the box as a user would, once it is up.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->button(QMessageBox::Cancel)->click();
        }
    });
    answer.start(10);
    Messages::Answer answered = Messages::Answer::Ok;
    std::thread device(
        [&] { answered = messages.ask("Line one\r\nline two", Messages::Buttons::RetryCancel); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !title.isEmpty(); }, 5000));
    device.join();
    EXPECT_EQ(answered, Messages::Answer::Cancel);
    EXPECT_EQ(title, "Tiltavarometer");
    EXPECT_EQ(text, "Line one\nline two");
}

TEST(SingleInstance, SecondCopy_IsToldTheProgramIsRunning) {
    QTemporaryDir root;
    const QString lock = root.filePath("tiltavarometer.lock");
    FakeMessages messages;
    SingleInstance first(lock);
    ASSERT_TRUE(first.claim(messages));
    SingleInstance second(lock);
    EXPECT_FALSE(second.claim(messages));
    ASSERT_EQ(messages.shown.size(), 1U);
    EXPECT_EQ(messages.shown[0].text, "The program is already running!");
}

}  // namespace
}  // namespace tilt::shell::ui
