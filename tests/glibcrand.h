// SPDX-License-Identifier: MIT
// glibc's rand, for the tests that check the scene against digests
// recorded with it, on a system whose own rand is another generator.
#pragma once

void glibcsrand(unsigned seed);
int glibcrand();
