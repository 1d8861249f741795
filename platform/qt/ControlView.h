#pragma once

#include "platform/core/Control.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <utility>

namespace platform {

// Mirrors one of the core's rect controls in a widget: its place and size,
// whether it is shown and enabled, and its help tag. A subclass mirrors the
// properties of its own kind of control. The widget belongs to its window's
// content area; the control may outlive this view, which stops observing it
// when it goes.
class ControlView {
public:
    // A view of that kind that mirrors every property of its control at once
    // and each change from then on.
    template <class View, class... Args>
    static std::unique_ptr<View> make(Args&&... args)
    {
        auto view = std::make_unique<View>(std::forward<Args>(args)...);
        view->observe();
        return view;
    }

    ControlView(const Ref<RectControl>& control, QWidget* widget);
    ControlView(const ControlView&) = delete;
    ControlView& operator=(const ControlView&) = delete;
    virtual ~ControlView();

    QWidget* widget() const { return widget_; }

protected:
    // Brings the widget in line with that property of the control.
    virtual void mirror(const RectControl& control, PropertyIndex index);
    Ref<RectControl> control() const { return control_.lock(); }

private:
    void observe();

    std::weak_ptr<RectControl> control_;
    QPointer<QWidget> widget_;
};

} // namespace platform
