#include "platform/core/Runtime.h"
#include "platform/core/Scheduler.h"
#include "platform/core/Services.h"
#include "platform/core/Thread.h"
#include "tests/qt/QtStage.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

using namespace platform;

namespace {

// A thread that counts its turns, yielding after each, until told to stop.
struct CountingThread {
    CountingThread() : thread(std::static_pointer_cast<Thread>(RuntimeNewObject(ThreadClass())))
    {
        _InstallInstanceEventHandler(*thread, "Run", [this](Object&) {
            while (!stop) {
                ++turns;
                RuntimeBackgroundTask();
            }
        });
    }

    Ref<Thread> thread;
    bool stop = false;
    long turns = 0;
};

// A thread that sleeps until each of the given times in turn and notes when
// it got the turn after each.
struct SleepingThread {
    explicit SleepingThread(std::vector<double> wakeTimes)
        : thread(std::static_pointer_cast<Thread>(RuntimeNewObject(ThreadClass()))), times(std::move(wakeTimes))
    {
        _InstallInstanceEventHandler(*thread, "Run", [this](Object&) {
            for (const double time : times) {
                RuntimeBackgroundTaskUntil(time);
                woken.push_back(Microseconds());
            }
        });
    }

    Ref<Thread> thread;
    std::vector<double> times;
    std::vector<double> woken;
};

// Runs the event loop, as the program does, until `done` holds or a few
// seconds have passed.
template <class Done>
void runLoopUntil(Done done)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    check.start(1);
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    loop.exec();
}

// A descriptor that stays readable once another thread has raised it.
class InputSignal {
public:
    InputSignal() : descriptor_(eventfd(0, EFD_CLOEXEC))
    {
        if (descriptor_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    ~InputSignal() { close(descriptor_); }
    InputSignal(const InputSignal&) = delete;
    InputSignal& operator=(const InputSignal&) = delete;

    int descriptor() const { return descriptor_; }
    void raise() const
    {
        const std::uint64_t one = 1;
        if (write(descriptor_, &one, sizeof one) != sizeof one) ADD_FAILURE() << "eventfd write";
    }

private:
    int descriptor_;
};

QMessageBox* openBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) return box;
    return nullptr;
}

} // namespace

