#include "app/Startup.h"
#include "player/Window1.h"
#include "platform/core/Runtime.h"
#include "platform/core/Thread.h"
#include "platform/core/Window.h"
#include "platform/qt/QtBackend.h"

#include <QMainWindow>
#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The program's own window on the Qt backend, its controls clicked as the
// listener clicks them.
class ProgramWindow : public testing::Test {
protected:
    ProgramWindow()
    {
        app::initialize();
        app::_NewAppInstance();
        app::_ApplicationAddMenuHandlers();
        app::_MakeDefaultView();
        frame_ = static_cast<platform::QtBackend&>(platform::runtimeBackend()).mainWindow();
        window_ = platform::_GetImplicitWindow("Window1.Window1");
    }
    QMainWindow& frame() { return *frame_; }
    platform::Thread& thread(const char* name)
    {
        return platform::controlByName<platform::Thread>(*window_, name, platform::ThreadClass());
    }

    QWidget& widget(const char* name)
    {
        QWidget* found = frame_->findChild<QWidget*>(name);
        if (found == nullptr) throw std::logic_error(std::string("no widget ") + name);
        return *found;
    }

    // Which of wheel, stop, start and the three mode buttons the listener can
    // see or use, as the widgets show them.
    std::vector<bool> shownState()
    {
        return {widget("ProgressWheel1").isVisible(), widget("stop").isEnabled(),          widget("start").isEnabled(),
                widget("originalButton").isEnabled(), widget("oneshotButton").isEnabled(), widget("loopedButton").isEnabled()};
    }
    const std::vector<bool> idle{false, false, true, true, true, true};
    const std::vector<bool> playing{true, true, false, false, false, false};

    // A click delivered as the window system delivers it, so that a modal
    // box keeps it from a window it blocks.
    void click(const char* name)
    {
        QWidget& target = widget(name);
        QTest::mouseClick(frame_->windowHandle(), Qt::LeftButton, {}, target.mapTo(frame_, target.rect().center()));
    }

    // The original mode cut to its end: it restores the idle state and shows
    // the closing message on its own thread, as the whole piece ends.
    void makeTheOriginalModeOnlyEnd(std::function<void()> afterTheMessage = [] {})
    {
        platform::_InstallInstanceEventHandler(thread("originalThread"), "Run", [after = std::move(afterTheMessage)](platform::Object& self) {
            auto& window = static_cast<platform::Window&>(self);
            player::setIdleState(window);
            player::showClosingMessage(window);
            after();
        });
    }

    // Runs the event loop with the window asked to close as the window
    // system asks (its close button, the window manager): what the loop
    // returned, or -1 if it was still running 3 seconds later.
    int closedByTheWindowSystem()
    {
        QTimer::singleShot(0, frame_, [this] {
            QCloseEvent close;
            QCoreApplication::sendEvent(frame_->windowHandle(), &close);
        });
        bool timedOut = false;
        QTimer::singleShot(3000, [&timedOut] {
            timedOut = true;
            QApplication::exit(-1);
        });
        const int result = platform::runtimeBackend().runEventLoop();
        return timedOut ? -1 : result;
    }

    QMessageBox* openBox()
    {
        for (auto* box : frame_->findChildren<QMessageBox*>())
            if (box->isVisible()) return box;
        return nullptr;
    }

    // Ends once window_ has let go; a box still open goes with the window.
    platform::Runtime runtime_{std::make_unique<platform::QtBackend>(nullptr)};
    QMainWindow* frame_;
    platform::Ref<platform::Window> window_;
};

} // namespace

