#pragma once

#include "bench/Subprocess.h"

#include <string>

namespace bench {

// An X server of the bench's own (Xvfb, no window manager), on a display
// number that it picks itself among the free ones, so that benches running
// side by side do not meet; ready once constructed. It does not reset when
// its last client goes, which would refuse the next one for a moment. The
// process's DISPLAY names it from construction on.
class VirtualDisplay {
public:
    VirtualDisplay();
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    const std::string& name() const { return name_; }
    // Its number outlives it: another server may take it once it has gone.
    pid_t serverProcess() const { return server_.pid(); }

private:
    Subprocess server_;
    std::string name_;
};

} // namespace bench
