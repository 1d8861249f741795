#include "platform/core/Runtime.h"
#include "platform/qt/MenuBarView.h"
#include "tests/qt/QtStage.h"

#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// The window's menus: File with Quit, an untitled Edit menu with a disabled
// Undo, a separator and Copy, and Help with About.
struct Menus {
    explicit Menus(QtStage& stage) : bar(std::static_pointer_cast<MenuBar>(RuntimeNewObject(MenuBarClass())))
    {
        const auto file = stage.item(*bar, MenuItemClass(), "FileMenu", "&File");
        quit = stage.item(*file, QuitMenuItemClass(), "FileQuit", "&Quit");
        quit->setKeyboardShortcut("Cmd+Q");
        const auto edit = stage.item(*bar, MenuItemClass(), "EditMenu", "");
        undo = stage.item(*edit, MenuItemClass(), "EditUndo", "&Undo");
        undo->setKeyboardShortcut("Cmd+Z");
        undo->setAutoEnable(false);
        stage.item(*edit, MenuItemClass(), "UntitledMenu0", "-");
        stage.item(*edit, MenuItemClass(), "EditCopy", "&Copy");
        const auto help = stage.item(*bar, MenuItemClass(), "HelpMenu", "&Help");
        about = stage.item(*help, MenuItemClass(), "HelpAbout", "&About");
        stage.window().setMenuBar(bar);
    }

    Ref<MenuBar> bar;
    Ref<MenuItem> quit;
    Ref<MenuItem> undo;
    Ref<MenuItem> about;
};

} // namespace

TEST(KeySequenceFor, MapsTheCommandKeyToCtrl)
{
    EXPECT_EQ(keySequenceFor("Cmd+Q"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(keySequenceFor("Shift+Cmd+Z"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(keySequenceFor("Cmd++"), QKeySequence(Qt::CTRL | Qt::Key_Plus));
    EXPECT_EQ(keySequenceFor("F5"), QKeySequence(Qt::Key_F5));
    EXPECT_TRUE(keySequenceFor(std::nullopt).isEmpty());
    EXPECT_TRUE(keySequenceFor("").isEmpty());
}

TEST(MenuBarView, MirrorsTheMenuTree)
{
    QtStage stage;
    Menus menus(stage);
    stage.construct();

    const QList<QAction*> titles = stage.frame().menuBar()->actions();
    ASSERT_EQ(titles.size(), 3);
    EXPECT_EQ(titles[0]->text(), "&File");
    EXPECT_EQ(titles[1]->text(), ""); // kept as given, and still a menu
    ASSERT_NE(titles[1]->menu(), nullptr);
    EXPECT_TRUE(titles[1]->isEnabled());
    EXPECT_EQ(titles[2]->text(), "&Help");

    const QList<QAction*> edit = titles[1]->menu()->actions();
    ASSERT_EQ(edit.size(), 3);
    EXPECT_EQ(edit[0]->text(), "&Undo");
    EXPECT_FALSE(edit[0]->isEnabled());
    EXPECT_EQ(edit[0]->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_TRUE(edit[1]->isSeparator());
    EXPECT_TRUE(edit[2]->isEnabled());
    EXPECT_TRUE(edit[2]->shortcut().isEmpty());

    EXPECT_EQ(stage.child<QAction>("FileQuit").shortcut(), QKeySequence("Ctrl+Q"));
}

TEST(MenuBarView, UntitledMenuStillOpens)
{
    QtStage stage;
    Menus menus(stage);
    stage.construct();
    QMainWindow& frame = stage.frame();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));

    QMenuBar& bar = *frame.menuBar();
    QMenu& edit = *bar.actions()[1]->menu();
    const QRect title = bar.actionGeometry(edit.menuAction());
    ASSERT_GT(title.width(), 0);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, title.center());
    EXPECT_TRUE(edit.isVisible());
    edit.hide();
}

TEST(MenuBarView, ChoosingAnItemRunsItsHandlerOnTheApplication)
{
    QtStage stage;
    Menus menus(stage);
    int chosen = 0;
    Object* self = nullptr;
    stage.app()._AddMenuHandler("HelpAbout", [&](Object& handlerSelf) {
        ++chosen;
        self = &handlerSelf;
        return true;
    });
    stage.construct();

    stage.child<QAction>("HelpAbout").trigger();
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(self, &stage.app());
    // An item without a handler that is no Quit item does nothing.
    stage.child<QAction>("EditCopy").trigger();
    EXPECT_EQ(chosen, 1);
}

TEST(MenuBarView, QuitEndsTheEventLoop)
{
    QtStage stage;
    Menus menus(stage);
    stage.construct();

    QTimer::singleShot(0, &stage.frame(), [&stage] { stage.child<QAction>("FileQuit").trigger(); });
    EXPECT_EQ(stage.backend().runEventLoop(), 0);
}

TEST(MenuBarView, CtrlQQuitsFromTheWindow)
{
    QtStage stage;
    Menus menus(stage);
    stage.construct();
    QMainWindow& frame = stage.frame();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));

    bool timedOut = false;
    QTimer::singleShot(0, &frame, [&frame] { QTest::keyClick(&frame, Qt::Key_Q, Qt::ControlModifier); });
    QTimer::singleShot(2000, &frame, [&] {
        timedOut = true; // the shortcut did not quit: end the loop all the same
        stage.backend().quit();
    });
    stage.backend().runEventLoop();
    EXPECT_FALSE(timedOut);
}
