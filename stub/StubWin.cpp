// Module of the run-mode dispatch and the stub window. The image carries its
// per-build block here.
#include <cstddef>

// The per-build block that the builder fills between its two marks. Nothing
// reads it; the linker keeps it (see the stub's link options).
extern "C" const char StubBuildBlock[80];
extern "C" const char StubBuildBlock[80] =
    "RAMAT*gan"
    "............................................................."
    "KFAR*saba";
static_assert(sizeof(StubBuildBlock) == 79 + 1, "79 characters and the terminating NUL");
