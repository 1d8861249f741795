#pragma once

#include "platform/core/ClassRecord.h"

#include <string>
#include <utility>
#include <vector>

namespace platform {

class Window;

// Handlers bound to one object's events by event name ("Action", "Run").
class EventSource {
public:
    void installHandler(std::string event, Routine handler);
    const Routine* handler(std::string_view event) const;

protected:
    ~EventSource() = default;
    // Calls the handler bound to the event, if any, with the object's window
    // as the current object.
    void fire(Object& self, std::string_view event) const;

private:
    std::vector<std::pair<std::string, Routine>> handlers_;
};

// Binds a handler to that event of that one object; from then on the event
// calls the handler with the object's window as self.
void _InstallInstanceEventHandler(Object& object, std::string event, Routine handler);

// The object that a handler of the control's event works on: the window of a
// control placed on one (nil-object exception if it has none yet), else the
// object itself.
Object& RuntimeSwapSelfAndMe(Object& control);

// Anything a window holds by name.
class Control : public Object, public EventSource {
public:
    static constexpr StringProperty Name{0};
    static constexpr IntegerProperty Index{1};
    static constexpr IntegerProperty TabPanelIndex{2};
    static constexpr IntegerProperty PanelIndex{3};

    // The window that holds the control; nil before it is added to one.
    Ref<platform::Window> window() const { return window_.lock(); }

private:
    friend class platform::Window;
    std::weak_ptr<platform::Window> window_;
};

// A control with a place and a size on its window.
class RectControl : public Control {
public:
    static constexpr StringProperty HelpTag{14};
    static constexpr StringProperty BalloonHelp{15};
    static constexpr StringProperty DisabledBalloonHelp{16};
    static constexpr BooleanProperty Visible{18};
    static constexpr IntegerProperty Left{19};
    static constexpr IntegerProperty Top{20};
    static constexpr IntegerProperty Width{21};
    static constexpr IntegerProperty Height{22};
    static constexpr BooleanProperty Enabled{23};
    static constexpr BooleanProperty AutoDeactivate{25};
    static constexpr BooleanProperty LockLeft{26};
    static constexpr BooleanProperty LockTop{27};
    static constexpr BooleanProperty LockRight{28};
    static constexpr BooleanProperty LockBottom{29};
    static constexpr StringProperty InitialParent{31};
};

class PushButton : public RectControl {
public:
    static constexpr StringProperty Caption{32};
    static constexpr BooleanProperty Default{33};
    static constexpr BooleanProperty Cancel{34};
    static constexpr StringProperty TextFont{35};
    static constexpr IntegerProperty TextSize{36};
    static constexpr BooleanProperty Bold{37};
    static constexpr BooleanProperty Italic{38};
    static constexpr BooleanProperty Underline{39};

    // A click: fires Action if the button is enabled.
    void push();
};

// One of a window's radio buttons; setting one deselects the others.
class RadioButton : public RectControl {
public:
    static constexpr StringProperty Caption{32};
    static constexpr BooleanProperty Value{33};
    static constexpr StringProperty TextFont{34};
    static constexpr IntegerProperty TextSize{35};
    static constexpr BooleanProperty Bold{36};
    static constexpr BooleanProperty Italic{37};
    static constexpr BooleanProperty Underline{38};

    // A click: selects the button if it is enabled.
    void click();

protected:
    void propertyChanged(PropertyIndex index) override;
};

// The spinning indicator that a long task shows while it runs.
class ProgressWheel : public RectControl {};

const ClassRecord& ControlClass();
const ClassRecord& RectControlClass();
const ClassRecord& PushButtonClass();
const ClassRecord& RadioButtonClass();
const ClassRecord& ProgressWheelClass();

} // namespace platform
