#include "platform/ui/device_thread.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <atomic>
#include <thread>

#include "common/error.h"
#include "link/comm_port.h"
#include "platform/ui/qt_messages.h"
#include "support/gui_harness.h"

namespace tilt::platform::ui {
namespace {

using testing::FakeMessages;
using testing::RecordingErrors;
using testing::untilStopped;

// A device thread on a catalogue of simulated ports, with fake messages and error handler.
class DeviceThreadTest : public ::testing::Test {
  protected:
    FakeMessages messages;
    RecordingErrors errors;
    link::SimClock clock;
    device::SimPortCatalogue catalogue{clock};
    DeviceThread device{catalogue, errors, messages};
};

TEST_F(DeviceThreadTest, SecondOperation_IsRefusedNamingTheRunningOne) {
    QObject owner;
    int results = 0;
    ASSERT_TRUE(device.start<int>(&owner, {"Auto Detect", "cmdAutoDetect_Click"}, untilStopped,
                                  [&](int) { ++results; }));
    EXPECT_FALSE(device.start<int>(
        &owner, {"Download", "mnuDownload_Click"}, [](const link::JobScope&) { return 1; },
        [&](int) { ++results; }));
    ASSERT_EQ(messages.shown.size(), 1U);
    EXPECT_NE(messages.shown[0].text.find("\"Auto Detect\""), std::string::npos);
    EXPECT_NE(messages.shown[0].text.find("\"Download\""), std::string::npos);

    device.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !device.busy(); }, 5000));
    EXPECT_EQ(results, 1);
    EXPECT_TRUE(device.start<int>(
        &owner, {"Download", "mnuDownload_Click"}, [](const link::JobScope&) { return 1; },
        [&](int) { ++results; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return results == 2; }, 5000));
}

// While a job runs, the entries that would start another are disabled; its own stays enabled to
// stop it. Afterwards they are as they were, however the job ended.
TEST_F(DeviceThreadTest, GuardedEntries_AreDisabledWhileAJobRuns_ShutdownStopsIt) {
    QObject owner;
    QAction own("Download"), other("Erase"), off("Launch");
    off.setEnabled(false);
    for (QAction* entry : {&own, &other, &off}) {
        device.guardEntry(entry);
    }
    for (const bool failing : {false, true}) {
        ASSERT_TRUE(device.start<int>(&owner, {"Download", "mnuDownload_Click", &own},
                                      [&](const link::JobScope& job) {
                                          (void)untilStopped(job);
                                          if (failing) {
                                              throw Error(errc::kPortIo, "The line broke");
                                          }
                                          return 0;
                                      },
                                      {}));
        EXPECT_TRUE(own.isEnabled());
        EXPECT_FALSE(other.isEnabled());
        other.setEnabled(true);  // a window that enables it meanwhile does not win
        EXPECT_FALSE(other.isEnabled());
        auto opened = std::make_unique<QAction>("Read");  // a window opened meanwhile
        device.guardEntry(opened.get());
        EXPECT_FALSE(opened->isEnabled());
        device.stop();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !device.busy(); }, 5000));
        EXPECT_TRUE(own.isEnabled()) << failing;
        EXPECT_TRUE(other.isEnabled()) << failing;
        EXPECT_FALSE(off.isEnabled()) << failing;
        EXPECT_TRUE(opened->isEnabled()) << failing;
    }

    // Shutdown stops the operation, answers its question unasked, and starts nothing.
    std::atomic<bool> running = false;
    std::atomic<int> asked = 0;
    ASSERT_TRUE(device.start<int>(&owner, {"Download", "mnuDownload_Click"},
                                  [&](const link::JobScope& job) {
                                      running = true;
                                      untilStopped(job);
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
                                   [](const link::JobScope&) { return 1; }, {}));
    EXPECT_TRUE(messages.shown.empty()) << "nothing to tell once closing";
}

