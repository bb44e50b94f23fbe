// A monotonic clock with sub-millisecond resolution.
#pragma once

// Milliseconds since an arbitrary start.
double now_ms();
