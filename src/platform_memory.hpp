// platform_memory -- the most memory this process has held at once, as the system counts it.
#pragma once

// The peak resident set (on Windows, the peak working set; in WebAssembly, the memory's size)
// in KiB; 0 when it cannot be read.
long peakResidentKiB();