TEST_F(ProgramWindow, StartAndStopSwitchTheWidgetsAndTheThread)
{
    EXPECT_EQ(frame().windowTitle(), "Velmora 20");
    EXPECT_EQ(frame().centralWidget()->size(), QSize(300, 300));
    EXPECT_EQ(shownState(), idle);
    EXPECT_TRUE(frame().findChild<QRadioButton*>("originalButton")->isChecked());

    click("start");
    EXPECT_EQ(shownState(), playing);
    QTest::qWait(50); // the event loop gives the mode its turns
    EXPECT_TRUE(thread("originalThread").isRunning());
    EXPECT_TRUE(static_cast<platform::QtBackend&>(platform::runtimeBackend()).threadsTurning());

    click("stop");
    EXPECT_EQ(shownState(), idle);
    EXPECT_FALSE(thread("originalThread").isRunning());
    ASSERT_NE(openBox(), nullptr);
    EXPECT_EQ(openBox()->text().toStdString(), player::closingMessage());
}

// Whether the performance was stopped or ended by itself, the closing message
// keeps start from the listener until it is closed: never two at once.
TEST_F(ProgramWindow, EitherClosingMessageHoldsOffStartUntilItIsClosed)
{
    int ends = 0;
    makeTheOriginalModeOnlyEnd([&ends] { ++ends; });
    for (const bool stopped : {true, false}) {
        const char* mode = stopped ? "loopedThread" : "originalThread";
        const auto performOnce = [&] {
            click("start");
            QTest::qWait(20);
            if (stopped) click("stop");
        };
        frame().findChild<QRadioButton*>(stopped ? "loopedButton" : "originalButton")->click();
        performOnce();
        QMessageBox* box = openBox();
        ASSERT_NE(box, nullptr) << mode;
        EXPECT_EQ(box->windowModality(), Qt::WindowModal);
        EXPECT_EQ(shownState(), idle);
        const int endsWithBox = ends;

        performOnce();
        EXPECT_EQ(shownState(), idle) << mode;
        EXPECT_EQ(ends, endsWithBox) << mode;
        EXPECT_EQ(openBox(), box);
        EXPECT_EQ(frame().findChildren<QMessageBox*>().size(), 1); // never a second one

        box->button(QMessageBox::Ok)->click();
        QTest::qWait(20);
        EXPECT_EQ(openBox(), nullptr);
        click("start"); // once the box is closed, start plays again
        QTest::qWait(20);
        EXPECT_TRUE(stopped ? thread(mode).isRunning() : ends == endsWithBox + 1) << mode;
        if (stopped) click("stop");
        ASSERT_NE(openBox(), nullptr);
        openBox()->button(QMessageBox::Ok)->click();
        QTest::qWait(20);
    }
}

// A start that could reach the finishing thread while it still stands in its
// closing message would find it running: the controls would show a
// performance that nothing plays. The box is up, and blocks the window, before
// anything can click.
TEST_F(ProgramWindow, StartCannotReachTheFinishingThreadThroughItsClosingMessage)
{
    std::vector<bool> afterClickOnThread;
    makeTheOriginalModeOnlyEnd([&] {
        click("start");
        afterClickOnThread = shownState();
    });
    click("start");
    QTest::qWait(20);
    EXPECT_EQ(afterClickOnThread, idle);
    EXPECT_EQ(shownState(), idle);
    EXPECT_FALSE(thread("originalThread").isRunning());
}

// Where the window system draws a close button all the same (Qt's title bar
// on Wayland), closing the window ends the program: while a performance
// plays, and while its closing message is open.
TEST_F(ProgramWindow, AWindowClosedByTheWindowSystemEndsTheProgramWhilePlaying)
{
    click("start");
    EXPECT_EQ(closedByTheWindowSystem(), 0);
    EXPECT_FALSE(frame().isVisible());
}

TEST_F(ProgramWindow, AWindowClosedByTheWindowSystemEndsTheProgramUnderItsClosingMessage)
{
    click("start");
    QTest::qWait(20);
    click("stop");
    ASSERT_NE(openBox(), nullptr);
    EXPECT_EQ(closedByTheWindowSystem(), 0);
    EXPECT_FALSE(frame().isVisible());
}
