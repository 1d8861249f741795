#pragma once

#include "platform/core/Window.h"
#include "platform/qt/ControlView.h"
#include "platform/qt/FrameDestroyWatch.h"

#include <QMainWindow>

#include <memory>
#include <vector>

namespace platform {

// The on-screen view of one of the core's windows: a main window whose
// central content area is the window's Width x Height, holding a widget for
// each rect control at its place, with the window's menu bar above it. It
// mirrors the window's title, visibility, size and frame; the window may
// outlive this view, which stops observing it when it goes.
class WindowView {
public:
    explicit WindowView(const Ref<Window>& window);
    WindowView(const WindowView&) = delete;
    WindowView& operator=(const WindowView&) = delete;
    ~WindowView();

    QMainWindow& frame() { return *frame_; }
    const QMainWindow& frame() const { return *frame_; }
    QWidget& contentArea() { return *content_; }
    bool mirrors(const Window& window) const { return window_.lock().get() == &window; }

private:
    void mirror(const Window& window, PropertyIndex index);
    void mirrorFrameButtons(const Window& window);
    void mirrorSize(const Window& window);
    void mirrorBackColor(const Window& window);

    std::weak_ptr<Window> window_;
    std::unique_ptr<QMainWindow> frame_;
    QWidget* content_; // owned by frame_
    FrameDestroyWatch destroyWatch_{*frame_};
    // Declared after the frame, so they stop observing before it goes.
    std::vector<std::unique_ptr<ControlView>> controls_;
};

} // namespace platform
