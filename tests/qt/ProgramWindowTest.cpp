#include "app/Startup.h"
#include "platform/core/Runtime.h"
#include "platform/core/Thread.h"
#include "platform/core/Window.h"
#include "platform/qt/QtBackend.h"

#include <QApplication>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Which of wheel, stop, start and the three mode buttons the listener can see
// or use, as the widgets show them.
std::vector<bool> shownState(QMainWindow& frame)
{
    const auto widget = [&frame](const char* name) {
        QWidget* found = frame.findChild<QWidget*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    };
    return {widget("ProgressWheel1")->isVisible(), widget("stop")->isEnabled(),          widget("start")->isEnabled(),
            widget("originalButton")->isEnabled(), widget("oneshotButton")->isEnabled(), widget("loopedButton")->isEnabled()};
}

} // namespace

// The program's own window on the Qt backend: start and stop clicked on the
// real widgets.
TEST(ProgramWindow, StartAndStopSwitchTheWidgetsAndTheThread)
{
    platform::RuntimeInit(std::make_unique<platform::QtBackend>(nullptr));
    auto& backend = static_cast<platform::QtBackend&>(platform::runtimeBackend());
    app::initialize();
    app::_NewAppInstance();
    app::_ApplicationAddMenuHandlers();
    app::_MakeDefaultView();
    QMainWindow& frame = *backend.mainWindow();
    const auto& window = *platform::_GetImplicitWindow("Window1.Window1");
    auto& thread = platform::controlByName<platform::Thread>(window, "originalThread", platform::ThreadClass());

    EXPECT_EQ(frame.windowTitle(), "Velmora 20");
    EXPECT_EQ(frame.centralWidget()->size(), QSize(300, 300));
    EXPECT_EQ(shownState(frame), (std::vector<bool>{false, false, true, true, true, true}));
    EXPECT_TRUE(frame.findChild<QRadioButton*>("originalButton")->isChecked());

    QTest::mouseClick(frame.findChild<QPushButton*>("start"), Qt::LeftButton);
    EXPECT_EQ(shownState(frame), (std::vector<bool>{true, true, false, false, false, false}));
    QTest::qWait(50); // the event loop gives the mode its turns
    EXPECT_TRUE(thread.isRunning());
    EXPECT_TRUE(backend.threadsTurning());

    // stop ends with the closing message, a modal box: close it when it comes.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    closer.start(10);
    QTest::mouseClick(frame.findChild<QPushButton*>("stop"), Qt::LeftButton);
    EXPECT_EQ(shownState(frame), (std::vector<bool>{false, false, true, true, true, true}));
    EXPECT_FALSE(thread.isRunning());
    platform::RuntimeExit();
}
