#pragma once

#include <cstdint>
#include <optional>

// Which processes are still running, for files that carry their writer's
// process id in their names.
namespace process {

long CurrentId();

// Start time of process `pid` in clock ticks since boot; nullopt when there
// is no such process or its start time cannot be read.
std::optional<std::uint64_t> StartTime(long pid);
// The start time of this process (0 when it cannot be read).
std::uint64_t CurrentStartTime();

// True while process `pid` runs and, when `start` is not 0, is the process
// that started at `start` (so that a reused process id does not count).
// A process that cannot be examined counts as running.
bool IsRunning(long pid, std::uint64_t start);

}  // namespace process
