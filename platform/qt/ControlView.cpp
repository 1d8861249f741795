#include "platform/qt/ControlView.h"

namespace platform {

ControlView::ControlView(const Ref<RectControl>& control, QWidget* widget) : control_(control), widget_(widget) {}

ControlView::~ControlView()
{
    if (const Ref<RectControl> observed = control_.lock()) observed->setObserver(nullptr);
}

void ControlView::observe()
{
    const Ref<RectControl> observed = control();
    for (const PropertyInfo& info : observed->classRecord().properties()) mirror(*observed, info.index);
    observed->setObserver([this](PropertyIndex index) {
        if (const Ref<RectControl> changed = control()) mirror(*changed, index);
    });
}

void ControlView::mirror(const RectControl& control, PropertyIndex index)
{
    if (!widget_) return;
    switch (index) {
    case RectControl::Left.index:
    case RectControl::Top.index:
    case RectControl::Width.index:
    case RectControl::Height.index:
        widget_->setGeometry(control.get(RectControl::Left), control.get(RectControl::Top),
                             control.get(RectControl::Width), control.get(RectControl::Height));
        break;
    case RectControl::Visible.index: widget_->setVisible(control.get(RectControl::Visible)); break;
    case RectControl::Enabled.index: widget_->setEnabled(control.get(RectControl::Enabled)); break;
    case RectControl::HelpTag.index: widget_->setToolTip(QString::fromStdString(control.get(RectControl::HelpTag))); break;
    default: break;
    }
}

} // namespace platform
