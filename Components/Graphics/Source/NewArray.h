// Array allocation of the image component.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

// new (std::nothrow) T[count], or null when the allocation fails or the byte
// size does not fit the address space (a 32-bit program must not wrap it).
// With `zeroed` the elements are value-initialised.
template <class T>
T* NewArray(std::uint64_t count, bool zeroed = false) {
    const std::uint64_t bytes = count * sizeof(T);
    if (bytes / sizeof(T) != count || static_cast<std::size_t>(bytes) != bytes) return nullptr;
    const std::size_t n = static_cast<std::size_t>(count);
    return zeroed ? new (std::nothrow) T[n]() : new (std::nothrow) T[n];
}
