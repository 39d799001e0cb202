// SPDX-License-Identifier: MIT
// Rounding to a 32-bit float, for the scene's formulas of more than one
// operation, whose every step is part of the show's look. The camera and
// the tests call it. i386's x87 keeps intermediate results in 80 bits, and
// g++ before 13 does not round them for C++ even when asked to; a store to
// memory does. Where floats are evaluated as floats it is the value itself.
#pragma once

#include <cfloat>

inline float float32(float value) {
#if FLT_EVAL_METHOD == 0
    return value;
#else
    volatile float stored = value;
    return stored;
#endif
}
