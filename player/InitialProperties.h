#pragma once

// The initial properties of the main window and its controls, each stored as
// the property list that one call of _SetProperties applies.

#include "platform/core/Control.h"
#include "platform/core/NotePlayer.h"
#include "platform/core/PropertyList.h"
#include "platform/core/Thread.h"
#include "platform/core/Window.h"

namespace player::initialProperties {

using platform::StoredPropertyList;

inline constexpr int notInAControlArray = -2147483648;
inline constexpr platform::Colour white{0xFF, 0xFF, 0xFF};

inline constexpr StoredPropertyList window = {
    {platform::Window::Placement, 0},
    {platform::Window::Width, 300},
    {platform::Window::Height, 300},
    {platform::Window::MinWidth, 64},
    {platform::Window::MinHeight, 64},
    {platform::Window::MaxWidth, 32000},
    {platform::Window::MaxHeight, 32000},
    {platform::Window::Frame, 9},
    {platform::Window::Composite, true},
    {platform::Window::HasBackColor, false},
    {platform::Window::BackColor, white},
    {platform::Window::Title, "Velmora 20"},
    {platform::Window::Visible, true},
    {platform::Window::FullScreen, false},
    {platform::Window::MenuBarVisible, true},
    {platform::Window::CloseButton, false},
    {platform::Window::Resizeable, false},
    {platform::Window::LiveResize, false},
    {platform::Window::MaximizeButton, false},
    {platform::Window::MinimizeButton, false},
    {platform::Window::BalloonHelp, ""},
    {platform::Window::MacProcId, 0},
};

// The two push buttons differ in name, caption, top and whether they start
// enabled.
consteval StoredPropertyList pushButton(std::string_view name, int top, bool enabled)
{
    using platform::PushButton;
    return {
        {PushButton::Name, name},          {PushButton::Index, notInAControlArray},
        {PushButton::Left, 115},           {PushButton::Top, top},
        {PushButton::Width, 70},           {PushButton::Height, 20},
        {PushButton::LockLeft, false},     {PushButton::LockTop, false},
        {PushButton::LockRight, false},    {PushButton::LockBottom, false},
        {PushButton::TabPanelIndex, 0},    {PushButton::Caption, name},
        {PushButton::Default, false},      {PushButton::Cancel, false},
        {PushButton::Enabled, enabled},    {PushButton::Visible, true},
        {PushButton::HelpTag, ""},         {PushButton::AutoDeactivate, true},
        {PushButton::TextFont, "System"},  {PushButton::TextSize, 12},
        {PushButton::Bold, false},         {PushButton::Italic, false},
        {PushButton::Underline, false},    {PushButton::InitialParent, ""},
    };
}

inline constexpr StoredPropertyList start = pushButton("start", 140, true);
inline constexpr StoredPropertyList stop = pushButton("stop", 240, false);

// The three mode buttons differ in name, caption, place and which is set.
consteval StoredPropertyList radioButton(std::string_view name, std::string_view caption, int left, int top, bool value)
{
    using platform::RadioButton;
    return {
        {RadioButton::Name, name},          {RadioButton::Index, notInAControlArray},
        {RadioButton::Left, left},          {RadioButton::Top, top},
        {RadioButton::Width, 80},           {RadioButton::Height, 20},
        {RadioButton::LockLeft, false},     {RadioButton::LockTop, false},
        {RadioButton::LockRight, false},    {RadioButton::LockBottom, false},
        {RadioButton::TabPanelIndex, 0},    {RadioButton::Caption, caption},
        {RadioButton::Enabled, true},       {RadioButton::Visible, true},
        {RadioButton::HelpTag, ""},         {RadioButton::AutoDeactivate, true},
        {RadioButton::TextFont, "System"},  {RadioButton::TextSize, 12},
        {RadioButton::Bold, false},         {RadioButton::Italic, false},
        {RadioButton::Underline, false},    {RadioButton::Value, value},
        {RadioButton::InitialParent, ""},
    };
}

inline constexpr StoredPropertyList originalButton = radioButton("originalButton", "original", 35, 20, true);
inline constexpr StoredPropertyList oneshotButton = radioButton("oneshotButton", "one shot", 185, 20, false);
inline constexpr StoredPropertyList loopedButton = radioButton("loopedButton", "looped", 110, 60, false);

inline constexpr StoredPropertyList progressWheel = {
    {platform::ProgressWheel::Name, "ProgressWheel1"},
    {platform::ProgressWheel::Index, notInAControlArray},
    {platform::ProgressWheel::Left, 133},
    {platform::ProgressWheel::Top, 183},
    {platform::ProgressWheel::Width, 34},
    {platform::ProgressWheel::Height, 34},
    {platform::ProgressWheel::LockLeft, false},
    {platform::ProgressWheel::LockTop, false},
    {platform::ProgressWheel::LockRight, false},
    {platform::ProgressWheel::LockBottom, false},
    {platform::ProgressWheel::TabPanelIndex, 0},
    {platform::ProgressWheel::InitialParent, ""},
    {platform::ProgressWheel::Visible, false},
    {platform::ProgressWheel::HelpTag, ""},
    {platform::ProgressWheel::AutoDeactivate, true},
    {platform::ProgressWheel::Enabled, true},
};

consteval StoredPropertyList notePlayer(std::string_view name)
{
    using platform::NotePlayer;
    return {
        {NotePlayer::Name, name},
        {NotePlayer::Index, notInAControlArray},
        {NotePlayer::Instrument, 1}, // the acoustic grand piano
        {NotePlayer::TabPanelIndex, 0},
    };
}

inline constexpr StoredPropertyList notePlayer1 = notePlayer("NotePlayer1");
inline constexpr StoredPropertyList notePlayer2 = notePlayer("NotePlayer2");

// Shared by the three mode threads.
inline constexpr StoredPropertyList thread = {
    {platform::Thread::Priority, 5},
    {platform::Thread::StackSize, 0},
};

} // namespace player::initialProperties
