#include "platform/qt/WindowView.h"

#include "platform/core/Menu.h"
#include "platform/qt/ButtonView.h"
#include "platform/qt/MenuBarView.h"
#include "platform/qt/ProgressWheelWidget.h"

#include <QLayout>
#include <QMenuBar>

#include <algorithm>

namespace platform {

namespace {

// The view of a control placed on the window, or nullptr for one that shows
// nothing (a note player, a thread).
std::unique_ptr<ControlView> makeControlView(const Ref<Object>& control, QWidget& contentArea)
{
    if (auto push = std::dynamic_pointer_cast<PushButton>(control)) return ControlView::make<ButtonView>(push, contentArea);
    if (auto radio = std::dynamic_pointer_cast<RadioButton>(control)) return ControlView::make<ButtonView>(radio, contentArea);
    if (auto wheel = std::dynamic_pointer_cast<ProgressWheel>(control))
        return ControlView::make<ControlView>(wheel, new ProgressWheelWidget(&contentArea));
    return nullptr;
}

// A maximum of 0 sets no limit.
int limit(std::int32_t maximum)
{
    return maximum > 0 ? maximum : QWIDGETSIZE_MAX;
}

} // namespace

WindowView::WindowView(const Ref<Window>& window)
    : window_(window), frame_(std::make_unique<QMainWindow>()), content_(new QWidget(frame_.get()))
{
    frame_->setObjectName(QString::fromStdString(window->classRecord().name()));
    frame_->setCentralWidget(content_);
    if (const Ref<MenuBar> menus = window->menuBar()) buildMenuBarView(*frame_->menuBar(), *menus);
    for (const auto& [name, control] : window->controls()) {
        if (auto view = makeControlView(control, *content_)) {
            view->widget()->setObjectName(QString::fromStdString(name));
            controls_.push_back(std::move(view));
        }
    }

    // Shown last, once the frame is complete.
    for (const PropertyInfo& info : window->classRecord().properties())
        if (info.index != Window::Visible.index) mirror(*window, info.index);
    mirror(*window, Window::Visible.index);
    window->setObserver([this](PropertyIndex index) {
        if (const Ref<Window> changed = window_.lock()) mirror(*changed, index);
    });
}

WindowView::~WindowView()
{
    if (const Ref<Window> observed = window_.lock()) observed->setObserver(nullptr);
}

void WindowView::mirror(const Window& window, PropertyIndex index)
{
    switch (index) {
    case Window::Visible.index: frame_->setVisible(window.get(Window::Visible)); break;
    case Window::Title.index: frame_->setWindowTitle(QString::fromStdString(window.get(Window::Title))); break;
    case Window::MenuBarVisible.index:
        // A window without menus shows no empty bar.
        frame_->menuBar()->setVisible(window.get(Window::MenuBarVisible) && !frame_->menuBar()->actions().isEmpty());
        break;
    case Window::CloseButton.index:
    case Window::MinimizeButton.index:
    case Window::MaximizeButton.index: mirrorFrameButtons(window); break;
    case Window::Width.index:
    case Window::Height.index:
    case Window::Resizeable.index:
    case Window::MinWidth.index:
    case Window::MinHeight.index:
    case Window::MaxWidth.index:
    case Window::MaxHeight.index: mirrorSize(window); break;
    case Window::HasBackColor.index:
    case Window::BackColor.index: mirrorBackColor(window); break;
    default: break;
    }
}

void WindowView::mirrorFrameButtons(const Window& window)
{
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (window.get(Window::CloseButton)) flags |= Qt::WindowCloseButtonHint;
    if (window.get(Window::MinimizeButton)) flags |= Qt::WindowMinimizeButtonHint;
    if (window.get(Window::MaximizeButton)) flags |= Qt::WindowMaximizeButtonHint;
    if (flags == frame_->windowFlags()) return;
    // New flags hide a shown window: show it again.
    const bool shown = frame_->isVisible();
    frame_->setWindowFlags(flags);
    if (shown) frame_->show();
}

void WindowView::mirrorSize(const Window& window)
{
    const QSize size(window.get(Window::Width), window.get(Window::Height));
    if (!window.get(Window::Resizeable)) {
        // The frame takes the size it needs around the fixed content area:
        // the menu bar, when it shows, and nothing else.
        content_->setFixedSize(size);
        frame_->layout()->setSizeConstraint(QLayout::SetFixedSize);
        return;
    }
    frame_->layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
    frame_->setMinimumSize(0, 0);
    frame_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    content_->setMinimumSize(std::max(0, window.get(Window::MinWidth)), std::max(0, window.get(Window::MinHeight)));
    content_->setMaximumSize(limit(window.get(Window::MaxWidth)), limit(window.get(Window::MaxHeight)));
    const int menuHeight = frame_->menuBar()->isVisibleTo(frame_.get()) ? frame_->menuBar()->sizeHint().height() : 0;
    frame_->resize(size.width(), size.height() + menuHeight);
}

void WindowView::mirrorBackColor(const Window& window)
{
    const bool hasColour = window.get(Window::HasBackColor);
    content_->setAutoFillBackground(hasColour);
    QPalette palette = content_->palette();
    if (hasColour) {
        const Colour colour = window.get(Window::BackColor);
        palette.setColor(QPalette::Window, QColor(colour.red, colour.green, colour.blue));
    } else {
        palette.setColor(QPalette::Window, frame_->palette().color(QPalette::Window));
    }
    content_->setPalette(palette);
}

} // namespace platform
