#include "platform/qt/ButtonView.h"

#include "platform/qt/CoreCall.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>

namespace platform {

namespace {

// The family that stands for the desktop's own font.
constexpr std::string_view systemFont = "System";

QRadioButton* makeRadioButton(QWidget& contentArea)
{
    auto* button = new QRadioButton(&contentArea);
    // The core keeps the window's radio buttons exclusive; the view only
    // shows their values, and must be able to show none set.
    button->setAutoExclusive(false);
    return button;
}

} // namespace

ButtonView::ButtonView(const Ref<PushButton>& button, QWidget& contentArea)
    : ButtonView(button, new QPushButton(&contentArea),
                 {PushButton::Caption, PushButton::TextFont, PushButton::TextSize, PushButton::Bold, PushButton::Italic,
                  PushButton::Underline, std::nullopt})
{
}

ButtonView::ButtonView(const Ref<RadioButton>& button, QWidget& contentArea)
    : ButtonView(button, makeRadioButton(contentArea),
                 {RadioButton::Caption, RadioButton::TextFont, RadioButton::TextSize, RadioButton::Bold,
                  RadioButton::Italic, RadioButton::Underline, RadioButton::Value})
{
}

ButtonView::ButtonView(const Ref<RectControl>& button, QAbstractButton* widget, Face face)
    : ControlView(button, widget), button_(widget), face_(face)
{
    button_->setCheckable(face_.value.has_value());
    QObject::connect(button_, &QAbstractButton::clicked, button_, [this] { clicked(); });
}

void ButtonView::mirror(const RectControl& control, PropertyIndex index)
{
    ControlView::mirror(control, index);
    if (!button_) return;
    if (index == face_.caption.index)
        button_->setText(QString::fromStdString(control.get(face_.caption)));
    else if (face_.value && index == face_.value->index)
        button_->setChecked(control.get(*face_.value));
    else if (index == face_.textFont.index || index == face_.textSize.index || index == face_.bold.index ||
             index == face_.italic.index || index == face_.underline.index)
        mirrorFont(control);
}

void ButtonView::mirrorFont(const RectControl& control)
{
    QFont font = QApplication::font();
    const std::string& family = control.get(face_.textFont);
    if (!family.empty() && family != systemFont) font.setFamily(QString::fromStdString(family));
    if (const int size = control.get(face_.textSize); size > 0) font.setPixelSize(size);
    font.setBold(control.get(face_.bold));
    font.setItalic(control.get(face_.italic));
    font.setUnderline(control.get(face_.underline));
    button_->setFont(font);
}

void ButtonView::clicked()
{
    const Ref<RectControl> button = control();
    if (!button) return;
    // Qt has already toggled a radio button on its own; the click sets the
    // core's value, whose observer then shows what the core holds (a click on
    // a set radio button leaves it set).
    callCore([&button] {
        if (auto* push = dynamic_cast<PushButton*>(button.get()))
            push->push();
        else if (auto* radio = dynamic_cast<RadioButton*>(button.get())) radio->click();
    });
}

} // namespace platform
