#pragma once

#include "platform/core/ClassRecord.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class MenuBar;

// A window: the owner of its controls, which it holds by name for its whole
// life. Its class's hooks build it while its constructor runs.
class Window : public Object {
public:
    static constexpr BooleanProperty Visible{0};
    static constexpr IntegerProperty Left{1};
    static constexpr IntegerProperty Top{2};
    static constexpr IntegerProperty Width{3};
    static constexpr IntegerProperty Height{4};
    static constexpr IntegerProperty Placement{5};
    static constexpr StringProperty Title{6};
    static constexpr BooleanProperty FullScreen{7};
    static constexpr BooleanProperty MenuBarVisible{8};
    static constexpr BooleanProperty CloseBox{9};
    static constexpr BooleanProperty CloseButton{10};
    static constexpr BooleanProperty GrowIcon{11};
    static constexpr BooleanProperty Resizeable{12};
    static constexpr BooleanProperty ZoomIcon{13};
    static constexpr BooleanProperty MaximizeButton{14};
    static constexpr BooleanProperty MinimizeButton{15};
    static constexpr IntegerProperty Frame{16};
    static constexpr BooleanProperty Composite{17};
    static constexpr BooleanProperty LiveResize{18};
    static constexpr BooleanProperty HasBackColor{21};
    static constexpr ColourProperty BackColor{22};
    static constexpr StringProperty BalloonHelp{23};
    static constexpr IntegerProperty MinWidth{24};
    static constexpr IntegerProperty MinHeight{25};
    static constexpr IntegerProperty MaxWidth{26};
    static constexpr IntegerProperty MaxHeight{27};
    static constexpr IntegerProperty MacProcId{28};

    // A new, unconstructed object of that class, made for this window.
    Ref<Object> __New(const ClassRecord& record);

    // The window takes the control and holds it under that name.
    void _AddControl(std::string name, Ref<Object> control);

    // The control held under that name, or nil.
    Ref<Object> controlByName(std::string_view name) const;
    const std::vector<std::pair<std::string, Ref<Object>>>& controls() const { return controls_; }

    Ref<platform::MenuBar> menuBar() const { return menuBar_; }
    void setMenuBar(Ref<platform::MenuBar> menuBar) { menuBar_ = std::move(menuBar); }

    // Kills the window's threads and lets go of its controls; the run-time
    // closes every window when it shuts down.
    void close();

private:
    std::vector<std::pair<std::string, Ref<Object>>> controls_;
    Ref<platform::MenuBar> menuBar_;
};

// The control that the window holds under that name, or nil.
Ref<Object> RuntimeWindowControlByName(const Window& window, std::string_view name);

// The control held under that name as an instance of that class; the
// nil-object exception if the window holds none.
template <class T>
T& controlByName(const Window& window, std::string_view name, const ClassRecord& record)
{
    return nonNil(RuntimeCheckCast<T>(RuntimeWindowControlByName(window, name), record));
}

// The framework's window constructor: runs the class's hooks "Layout",
// "CreateControls" and "AddMenuHandlers", then opens the window.
void constructWindow(Window& window);

// A non-visual control placed on a window (a thread): the window gives it a
// reference to itself when it takes it.
class PaneChild {
public:
    virtual void _SetWindow(const Ref<platform::Window>& window) = 0;
    virtual Ref<platform::Window> Window() const = 0;
    virtual std::int32_t _Index() const = 0;
    virtual void _SetIndex(std::int32_t index) = 0;

protected:
    ~PaneChild() = default;
};

const ClassRecord& WindowClass();

} // namespace platform
