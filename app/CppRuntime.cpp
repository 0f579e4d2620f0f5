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
//
// Finding a function's unwind entry: the runtime's own finder sorts the
// entries into a search tree on the first throw, under a lock, with some
// 9 KB of code. The program throws rarely, so its finder walks the table the
// start-up code registered (a few hundred entries, a few microseconds a
// frame).
#include <cstdint>
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

// Unwind entries. The start-up code registers the program's table (the
// .eh_frame section, up to its zero terminator) with __register_frame_info;
// the unwinder asks _Unwind_Find_FDE for the entry (FDE) covering a return
// address, and reads it with the pointer encodings of its common header (CIE).
namespace {
struct TUnwindBases {   // the unwinder's struct dwarf_eh_bases
    void* TextBase;
    void* DataBase;
    void* Function;
};

constexpr int kTables = 4;
const unsigned char* g_tables[kTables];
void* g_tableObjects[kTables];

std::uint32_t Read32(const unsigned char* at) {
    std::uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

const unsigned char* SkipLeb128(const unsigned char* at) {
    while (*at++ & 0x80) {
    }
    return at;
}

// Bytes of a pointer in `encoding` (DW_EH_PE_*), 0 for LEB128 forms.
int PointerSize(unsigned encoding) {
    switch (encoding & 0x0F) {
    case 0x00: case 0x03: case 0x0B: return 4;
    case 0x02: case 0x0A: return 2;
    case 0x04: case 0x0C: return 8;
    default: return 0;
    }
}

// The encoding of the function addresses in the FDEs of `cie`, or -1 when it
// is one this finder does not read.
int FdeEncoding(const unsigned char* cie) {
    const char* augmentation = reinterpret_cast<const char*>(cie + 9);
    const unsigned char* at = cie + 9 + std::strlen(augmentation) + 1;
    if (augmentation[0] != 'z')
        return augmentation[0] == 0 ? 0x00 : -1;
    at = SkipLeb128(at);                                   // code alignment
    at = SkipLeb128(at);                                   // data alignment
    at = cie[8] == 1 ? at + 1 : SkipLeb128(at);            // return address column
    at = SkipLeb128(at);                                   // augmentation length
    for (const char* letter = augmentation + 1; *letter; ++letter) {
        if (*letter == 'R')
            return *at;
        if (*letter == 'L') {
            ++at;
        } else if (*letter == 'P') {
            const int size = PointerSize(*at);
            if (size == 0)
                return -1;
            at += 1 + size;
        } else if (*letter != 'S') {
            return -1;
        }
    }
    return 0x00;
}

// Reads a function address or length; false for a form not read here.
bool ReadEncoded(const unsigned char* at, int encoding, std::uintptr_t& value) {
    switch (encoding & 0x0F) {
    case 0x00: case 0x03: case 0x0B: value = Read32(at); break;
    default: return false;
    }
    switch (encoding & 0x70) {
    case 0x00: return true;
    case 0x10: value += reinterpret_cast<std::uintptr_t>(at); return true;
    default: return false;
    }
}

const unsigned char* FindIn(const unsigned char* table, std::uintptr_t pc, TUnwindBases* bases) {
    const unsigned char* lastCie = nullptr;
    int encoding = -1;
    for (const unsigned char* entry = table;; ) {
        const std::uint32_t length = Read32(entry);
        if (length == 0 || length == 0xFFFFFFFFu)
            return nullptr;
        const std::uint32_t id = Read32(entry + 4);
        if (id != 0) {
            const unsigned char* cie = entry + 4 - id;
            if (cie != lastCie) {
                lastCie = cie;
                encoding = FdeEncoding(cie);
            }
            std::uintptr_t begin, range;
            if (encoding >= 0 && ReadEncoded(entry + 8, encoding, begin) &&
                ReadEncoded(entry + 8 + PointerSize(encoding), encoding & 0x0F, range) && pc - begin < range) {
                bases->TextBase = nullptr;
                bases->DataBase = nullptr;
                bases->Function = reinterpret_cast<void*>(begin);
                return entry;
            }
        }
        entry += 4 + length;
    }
}
}  // namespace

extern "C" {
void __register_frame_info(const void* table, void* object) {
    if (table == nullptr || Read32(static_cast<const unsigned char*>(table)) == 0)
        return;
    for (int i = 0; i < kTables; ++i)
        if (g_tables[i] == nullptr) {
            g_tables[i] = static_cast<const unsigned char*>(table);
            g_tableObjects[i] = object;
            return;
        }
    std::abort();   // more tables than any program of this kind registers
}

void* __deregister_frame_info(const void* table) {
    for (int i = 0; i < kTables; ++i)
        if (g_tables[i] != nullptr && g_tables[i] == table) {
            g_tables[i] = nullptr;
            return g_tableObjects[i];
        }
    return nullptr;
}

const void* _Unwind_Find_FDE(void* pc, TUnwindBases* bases) {
    for (int i = 0; i < kTables; ++i)
        if (g_tables[i] != nullptr)
            if (const unsigned char* entry = FindIn(g_tables[i], reinterpret_cast<std::uintptr_t>(pc), bases))
                return entry;
    return nullptr;
}
}
