#pragma once

#include "platform/qt/ControlView.h"

#include <QAbstractButton>

#include <optional>

namespace platform {

// Mirrors a push button or a radio button in a Qt button: caption, font and,
// for a radio button, whether it is set. A click goes back to the core, which
// decides what it does; the view then shows what the core holds.
class ButtonView : public ControlView {
public:
    ButtonView(const Ref<PushButton>& button, QWidget& contentArea);
    ButtonView(const Ref<RadioButton>& button, QWidget& contentArea);

protected:
    void mirror(const RectControl& control, PropertyIndex index) override;

private:
    // Where a kind of button keeps its caption and font; a push button and a
    // radio button keep them at different indexes.
    struct Face {
        StringProperty caption;
        StringProperty textFont;
        IntegerProperty textSize;
        BooleanProperty bold;
        BooleanProperty italic;
        BooleanProperty underline;
        std::optional<BooleanProperty> value;
    };

    ButtonView(const Ref<RectControl>& button, QAbstractButton* widget, Face face);
    void mirrorFont(const RectControl& control);
    void clicked();

    QPointer<QAbstractButton> button_;
    Face face_;
};

} // namespace platform
