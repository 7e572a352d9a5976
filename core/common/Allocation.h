#pragma once
// The core's one rule for running out of memory. A buffer whose size comes from outside
// (a file's length, a payload's length) is taken with TryAllocateArray, and not getting
// it is an ordinary failure of the operation (a loader returns 0, a request its status):
// bad input must never end the program. Every other allocation is small and of fixed
// size (a channel, a few texts in a container); it throws std::bad_alloc, which nothing
// catches, since a process that cannot get a few bytes cannot go on showing a window.
#include <cstddef>
#include <memory>
#include <new>

namespace tessmo {

// `count` default-initialised elements, or null when they cannot be had.
template <typename T>
std::unique_ptr<T[]> TryAllocateArray(std::size_t count) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[count]);
}

}  // namespace tessmo
