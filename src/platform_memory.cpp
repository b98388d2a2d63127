// platform_memory -- the most memory this process has held at once, as the system counts it.
#include "platform_memory.hpp"

#ifdef _WIN32
#include <windows.h>
// windows.h first: psapi.h needs its types.
#include <psapi.h>

long peakResidentKiB() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)) == 0) {
        return 0;
    }
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}

#elif defined(__EMSCRIPTEN__)
// WebAssembly's memory only grows, so its size is its peak: 64 KiB pages.
long peakResidentKiB() {
    return static_cast<long>(__builtin_wasm_memory_size(0) * 64);
}

#else
#include <sys/resource.h>

long peakResidentKiB() {
    rusage usage = {};
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : 0;
}
#endif
