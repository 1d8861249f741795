#include "platform/qt/QtBackend.h"

#include "platform/core/SteadyClock.h"
#include "platform/qt/GraphicalSession.h"
#include "platform/qt/MessageBoxes.h"

#include <algorithm>

namespace platform {

namespace {

// The output of a backend given none: the notes go nowhere.
class SilentOutput : public NoteOutput {
public:
    void setInstrument(const NotePlayer&, int) override {}
    void playNote(const NotePlayer&, int, int) override {}
};

std::unique_ptr<QApplication> startApplication(int& argc, char** argv)
{
    const PlatformStartGuard guard;
    return std::make_unique<QApplication>(argc, argv);
}

} // namespace

QtBackend::QtBackend(const OutputFactory& makeOutput)
    : application_(startApplication(argc_, argv_))
    , boxOwner_(std::make_unique<QWidget>())
{
    if (makeOutput) output_ = makeOutput();
    if (!output_) output_ = std::make_unique<SilentOutput>();
}

QtBackend::~QtBackend() = default;

double QtBackend::microseconds()
{
    return steadyClockMicroseconds();
}

NoteOutput& QtBackend::noteOutput()
{
    return *output_;
}

int QtBackend::runEventLoop()
{
    // Qt ignores a quit while no loop runs; one asked for before the loop
    // must still end it.
    if (quitRequested_) return 0;
    return QApplication::exec();
}

void QtBackend::quit()
{
    quitRequested_ = true;
    QApplication::quit();
}

void QtBackend::showMessageBox(const std::string& text, bool wait)
{
    QMainWindow* main = mainWindow();
    const QString title = main != nullptr ? main->windowTitle() : QString();
    const QString message = QString::fromStdString(text);
    if (wait)
        runModalMessageBox(main, title, message);
    else
        openMessageBox(main != nullptr ? *main : *boxOwner_, title, message);
}

void QtBackend::windowConstructed(Window& window)
{
    views_.push_back(std::make_unique<WindowView>(std::static_pointer_cast<Window>(window.shared_from_this())));
}

void QtBackend::threadsRunnable()
{
    threadTimer_.start();
}

std::string QtBackend::whyExiting() const
{
    return display_.lossReport();
}

QMainWindow* QtBackend::mainWindow()
{
    return views_.empty() ? nullptr : &views_.front()->frame();
}

QMainWindow* QtBackend::frameOf(const Window& window)
{
    const auto found = std::ranges::find_if(views_, [&window](const auto& view) { return view->mirrors(window); });
    return found != views_.end() ? &(*found)->frame() : nullptr;
}

} // namespace platform
