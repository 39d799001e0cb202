// SPDX-License-Identifier: MIT
// The allocation count on Linux: this malloc stands in front of the C
// library's for the whole process.
#include <dlfcn.h>

#include <cstddef>

#include "allocations.h"

long allocations;

#ifndef __SANITIZE_ADDRESS__
extern "C" void *malloc(size_t size) {
    static auto real = reinterpret_cast<void *(*)(size_t)>(dlsym(RTLD_NEXT, "malloc"));
    allocations++;
    return real(size);
}
#endif
