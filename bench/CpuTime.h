#pragma once

#include <string>

namespace bench {

// CPU time, user and system, that this process has used, in seconds.
double processCpuSeconds();

// CPU time that this process's threads named `name` have used, in seconds
// (FluidSynth names its PulseAudio thread "pulse-audio").
double threadCpuSeconds(const std::string& name);

} // namespace bench
