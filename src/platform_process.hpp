// platform_process -- a helper process that answers one question and then waits: the one place
// that knows how the operating system makes, reads and ends a process.
#pragma once

#include <cstdint>
#include <string>

// The system's handles for a running helper; only this module reads them.
struct HelperProcess {
    std::intptr_t process = -1;
    std::intptr_t channel = -1;
};

// The helper's work, run inside it: its answer, or empty for none.
using HelperWork = std::string (*)();

// Runs `work` in a helper process whose standard output and error go nowhere, and reads its
// answer for as long as the helper keeps writing within `timeoutMilliseconds` of each part;
// empty when the helper could not be made or said nothing in time, and always on Windows, where
// none is made. The helper then waits, holding whatever it opened, until endHelperProcess.
// Called before the game opens anything a helper must not share.
HelperProcess startHelperProcess(HelperWork work, std::int32_t timeoutMilliseconds,
                                 std::string& answer);
// Lets the helper go and waits for it; one stuck in its work is ended by force.
void endHelperProcess(HelperProcess& helper);
