#include "platform/core/Control.h"
#include "platform/qt/ProgressWheelWidget.h"
#include "platform/qt/WindowView.h"
#include "tests/qt/QtStage.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

using namespace platform;

namespace {

Ref<PushButton> placeButton(QtStage& stage, const std::string& name, int left, int top)
{
    auto button = stage.add<PushButton>(PushButtonClass(), name);
    button->set(PushButton::Caption, name);
    button->set(PushButton::Left, left);
    button->set(PushButton::Top, top);
    button->set(PushButton::Width, 70);
    button->set(PushButton::Height, 20);
    return button;
}

Ref<RadioButton> placeRadio(QtStage& stage, const std::string& name, int left, bool value)
{
    auto radio = stage.add<RadioButton>(RadioButtonClass(), name);
    radio->set(RadioButton::Caption, name);
    radio->set(RadioButton::Left, left);
    radio->set(RadioButton::Top, 20);
    radio->set(RadioButton::Width, 80);
    radio->set(RadioButton::Height, 20);
    radio->set(RadioButton::Value, value);
    return radio;
}

// Hands an event about a native window to the application's native event
// filters, as Qt's X11 plugin does with each event from the display, then
// runs what they queued.
void deliverX11Event(std::uint8_t type, WId window)
{
    xcb_destroy_notify_event_t event{}; // its window field lies where every such event's does
    event.response_type = type;
    event.window = static_cast<xcb_window_t>(window);
    qintptr result = 0;
    QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &event, &result);
    QCoreApplication::processEvents();
}

} // namespace

TEST(WindowView, FixedFrameHasOnlyATitleAroundTheContentArea)
{
    QtStage stage;
    auto menus = std::static_pointer_cast<MenuBar>(RuntimeNewObject(MenuBarClass()));
    stage.item(*menus, MenuItemClass(), "FileMenu", "&File");
    stage.window().setMenuBar(menus);
    stage.construct();
    QMainWindow& frame = stage.frame();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));

    EXPECT_EQ(frame.windowTitle(), "Stage");
    EXPECT_EQ(frame.centralWidget()->size(), QSize(300, 300));
    EXPECT_EQ(frame.minimumSize(), frame.maximumSize());
    EXPECT_TRUE(frame.menuBar()->isVisible());
    EXPECT_EQ(frame.height(), 300 + frame.menuBar()->height());
    const Qt::WindowFlags flags = frame.windowFlags();
    EXPECT_TRUE(flags.testFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint));
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    // Hiding the menu bar shrinks the frame, never the content area.
    stage.window().set(Window::MenuBarVisible, false);
    QTest::qWait(10);
    EXPECT_FALSE(frame.menuBar()->isVisible());
    EXPECT_EQ(frame.centralWidget()->size(), QSize(300, 300));
    EXPECT_EQ(frame.size(), QSize(300, 300));
}

TEST(WindowView, FrameButtonsAndResizingFollowTheWindow)
{
    QtStage stage;
    stage.window().set(Window::CloseButton, true);
    stage.window().set(Window::MinimizeButton, true);
    stage.window().set(Window::Resizeable, true);
    stage.construct();
    QMainWindow& frame = stage.frame();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));

    EXPECT_TRUE(frame.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(frame.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(frame.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_NE(frame.minimumSize(), frame.maximumSize());
    EXPECT_EQ(frame.centralWidget()->size(), QSize(300, 300)); // no menus, so no bar

    // New flags must not leave the window hidden.
    stage.window().set(Window::MaximizeButton, true);
    EXPECT_TRUE(frame.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(frame.isVisible());
}

TEST(WindowView, AFrameWhoseNativeWindowAnotherClientDestroyedIsClosed)
{
    QtStage stage;
    stage.construct();
    QMainWindow& frame = stage.frame();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));

    deliverX11Event(XCB_DESTROY_NOTIFY, frame.internalWinId() + 1);
    deliverX11Event(XCB_UNMAP_NOTIFY, frame.internalWinId());
    EXPECT_TRUE(frame.isVisible());

    deliverX11Event(XCB_DESTROY_NOTIFY, frame.internalWinId());
    EXPECT_FALSE(frame.isVisible());
}

TEST(WindowView, VisibleAndTitleFollowTheWindowAfterConstruction)
{
    QtStage stage;
    stage.window().set(Window::Visible, false);
    stage.construct();
    QMainWindow& frame = stage.frame();
    EXPECT_FALSE(frame.isVisible());

    stage.window().set(Window::Visible, true);
    EXPECT_TRUE(frame.isVisible());
    stage.window().set(Window::Title, std::string("Renamed"));
    EXPECT_EQ(frame.windowTitle(), "Renamed");
    stage.window().set(Window::Visible, false);
    EXPECT_FALSE(frame.isVisible());
}

TEST(WindowView, ControlsTakeTheirPlaceCaptionAndFont)
{
    QtStage stage;
    auto start = placeButton(stage, "start", 115, 140);
    start->set(PushButton::TextFont, std::string("System"));
    start->set(PushButton::TextSize, 12);
    start->set(PushButton::Bold, true);
    auto radio = placeRadio(stage, "loop", 10, false);
    stage.construct();

    auto& button = stage.child<QPushButton>("start");
    EXPECT_EQ(button.geometry(), QRect(115, 140, 70, 20));
    EXPECT_EQ(button.text(), "start");
    EXPECT_EQ(button.font().family(), QApplication::font().family());
    EXPECT_EQ(button.font().pixelSize(), 12);
    EXPECT_TRUE(button.font().bold());
    EXPECT_EQ(button.parentWidget(), stage.frame().centralWidget());

    auto& loop = stage.child<QRadioButton>("loop");
    EXPECT_EQ(loop.geometry(), QRect(10, 20, 80, 20));
    EXPECT_FALSE(loop.isChecked());
}

TEST(WindowView, WidgetsFollowChangesToTheirControls)
{
    QtStage stage;
    auto start = placeButton(stage, "start", 115, 140);
    stage.construct();
    auto& button = stage.child<QPushButton>("start");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&stage.frame()));

    start->set(RectControl::Enabled, false);
    EXPECT_FALSE(button.isEnabled());
    start->set(RectControl::Enabled, true);
    EXPECT_TRUE(button.isEnabled());
    start->set(RectControl::Visible, false);
    EXPECT_FALSE(button.isVisible());
    start->set(RectControl::Visible, true);
    EXPECT_TRUE(button.isVisible());
    start->set(PushButton::Caption, std::string("&again"));
    EXPECT_EQ(button.text(), "&again");
    start->set(RectControl::Top, 10);
    EXPECT_EQ(button.geometry(), QRect(115, 10, 70, 20));
}

