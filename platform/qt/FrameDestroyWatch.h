#pragma once

#include <QAbstractNativeEventFilter>
#include <QWidget>

namespace platform {

// Qt's X11 plugin takes no notice when another client destroys the native
// window of one of its frames (xdotool windowclose, a window manager's last
// resort): the frame is gone from the screen, and the program would run on
// without it. While it lives, this watches the display's events for that
// and closes the frame as a close from the window manager would, so the
// program ends as when its window is closed. A native window that Qt itself
// destroys is no longer the frame's by the time its destruction is told.
class FrameDestroyWatch : public QAbstractNativeEventFilter {
public:
    explicit FrameDestroyWatch(QWidget& frame);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QWidget& frame_;
};

} // namespace platform
