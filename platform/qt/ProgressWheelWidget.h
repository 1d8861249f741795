#pragma once

#include <QTimer>
#include <QWidget>

namespace platform {

// A spinning activity indicator: twelve spokes, the leading one darkest and
// the others fading behind it, advancing one spoke a step. It turns only while
// it is shown, so a hidden wheel costs nothing.
class ProgressWheelWidget : public QWidget {
    Q_OBJECT

public:
    static constexpr int spokes = 12;

    explicit ProgressWheelWidget(QWidget* parent);

    bool isSpinning() const { return timer_.isActive(); }
    // The spoke that leads, from 0 to spokes - 1.
    int leadingSpoke() const { return leading_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer timer_;
    int leading_ = 0;
};

} // namespace platform