TEST(WindowView, ClickingAPushButtonRunsItsActionOnlyWhileEnabled)
{
    QtStage stage;
    auto start = placeButton(stage, "start", 115, 140);
    int actions = 0;
    Object* self = nullptr;
    _InstallInstanceEventHandler(*start, "Action", [&](Object& handlerSelf) {
        ++actions;
        self = &handlerSelf;
    });
    stage.construct();
    auto& button = stage.child<QPushButton>("start");

    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(self, &stage.window());

    start->set(RectControl::Enabled, false);
    button.click();
    EXPECT_EQ(actions, 1);
}

TEST(WindowView, RadioButtonsShowTheCoresOneSelection)
{
    QtStage stage;
    auto original = placeRadio(stage, "original", 10, true);
    auto looped = placeRadio(stage, "looped", 100, false);
    stage.construct();
    auto& originalView = stage.child<QRadioButton>("original");
    auto& loopedView = stage.child<QRadioButton>("looped");
    EXPECT_TRUE(originalView.isChecked());

    loopedView.click();
    EXPECT_TRUE(looped->get(RadioButton::Value));
    EXPECT_FALSE(original->get(RadioButton::Value));
    EXPECT_TRUE(loopedView.isChecked());
    EXPECT_FALSE(originalView.isChecked());

    // A click on the set button leaves it set.
    loopedView.click();
    EXPECT_TRUE(looped->get(RadioButton::Value));
    EXPECT_TRUE(loopedView.isChecked());

    // The core may clear them all, and the view shows that too.
    looped->set(RadioButton::Value, false);
    EXPECT_FALSE(loopedView.isChecked());
    EXPECT_FALSE(originalView.isChecked());

    // A disabled one ignores the click.
    original->set(RectControl::Enabled, false);
    originalView.click();
    EXPECT_FALSE(original->get(RadioButton::Value));
    EXPECT_FALSE(originalView.isChecked());
}

TEST(WindowView, ProgressWheelTurnsOnlyWhileShown)
{
    QtStage stage;
    stage.window().set(Window::Visible, false);
    auto wheel = stage.add<ProgressWheel>(ProgressWheelClass(), "wheel");
    wheel->set(RectControl::Width, 16);
    wheel->set(RectControl::Height, 16);
    stage.construct();
    auto& view = stage.child<ProgressWheelWidget>("wheel");
    EXPECT_FALSE(view.isSpinning()); // its window is hidden

    stage.window().set(Window::Visible, true);
    EXPECT_TRUE(view.isSpinning());
    const int leading = view.leadingSpoke();
    QTest::qWait(250);
    EXPECT_NE(view.leadingSpoke(), leading);

    wheel->set(RectControl::Visible, false);
    EXPECT_FALSE(view.isSpinning());
    wheel->set(RectControl::Visible, true);
    EXPECT_TRUE(view.isSpinning());
    stage.window().set(Window::Visible, false);
    EXPECT_FALSE(view.isSpinning());
}

TEST(WindowView, ControlsThatOutliveTheViewAreLeftAlone)
{
    QtStage stage;
    auto start = placeButton(stage, "start", 115, 140);
    auto wheel = stage.add<ProgressWheel>(ProgressWheelClass(), "wheel");
    {
        WindowView view(std::static_pointer_cast<Window>(stage.window().shared_from_this()));
        ASSERT_NE(view.frame().findChild<QPushButton*>("start"), nullptr);
    }
    // Observers left behind would reach deleted widgets here.
    start->set(PushButton::Caption, std::string("later"));
    wheel->set(RectControl::Visible, false);
    stage.window().set(Window::Title, std::string("later"));
    EXPECT_EQ(start->get(PushButton::Caption), "later");
}
