// Parts of the static C++ runtime that the program replaces with smaller
// ones of its own (linked into the program only; the tests keep the
// runtime's).
//
// An exception that nothing catches ends the program in
// __verbose_terminate_handler. The runtime's own names the exception's type on
// the standard error, which a windowed program does not have, and brings a
// demangler of some 45 KB along.
//
// The containers report impossible requests through the std::__throw_...
// functions. The runtime's throw std::logic_error and its relatives, whose
// message strings pull in a second, copy-on-write std::string with all its
// members (about 60 KB). Here the exceptions without a message keep their
// standard types; the others become the component library's exception with
// the message as its description, which the framework's report shows. Nothing
// in the program catches the standard types by name. Every function of the
// runtime's file is defined here: one left out would bring that file back and
// the link would fail on the duplicates.
//
// Exception objects: the runtime's allocator sets up an emergency pool of
// some 9 KB of heap at start for exceptions thrown when memory has run out,
// guarded by a lock, and keeps each thread's exception state in thread-local
// storage; with them come the thread and thread-local support of the runtime
// (about 7 KB of code in all). The program has one thread and throws small
// objects: a few fixed slots serve as its emergency pool, and the exception
// state is one static record.
#include <cxxabi.h>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <typeinfo>
#include "ExceptionBase.h"

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

namespace {
[[noreturn]] void ThrowLibraryError(const char* message) {
    throw TExceptionBase("C++ library", nullptr, 0, message, nullptr);
}
}  // namespace

namespace std {
void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* message) { ThrowLibraryError(message); }
void __throw_domain_error(const char* message) { ThrowLibraryError(message); }
void __throw_invalid_argument(const char* message) { ThrowLibraryError(message); }
void __throw_length_error(const char* message) { ThrowLibraryError(message); }
void __throw_out_of_range(const char* message) { ThrowLibraryError(message); }
void __throw_out_of_range_fmt(const char* format, ...) { ThrowLibraryError(format); }
void __throw_runtime_error(const char* message) { ThrowLibraryError(message); }
void __throw_range_error(const char* message) { ThrowLibraryError(message); }
void __throw_overflow_error(const char* message) { ThrowLibraryError(message); }
void __throw_underflow_error(const char* message) { ThrowLibraryError(message); }
}  // namespace std

namespace {
// The runtime's headers in front of every exception object (GCC 12, i686:
// __cxa_refcounted_exception and __cxa_dependent_exception, as its own
// allocator uses them), which the runtime fills in after allocation.
constexpr std::size_t kExceptionHeader = 0x60;
constexpr std::size_t kDependentException = 0x50;

// The emergency slots: enough for the program's exceptions (the largest is a
// few dozen bytes) while one is being handled and another thrown.
constexpr std::size_t kSlotSize = 256;
constexpr int kSlots = 4;
alignas(16) unsigned char g_slots[kSlots][kSlotSize];
bool g_slotUsed[kSlots];

void* Allocate(std::size_t size) {
    void* block = std::malloc(size);
    for (int i = 0; block == nullptr && i < kSlots; ++i)
        if (!g_slotUsed[i] && size <= kSlotSize) {
            g_slotUsed[i] = true;
            block = g_slots[i];
        }
    if (block == nullptr)
        std::terminate();   // as the runtime does when its pool is exhausted too
    return block;
}

void Release(void* block) {
    for (int i = 0; i < kSlots; ++i)
        if (block == g_slots[i]) {
            g_slotUsed[i] = false;
            return;
        }
    std::free(block);
}

// __cxa_eh_globals: the exceptions being handled, and how many are thrown
// and not yet caught.
struct TExceptionState {
    void* CaughtExceptions;
    unsigned int UncaughtExceptions;
} g_exceptionState;
}  // namespace

extern "C" {
void* __cxa_allocate_exception(std::size_t size) noexcept {
    unsigned char* block = static_cast<unsigned char*>(Allocate(kExceptionHeader + size));
    std::memset(block, 0, kExceptionHeader);
    return block + kExceptionHeader;
}

void __cxa_free_exception(void* object) noexcept {
    Release(static_cast<unsigned char*>(object) - kExceptionHeader);
}

__cxxabiv1::__cxa_dependent_exception* __cxa_allocate_dependent_exception() noexcept {
    void* block = Allocate(kDependentException);
    std::memset(block, 0, kDependentException);
    return static_cast<__cxxabiv1::__cxa_dependent_exception*>(block);
}

void __cxa_free_dependent_exception(__cxxabiv1::__cxa_dependent_exception* exception) noexcept {
    Release(exception);
}

__cxxabiv1::__cxa_eh_globals* __cxa_get_globals() noexcept {
    return reinterpret_cast<__cxxabiv1::__cxa_eh_globals*>(&g_exceptionState);
}

__cxxabiv1::__cxa_eh_globals* __cxa_get_globals_fast() noexcept {
    return reinterpret_cast<__cxxabiv1::__cxa_eh_globals*>(&g_exceptionState);
}
}

namespace __gnu_cxx {
void __freeres() {}
}  // namespace __gnu_cxx
