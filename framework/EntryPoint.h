#pragma once
// A function found by name at run time (GetProcAddress, wglGetProcAddress) as its own type. The cast
// goes through the generic function pointer type, the one a cast between function types may pass
// through without a compiler's warning about incompatible function types.
#include <windows.h>

template <typename Fn>
Fn EntryPointAs(FARPROC found) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(found));
}
