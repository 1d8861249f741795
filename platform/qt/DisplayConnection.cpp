#include "platform/qt/DisplayConnection.h"

#include "platform/qt/GraphicalSession.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

namespace platform {

DisplayConnection::DisplayConnection()
{
    if (const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        x11_ = x11->connection();
        display_ = displayName(QtPlatform::X11);
    }
}

std::string DisplayConnection::lossReport() const
{
    if (x11_ == nullptr || xcb_connection_has_error(x11_) == 0) return {};
    return "velmora20: lost the connection to " + display_;
}

} // namespace platform
