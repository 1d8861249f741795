#pragma once

#include <string>
#include <sys/types.h>

namespace bench {

// CPU time, user and system, that this process has used, in seconds.
double processCpuSeconds();
// The same of process `pid`, as /proc shows it.
double processCpuSeconds(pid_t pid);

// CPU time that this process's threads named `name` have used, in seconds
// (FluidSynth names its PulseAudio thread "pulse-audio").
double threadCpuSeconds(const std::string& name);

} // namespace bench
