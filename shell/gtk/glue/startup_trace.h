// Marks of where start-up time goes, for the start-up benchmark. With
// VANTILE_STARTUP_TRACE=1 in the environment each stage's first mark is
// written to stderr as "vantile-trace STAGE SECONDS", SECONDS on the
// monotonic clock (the one Python's time.monotonic() reads), so a caller
// that noted when it started the process can place every stage. Without the
// variable a mark costs one test of a flag.
#pragma once

namespace vantile {

// `stage` must be a string literal; only the first mark of a stage counts.
void StartupMark(const char* stage);

}  // namespace vantile
