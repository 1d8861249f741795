#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace platform::fluidsynth {

// Runs calls that may block without bound, each on a thread of its own that
// nobody joins: a sound server that is stopped or hung holds an audio
// device's opening and closing inside its client library for as long as it
// does not answer, and the program must neither freeze nor wait for it to
// quit. A call owns what it uses, so it may end after whoever started it;
// one still blocked when the process exits is left to the exit.
class DetachedCalls {
public:
    DetachedCalls();

    // `call` must not throw; std::system_error when no thread can be made.
    void run(std::function<void()> call);

    // Waits until every call started here has returned, or `limit` has
    // passed; whether they all returned.
    bool waitAll(std::chrono::milliseconds limit) const;
    // Whether a call started here has not returned yet.
    bool running() const;

private:
    struct Count {
        std::mutex mutex;
        std::condition_variable returned;
        int running = 0;
    };
    std::shared_ptr<Count> count_; // shared with the calls, which may outlive this
};

} // namespace platform::fluidsynth
