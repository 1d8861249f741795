#pragma once

#include <time.h>

// The processor time the whole process has used so far: how tests tell a
// thread that sleeps from one that keeps looking.
inline double processCpuMicroseconds()
{
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) * 1e6 + static_cast<double>(time.tv_nsec) / 1e3;
}
