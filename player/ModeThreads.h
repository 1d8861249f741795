#pragma once

// The thread classes of the three performance modes: an empty thread class
// per mode (original, oneshot, looped), and for each a class of thread
// control that sits on the main window and knows that window.

#include "platform/core/Thread.h"
#include "platform/core/Window.h"

namespace player {

// A thread placed on a window. It holds a reference to its window, which the
// window gives it when it takes it, so that its Run handler runs with the
// window as self.
class ThreadControl : public platform::Thread, public platform::PaneChild {
public:
    static constexpr platform::IntegerProperty Index{4};

    void _SetWindow(const platform::Ref<platform::Window>& window) override { ownerWindow_ = window; }
    platform::Ref<platform::Window> Window() const override { return ownerWindow_; }
    std::int32_t _Index() const override { return get(Index); }
    void _SetIndex(std::int32_t index) override { set(Index, index); }

private:
    platform::Ref<platform::Window> ownerWindow_;
};

const platform::ClassRecord& originalClass();
const platform::ClassRecord& oneshotClass();
const platform::ClassRecord& loopedClass();

// "Window1.originalThread", "Window1.oneshotThread", "Window1.loopedThread".
const platform::ClassRecord& originalThreadClass();
const platform::ClassRecord& oneshotThreadClass();
const platform::ClassRecord& loopedThreadClass();

} // namespace player
