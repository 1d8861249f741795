#include "app/App.h"
#include "app/MenuBar1.h"
#include "app/Startup.h"
#include "player/ModeThreads.h"
#include "player/Window1.h"
#include "platform/core/Runtime.h"
#include "tests/Stage.h"

#include <gtest/gtest.h>

#include <algorithm>

using platform::RuntimeCheckCast;

TEST(StartUp, BuildsEachClassOnceBasesFirstAfterTheFrameworks)
{
    Stage stage;
    std::vector<std::string> names;
    for (const auto& record : platform::runtimeClasses()) names.push_back(record->name());
    const auto app = std::ranges::find(names, "App");
    ASSERT_NE(app, names.end());
    EXPECT_TRUE(std::all_of(names.begin(), app, [](const std::string& name) { return name.find('.') == std::string::npos && name != "original"; }));
    EXPECT_EQ(std::vector<std::string>(app, names.end()),
              (std::vector<std::string>{"App", "Window1.Window1", "original", "Window1.originalThread", "looped",
                                        "Window1.loopedThread", "oneshot", "Window1.oneshotThread", "MenuBar1.MenuBar1"}));
    app::initialize(); // every class is built already: nothing is added
    EXPECT_EQ(platform::runtimeClasses().size(), names.size());
}

TEST(StartUp, CastsFollowTheClassTree)
{
    Stage stage;
    const auto original = platform::RuntimeWindowControlByName(stage.window(), "originalThread");
    EXPECT_TRUE(RuntimeCheckCast(original, player::originalClass()));
    EXPECT_TRUE(RuntimeCheckCast(original, platform::ThreadClass()));
    EXPECT_FALSE(RuntimeCheckCast(original, player::loopedClass()));
    EXPECT_TRUE(RuntimeCheckCast(platform::RuntimeWindowControlByName(stage.window(), "loopedThread"), player::loopedClass()));
    EXPECT_TRUE(RuntimeCheckCast(platform::RuntimeWindowControlByName(stage.window(), "oneshotThread"), player::oneshotClass()));
    EXPECT_FALSE(RuntimeCheckCast(platform::RuntimeWindowControlByName(stage.window(), "start"), platform::RadioButtonClass()));
    EXPECT_FALSE(RuntimeCheckCast(nullptr, platform::WindowClass()));
    const auto plainWindow = platform::RuntimeNewObject(platform::WindowClass());
    EXPECT_FALSE(RuntimeCheckCast(plainWindow, player::Window1Class()));
}

TEST(StartUp, TheApplicationAndTheWindowShareOneMenuBarBuiltOnce)
{
    Stage stage;
    const auto bar = app::MenuBar1();
    EXPECT_EQ(app::App()->menuBar(), bar);
    EXPECT_EQ(stage.window().menuBar(), bar);
    EXPECT_EQ(std::ranges::count(stage.recording().calls, "MenuBar1"), 1);
    EXPECT_EQ(player::Window1(), std::static_pointer_cast<platform::Window>(stage.window().shared_from_this()));

    std::vector<std::string> tree;
    for (const auto& menu : bar->children()) {
        tree.push_back(menu->Name());
        for (const auto& item : menu->children()) tree.push_back("  " + item->Name() + " " + item->Text() + " " + item->KeyboardShortcut().value_or("unset"));
    }
    EXPECT_EQ(tree, (std::vector<std::string>{
                        "FileMenu", "  aboutvelmora20 About Velmora 20 ", "  FileQuit &Quit Cmd+Q",
                        "EditMenu", "  EditUndo &Undo Cmd+Z", "  UntitledMenu1 - unset", "  EditCut Cu&t Cmd+X",
                        "  EditCopy &Copy Cmd+C", "  EditPaste &Paste Cmd+V", "  EditClear &Delete ",
                        "  UntitledMenu0 - unset", "  EditSelectAll Select &All Cmd+A"}));
    EXPECT_EQ(bar->Child("FileMenu")->Text(), "About Velmora 20");
    EXPECT_TRUE(bar->_Lookup("FileQuit")->classRecord().isA(platform::QuitMenuItemClass()));
    EXPECT_EQ(platform::callMethod<platform::Ref<platform::MenuItem>()>(stage.window(), "EditCut"), bar->_Lookup("EditCut"));
    EXPECT_FALSE(platform::callMethod<platform::Ref<platform::MenuItem>()>(stage.window(), "FileMenu")->classRecord().isA(platform::QuitMenuItemClass()));
}

