#pragma once

#include <sys/types.h>

#include <memory>
#include <vector>

namespace bench {

// One busy process per online core for as long as it lives: the machine with
// every core taken, as a benchmark's --load asks. The processes die with the
// benchmark however it ends, even when it is killed or aborts.
class BusyLoad {
public:
    BusyLoad();
    BusyLoad(const BusyLoad&) = delete;
    BusyLoad& operator=(const BusyLoad&) = delete;
    ~BusyLoad();

    std::size_t processes() const { return children_.size(); }

private:
    void end();

    std::vector<pid_t> children_;
};

// A benchmark's command line holds at most --load: the busy processes it asks
// for, or none. Anything else ends the program with a usage message.
std::unique_ptr<BusyLoad> loadFromArguments(int argc, char** argv);

} // namespace bench
