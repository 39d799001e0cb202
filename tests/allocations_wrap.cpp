// SPDX-License-Identifier: MIT
// The allocation count on Windows and in the browser, where a program
// cannot stand in front of the C library's malloc: the test program is
// linked with --wrap=malloc, so that every call of malloc in its own code
// and in the C++ library linked into it (operator new among them) comes
// here. Calls made inside DLLs are not counted; the scene makes none.
#include <cstddef>

#include "allocations.h"

long allocations;

extern "C" void *__real_malloc(size_t size);

extern "C" void *__wrap_malloc(size_t size) {
    allocations++;
    return __real_malloc(size);
}
