#include "platform/qt/FrameDestroyWatch.h"

#include <QCoreApplication>

#include <xcb/xcb.h>

namespace platform {

FrameDestroyWatch::FrameDestroyWatch(QWidget& frame)
    : frame_(frame)
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

bool FrameDestroyWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The top bit marks an event another client sent.
    if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY) return false;
    const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
    // Closed once Qt has done with the event.
    if (frame_.internalWinId() != 0 && destroyed->window == frame_.internalWinId())
        QMetaObject::invokeMethod(&frame_, &QWidget::close, Qt::QueuedConnection);
    return false;
}

} // namespace platform
