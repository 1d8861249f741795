#include "bench/DesktopProgram.h"

#include "platform/core/Control.h"
#include "platform/core/PropertyList.h"
#include "platform/core/Runtime.h"
#include "platform/core/SteadyClock.h"
#include "platform/core/Window.h"
#include "platform/testing/TestBackend.h"
#include "player/InitialProperties.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace bench {

namespace {

constexpr double kWindowTimeoutSeconds = 15;
constexpr double kMessageBoxTimeoutSeconds = 5;
constexpr auto kLookAgain = std::chrono::milliseconds(50);

template <class T>
T initialValue(const platform::StoredPropertyList& list, const platform::ClassRecord& record,
               platform::PropertyId<T> property)
{
    for (const platform::PropertyListEntry& entry : platform::decodePropertyList(list.bytes(), record))
        if (entry.index == property.index)
            return std::get<T>(entry.value);
    throw std::invalid_argument("a property that the initial properties do not set");
}

ProgramLayout::Point middleOf(const platform::StoredPropertyList& button, const platform::ClassRecord& record)
{
    using platform::RectControl;
    return {initialValue(button, record, RectControl::Left) + initialValue(button, record, RectControl::Width) / 2,
            initialValue(button, record, RectControl::Top) + initialValue(button, record, RectControl::Height) / 2};
}

ProgramLayout readLayout()
{
    namespace initial = player::initialProperties;
    // The lists are decoded by the framework's class records, which live in
    // a run-time; the headless one is enough, for as long as this takes.
    const platform::Runtime runtime(std::make_unique<platform::TestBackend>());
    return {initialValue(initial::window, platform::WindowClass(), platform::Window::Title),
            initialValue(initial::window, platform::WindowClass(), platform::Window::Height),
            middleOf(initial::start, platform::PushButtonClass()), middleOf(initial::stop, platform::PushButtonClass()),
            middleOf(initial::loopedButton, platform::RadioButtonClass())};
}

std::vector<std::string> words(const std::string& text)
{
    std::istringstream stream(text);
    return {std::istream_iterator<std::string>(stream), std::istream_iterator<std::string>()};
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

const ProgramLayout& ProgramLayout::of()
{
    static const ProgramLayout layout = readLayout();
    return layout;
}

DesktopProgram::DesktopProgram(const std::filesystem::path& program, const std::filesystem::path& errorFile)
    : errorFile_(errorFile), process_({program.string()}, {.errorFile = errorFile.string()})
{
    const auto start = std::chrono::steady_clock::now();
    while (window_.empty()) {
        if (!process_.running() || process_.waitFor(0))
            throw std::runtime_error("the program ended before its window showed: " + errors());
        if (secondsSince(start) > kWindowTimeoutSeconds)
            throw std::runtime_error("the program's window did not show");
        const std::vector<std::string> found = windows();
        if (!found.empty())
            window_ = found.front();
        else
            std::this_thread::sleep_for(kLookAgain);
    }
    // The window's controls lie below its menu bar.
    int height = 0;
    for (const std::string& line : words(outputOf({"xdotool", "getwindowgeometry", "--shell", window_})))
        if (line.starts_with("HEIGHT="))
            height = std::stoi(line.substr(7));
    menuBarHeight_ = height - ProgramLayout::of().windowHeight;
}

std::vector<std::string> DesktopProgram::windows() const
{
    std::vector<std::string> found = words(outputOf({"xdotool", "search", "--onlyvisible", "--pid",
                                                     std::to_string(process_.pid()), "--name",
                                                     "^" + ProgramLayout::of().title + "$"}));
    const auto main = std::find(found.begin(), found.end(), window_);
    if (main != found.end())
        std::rotate(found.begin(), main, main + 1);
    return found;
}

double DesktopProgram::click(ProgramLayout::Point place)
{
    outputOf({"xdotool", "mousemove", "--window", window_, std::to_string(place.x),
              std::to_string(menuBarHeight_ + place.y)});
    outputOf({"xdotool", "click", "1"});
    return platform::steadyClockMicroseconds();
}

void DesktopProgram::pressKeys(const std::string& keys)
{
    outputOf({"xdotool", "key", "--window", window_, keys});
}

void DesktopProgram::closeMessageBox()
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const std::vector<std::string> found = windows();
        if (found.size() > 1) {
            outputOf({"xdotool", "key", "--window", found[1], "Return"});
            return;
        }
        if (secondsSince(start) > kMessageBoxTimeoutSeconds)
            throw std::runtime_error("no message box showed");
        std::this_thread::sleep_for(kLookAgain);
    }
}

double DesktopProgram::peakMegabytes() const
{
    std::ifstream status("/proc/" + std::to_string(process_.pid()) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:"))
            return std::stod(line.substr(6)) / 1024;
    throw std::runtime_error("the program's peak memory could not be read");
}

std::string DesktopProgram::errors() const
{
    std::ifstream file(errorFile_);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace bench
