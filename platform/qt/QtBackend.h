#pragma once

#include "platform/core/Backend.h"
#include "platform/qt/DisplayConnection.h"
#include "platform/qt/ThreadTimer.h"
#include "platform/qt/WindowView.h"

#include <QApplication>
#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

// The desktop backend: a Qt application whose event loop is the program's,
// with a view of each constructed window, message boxes and a thread timer
// that gives the cooperative threads their turns on the GUI thread. The notes
// sound through the output it is given. When Qt ends the process because
// its display went away, the backend's line names the display.
class QtBackend : public Backend {
public:
    using OutputFactory = std::function<std::unique_ptr<NoteOutput>()>;
    // The output is made once the window system has started, so a display
    // that refuses Qt leaves the audio device and the SoundFont untouched;
    // a display that cannot be reached ends the program there (see
    // PlatformStartGuard). Without a factory, or a null output, nothing plays.
    explicit QtBackend(const OutputFactory& makeOutput);
    QtBackend(const QtBackend&) = delete;
    QtBackend& operator=(const QtBackend&) = delete;
    ~QtBackend() override;

    double microseconds() override;
    NoteOutput& noteOutput() override;
    int runEventLoop() override;
    void quit() override;
    void showMessageBox(const std::string& text, bool wait) override;
    void windowConstructed(Window& window) override;
    void threadsRunnable() override;
    std::string whyExiting() const override;

    // The frame of the first window constructed, or nullptr before one is.
    QMainWindow* mainWindow();
    // The frame that shows that window, or nullptr if none does.
    QMainWindow* frameOf(const Window& window);
    bool threadsTurning() const { return threadTimer_.isActive(); }

private:
    // QApplication keeps a reference to argc and the argv array for its
    // whole life: they are members declared before it.
    int argc_ = 1;
    char programName_[10] = "velmora20";
    char* argv_[2] = {programName_, nullptr};

    std::unique_ptr<NoteOutput> output_;
    std::unique_ptr<QApplication> application_;
    DisplayConnection display_;
    // The parent of message boxes shown while there is no window: never
    // shown, it deletes any still open when the backend goes.
    std::unique_ptr<QWidget> boxOwner_;
    ThreadTimer threadTimer_;
    // Declared last: the views go before the application.
    std::vector<std::unique_ptr<WindowView>> views_;
    bool quitRequested_ = false;
};

} // namespace platform
