#pragma once
// Output to the terminal that is never lost (writeAll, screen/ansi/backend.h)
// and, on the way out, never waits without end. Async-signal-safe.

#include <cstdint>
#include <string_view>

// writeAll, but gives up at `deadlineMs` on the monotonic clock (none when
// negative) when the terminal takes nothing.
bool writeAllBy(std::string_view bytes, std::int64_t deadlineMs);
// Opens what writeAllBy writes through; on open, not for signal handlers.
void writeOpen();
