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
#include <cxxabi.h>
#include <cstdlib>
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