TEST_F(DeviceThreadTest, FailureGoesToTheErrorHandler_ResultsForAClosedWindowAreDropped) {
    QWidget window;
    window.setObjectName("Connect");
    bool done = false;
    bool ended = false;
    ASSERT_TRUE(device.start<int>(
        &window, {"Connect", "cmdOK_Click"},
        [](const link::JobScope&) -> int { throw Error(errc::kPortIo, "The line broke"); },
        [&](int) { done = true; }, [&] { ended = true; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 5000));
    EXPECT_FALSE(done);
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].number, errc::kPortIo);
    EXPECT_EQ(errors.reports[0].source, "cmdOK_Click");
    EXPECT_EQ(errors.reports[0].screen, "Connect");
    EXPECT_EQ(errors.reports[0].description, "The line broke");

    // Results and progress for a closed window are dropped.
    auto owner = std::make_unique<QObject>();
    int shown = 0;
    auto progress = DeviceThread::toWindow<int>(owner.get(), [&](int) { ++shown; });
    std::atomic<bool> release = false;
    ASSERT_TRUE(device.start<int>(
        owner.get(), {"Download", "mnuDownload_Click"},
        [&](const link::JobScope&) {
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

// A job's failure names the window in front of the user when it comes, asked of the window
// thread; the port primitives name the window that started the job.
TEST_F(DeviceThreadTest, JobFailures_NameTheActiveWindow_ThePortOpenNamesItsCaller) {
    QWidget graph;
    graph.setObjectName("Graph");
    graph.show();
    ASSERT_TRUE(testing::GuiHarness::activate(&graph));
    QObject owner;
    bool ended = false;
    ASSERT_TRUE(device.start<int>(
        &owner,
        {.title = "Erase", .source = "mnuErase_Click", .commPort = 9, .screen = "DownloadErase"},
        [](const link::JobScope& job) {
            job.report(Error(errc::kPortLost, "Lost"), "TimerErase_Timer");
            link::openCommPort(job);  // there is no port 9
            return 0;
        },
        {}, [&] { ended = true; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 5000));
    ASSERT_EQ(errors.reports.size(), 2U);
    EXPECT_EQ(errors.reports[0].source, "TimerErase_Timer");
    EXPECT_EQ(errors.reports[0].screen, "Graph");
    EXPECT_EQ(errors.reports[1].source, "OpenCommPort");
    EXPECT_EQ(errors.reports[1].screen, "DownloadErase");
    graph.hide();
    QApplication::setActiveWindow(nullptr);
}

TEST(QtMessages, AskedOnTheWindowThread_EscapeAnswersTheSafeChoice_ReturnTheDefault) {
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

    // Keys pressed on the program's boxes as a user presses them: Escape never ends the program or
    // destroys data, Return takes the default, and the whole title shows.
    answer.stop();
    int width = 0;
    const auto pressOnTheBox = [&](Qt::Key key) {
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [&, key, timer] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                timer->stop();
                timer->deleteLater();
                width = box->width();
                QTest::keyClick(box, key);
            }
        });
        timer->start(10);
    };
    using Buttons = Messages::Buttons;
    using Answer = Messages::Answer;
    struct Case {
        Buttons buttons;
        Qt::Key key;
        Answer expected;
    };
    for (const Case& c : {Case{Buttons::RetryCancel, Qt::Key_Escape, Answer::Retry},
                          Case{Buttons::RetryCancel, Qt::Key_Return, Answer::Retry},
                          Case{Buttons::YesNo, Qt::Key_Escape, Answer::No},
                          Case{Buttons::YesNoDefaultNo, Qt::Key_Return, Answer::No}}) {
        pressOnTheBox(c.key);
        EXPECT_EQ(messages.ask("Short.", c.buttons), c.expected)
            << static_cast<int>(c.buttons) << " " << c.key;
        EXPECT_GE(width, 340) << "a narrow box cuts its title";
    }
    const std::vector<std::string> choices = {"Continue", "Start Again", "Cancel"};
    pressOnTheBox(Qt::Key_Escape);
    EXPECT_EQ(messages.choose("Which?", choices, 0, 2), 2U);
    pressOnTheBox(Qt::Key_Return);
    EXPECT_EQ(messages.choose("Which?", choices, 0, 2), 0U);
}

}  // namespace
}  // namespace tilt::platform::ui
