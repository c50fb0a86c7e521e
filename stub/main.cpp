// stub.exe: a thin entry over the program's libraries.
#include <windows.h>

#include <cstdlib>

#include "stub/Stub.h"
#include "util/Utils.h"

// The C++ library's default terminate handler prints demangled type names
// and drags a demangler of some 46 KB into every setup; the stub has no
// console to print to, so it ends at once instead.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    PreloadLibraries();
    return RunStub();
}
