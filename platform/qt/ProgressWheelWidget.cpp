#include "platform/qt/ProgressWheelWidget.h"

#include <QPainter>

#include <algorithm>
#include <chrono>

namespace platform {

namespace {

// A full turn a second.
constexpr auto stepInterval = std::chrono::milliseconds(1000 / ProgressWheelWidget::spokes);

} // namespace

ProgressWheelWidget::ProgressWheelWidget(QWidget* parent) : QWidget(parent)
{
    timer_.setInterval(stepInterval);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
        leading_ = (leading_ + 1) % spokes;
        update();
    });
}

void ProgressWheelWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double radius = std::min(width(), height()) / 2.0;
    const double penWidth = std::max(1.0, radius / 5.0);
    painter.translate(width() / 2.0, height() / 2.0);

    QColor colour = palette().color(QPalette::WindowText);
    for (int i = 0; i < spokes; ++i) {
        // Spoke i stands i steps behind the leading one, and is that much fainter.
        const int behind = (leading_ - i + spokes) % spokes;
        colour.setAlphaF(1.0 - 0.8 * behind / (spokes - 1));
        painter.setPen(QPen(colour, penWidth, Qt::SolidLine, Qt::RoundCap));
        painter.save();
        painter.rotate(360.0 * i / spokes);
        painter.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius + penWidth / 2));
        painter.restore();
    }
}

void ProgressWheelWidget::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    timer_.start();
}

void ProgressWheelWidget::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    timer_.stop();
}

} // namespace platform