TEST(StartUp, TheMethodTablePutsTheScoreAfterTheWindowsOwnMethods)
{
    Stage stage;
    std::vector<std::string> slots;
    for (const auto& method : player::Window1Class().methods()) slots.push_back(method.name);
    ASSERT_EQ(slots.size(), 3u + 21u + 148u);
    EXPECT_EQ(std::vector<std::string>(slots.begin(), slots.begin() + 3), (std::vector<std::string>{"Window", "__New", "_AddControl"}));
    const auto at = [&](std::string_view name) { return std::ranges::find(slots, name) - slots.begin(); };
    EXPECT_EQ(at("Layout"), 3);
    EXPECT_EQ(at("bar1"), at("AddMenuHandlers") + 1);
    EXPECT_EQ(at("bars333435"), at("bar110") + 1);
    EXPECT_EQ(at("bar112"), at("bars333435") + 1);
    EXPECT_EQ(slots.back(), "bar142");
}

TEST(StartUp, TheAboutItemShowsItsNineLinesAndChangesNothing)
{
    Stage stage;
    stage.start("looped");
    stage.backend().runFor(200000);
    const auto app = app::App();
    app->chooseMenuItem(*app->menuBar()->_Lookup("aboutvelmora20"));
    ASSERT_EQ(stage.recording().messages.size(), 1u);
    const std::string& text = stage.recording().messages[0].text;
    EXPECT_EQ(std::ranges::count(text, '\n'), 8);
    EXPECT_TRUE(text.starts_with("Velmora 20\nVelmora 20 is based on the piano arrangement of Brantock\xE2\x80\x99s Ostinato from the St Ardwin\xE2\x80\x99s Suite.\n"));
    EXPECT_TRUE(text.ends_with("\nvelmora.example.org"));
    EXPECT_FALSE(stage.recording().messages[0].waited); // no nested event loop under the menu
    EXPECT_TRUE(stage.thread("loopedThread").isRunning());
    EXPECT_TRUE(stage.rect("stop").get(platform::RectControl::Enabled));
    EXPECT_FALSE(app::_aboutvelmora20_Action(*app));

    app->chooseMenuItem(*app->menuBar()->_Lookup("EditCopy")); // no handler: nothing
    EXPECT_FALSE(stage.backend().quitRequested());
    app->chooseMenuItem(*app->menuBar()->_Lookup("FileQuit"));
    EXPECT_TRUE(stage.backend().quitRequested());
}

TEST(StartUp, AnExceptionWhileTheWindowIsMadeReachesTheHandlerAndTheProgramStillEnds)
{
    auto backend = std::make_unique<platform::TestBackend>();
    const auto recording = backend->recording();
    bool loopRan = false;
    backend->onWindowConstructed = [](platform::Window&) { throw std::runtime_error("no display"); };
    backend->onEventLoop = [&] { loopRan = true; };
    testing::internal::CaptureStderr();
    EXPECT_EQ(app::main(std::move(backend)), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "An unexpected error stopped the program: no display\n");
    EXPECT_FALSE(loopRan);
    ASSERT_EQ(recording->messages.size(), 1u);
    EXPECT_TRUE(recording->messages[0].waited); // no event loop would keep the box up
}

TEST(StartUp, AnExceptionInsideTheEventLoopDoesNotHoldTheLoopUp)
{
    auto backend = std::make_unique<platform::TestBackend>();
    const auto recording = backend->recording();
    backend->onEventLoop = [] {
        // What an event handler that throws comes to on the main thread.
        platform::_UnhandledException(std::make_exception_ptr(std::runtime_error("bad click")));
    };
    testing::internal::CaptureStderr();
    EXPECT_EQ(app::main(std::move(backend)), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "An unexpected error stopped the program: bad click\n");
    ASSERT_EQ(recording->messages.size(), 1u);
    EXPECT_FALSE(recording->messages[0].waited);
}

TEST(StartUp, QuitEndsTheEventLoopWithTheFrameworksExitCode)
{
    auto backend = std::make_unique<platform::TestBackend>();
    bool quitChosen = false;
    backend->onEventLoop = [&] {
        const auto app = app::App();
        app->chooseMenuItem(*app->menuBar()->_Lookup("FileQuit"));
        quitChosen = true;
    };
    EXPECT_EQ(app::main(std::move(backend)), 0);
    EXPECT_TRUE(quitChosen);
}
