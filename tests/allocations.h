// SPDX-License-Identifier: MIT
// Every allocation of the test program, counted: every malloc, and so
// every operator new. allocations_posix.cpp counts them on Linux, and
// allocations_wrap.cpp on Windows and in the browser. The sanitizers bring allocators of
// their own, and there nothing is counted.
#pragma once

extern long allocations;