TEST(QtBackend, ClockCountsMicroseconds)
{
    QtStage stage;
    const double before = Microseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const double elapsed = Microseconds() - before;
    EXPECT_GE(elapsed, 20'000);
    EXPECT_LT(elapsed, 200'000);
}

TEST(QtBackend, ThreadsTakeTurnsWhileTheLoopRunsAndTheTimerStopsAfterThem)
{
    QtStage stage;
    stage.construct();
    EXPECT_FALSE(stage.backend().threadsTurning());

    CountingThread counting;
    counting.thread->Run();
    EXPECT_TRUE(stage.backend().threadsTurning());
    EXPECT_EQ(counting.turns, 0); // its first turn comes from the loop
    runLoopUntil([&] { return counting.turns > 10; });
    EXPECT_GT(counting.turns, 10);

    counting.stop = true;
    runLoopUntil([&] { return !stage.backend().threadsTurning(); });
    EXPECT_FALSE(counting.thread->isRunning());
    EXPECT_FALSE(stage.backend().threadsTurning());

    // A second run starts the timer again.
    counting.stop = false;
    counting.thread->Run();
    EXPECT_TRUE(stage.backend().threadsTurning());
    counting.thread->Kill();
    runLoopUntil([&] { return !stage.backend().threadsTurning(); });
    EXPECT_FALSE(stage.backend().threadsTurning());
}

TEST(QtBackend, ThreadsThatSleepUntilDifferentTimesEachWakeAtTheirOwn)
{
    QtStage stage;
    stage.construct();
    const double now = Microseconds();
    SleepingThread early({now + 20'000, now + 340'000});
    SleepingThread late({now + 300'000});
    early.thread->Run();
    late.thread->Run();
    runLoopUntil([&] { return !early.thread->isRunning() && !late.thread->isRunning(); });

    ASSERT_EQ(early.woken.size(), 2u);
    ASSERT_EQ(late.woken.size(), 1u);
    EXPECT_GE(early.woken[0], early.times[0]);
    EXPECT_LT(early.woken[0], (early.times[0] + late.times[0]) / 2); // not held back by the later time
    EXPECT_GE(late.woken[0], late.times[0]);
    EXPECT_GE(early.woken[1], early.times[1]);
    EXPECT_FALSE(stage.backend().threadsTurning());
}

// The wake-up that a thread killed in its sleep leaves armed is taken back by
// the next slice that finds no thread to turn: an idle program sleeps.
TEST(QtBackend, AnIdleLoopHoldsNoWakeUpForAKilledThread)
{
    QtStage stage;
    stage.construct();
    SleepingThread sleeping({Microseconds() + 60e6});
    sleeping.thread->Run();
    runLoopUntil([] { return runtimeScheduler().nextWake() > Microseconds(); }); // it has yielded until then
    sleeping.thread->Kill();

    CountingThread ending;
    ending.stop = true;
    ending.thread->Run();
    runLoopUntil([&] { return !ending.thread->isRunning(); });
    EXPECT_FALSE(stage.backend().threadsTurning());
}

TEST(QtBackend, AClickDuringALongSleepIsHandledAtOnce)
{
    QtStage stage;
    auto button = stage.add<PushButton>(PushButtonClass(), "button");
    button->set(PushButton::Width, 80);
    button->set(PushButton::Height, 20);
    double clickedAt = 0.0;
    _InstallInstanceEventHandler(*button, "Action", [&clickedAt](Object&) { clickedAt = Microseconds(); });
    stage.construct();
    const double wakeAt = Microseconds() + 2'000'000;
    SleepingThread sleeping({wakeAt});
    sleeping.thread->Run();

    // The click comes from outside the loop while it sleeps, as input does:
    // another thread makes a descriptor that the loop watches readable, as
    // the display server does the connection to it.
    QPushButton& widget = stage.child<QPushButton>("button");
    const InputSignal input;
    QSocketNotifier notifier(input.descriptor(), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &widget, [&] {
        notifier.setEnabled(false);
        QTest::mouseClick(&widget, Qt::LeftButton);
    });
    std::thread listener([&input] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        input.raise();
    });
    runLoopUntil([&] { return clickedAt > 0.0; });
    listener.join();

    EXPECT_GT(clickedAt, 0.0);
    EXPECT_LT(clickedAt, wakeAt);
    EXPECT_TRUE(sleeping.woken.empty()); // still asleep
    EXPECT_TRUE(sleeping.thread->isRunning());
    sleeping.thread->Kill();
    EXPECT_FALSE(sleeping.thread->isRunning());
}

// A thread may wait for any time, however far off; the loop sleeps towards
// it without failing to arm its timer.
TEST(QtBackend, AThreadMayWaitForATimeFarOff)
{
    QtStage stage;
    stage.construct();
    SleepingThread sleeping({Microseconds() + 1e18});
    sleeping.thread->Run();
    QTest::qWait(30);

    EXPECT_EQ(openBox(), nullptr); // no unhandled exception to report
    EXPECT_TRUE(sleeping.thread->isRunning());
    EXPECT_TRUE(sleeping.woken.empty());
    sleeping.thread->Kill();
}

// MsgBox never waits, on a thread or on the main thread: its box keeps the
// listener from the window, and the event loop and the threads go on.
TEST(QtBackend, MessageBoxIsModalToTheWindowAndReturnsAtOnce)
{
    QtStage stage;
    stage.construct();
    long turnsAtBox = -1;
    bool boxOpenAtReturn = false;
    CountingThread counting;
    _InstallInstanceEventHandler(*counting.thread, "Run", [&](Object&) {
        MsgBox("from a thread");
        turnsAtBox = counting.turns;
        boxOpenAtReturn = openBox() != nullptr;
        while (!counting.stop) {
            ++counting.turns;
            RuntimeBackgroundTask();
        }
    });
    counting.thread->Run();
    runLoopUntil([&] { return counting.turns > 10; });

    EXPECT_EQ(turnsAtBox, 0);
    EXPECT_TRUE(boxOpenAtReturn);
    EXPECT_GT(counting.turns, 10);
    QPointer<QMessageBox> box = openBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "from a thread");
    EXPECT_EQ(box->windowTitle(), "Stage");
    EXPECT_EQ(box->parentWidget(), &stage.frame());
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(QApplication::activeModalWidget(), box);

    box->close();
    QTest::qWait(10);
    EXPECT_TRUE(box.isNull()); // it deleted itself

    MsgBox("About <b>this</b>");
    box = openBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "About <b>this</b>");
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    counting.stop = true;
    QTest::qWait(10);
}

// The box of an unhandled exception on the main thread, which may come when
// no event loop runs.
TEST(QtBackend, AWaitedMessageBoxWaitsForTheListenerWhileThreadsPlayOn)
{
    QtStage stage;
    stage.construct();
    CountingThread counting;
    counting.thread->Run();

    long turnsWhileOpen = -1;
    QString shownText;
    QTimer::singleShot(50, &stage.frame(), [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        shownText = box->text();
        turnsWhileOpen = counting.turns;
        box->close();
    });
    runtimeBackend().showMessageBox("An unexpected error", true);

    EXPECT_EQ(shownText, "An unexpected error");
    EXPECT_GT(turnsWhileOpen, 10);
    EXPECT_EQ(openBox(), nullptr);
    counting.stop = true;
    QTest::qWait(10);
}

TEST(QtBackend, MessageBoxWithoutAWindowHasNoTitle)
{
    QtStage stage; // the window is never constructed
    runtimeBackend().showMessageBox("alone", false);
    QMessageBox* box = openBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "alone");
    EXPECT_TRUE(box->windowTitle().isEmpty());
}

// A box the listener never closed, with or without a window, goes when the
// run-time shuts down.
TEST(QtBackend, MessageBoxesStillOpenGoWithTheRunTime)
{
    for (const bool withWindow : {true, false}) {
        QPointer<QMessageBox> box;
        {
            QtStage stage;
            if (withWindow) stage.construct();
            MsgBox("never closed");
            box = openBox();
            ASSERT_NE(box, nullptr);
        }
        EXPECT_TRUE(box.isNull()) << withWindow;
    }
}

TEST(QtBackend, QuitBeforeTheLoopEndsItAtOnce)
{
    QtStage stage;
    stage.construct();
    stage.backend().quit();
    bool timedOut = false;
    QTimer::singleShot(1000, &stage.frame(), [&timedOut] {
        timedOut = true;
        QApplication::quit();
    });
    EXPECT_EQ(stage.backend().runEventLoop(), 0);
    EXPECT_FALSE(timedOut);
}
