// Throws through frames of two translation units and checks where each
// exception lands (see EhProbe.h). Exit status 0: every one was caught where
// it should be, with its destructors run.
#include "EhProbe.h"

#include <cstdio>
#include <exception>
#include <initializer_list>
#include <new>

int Destroyed = 0;

namespace {
int failures = 0;

void Expect(bool condition, const char* what) {
    if (!condition) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

// Frames the compaction must keep or may drop: one that calls only through a
// pointer (an indirect call is a call) and one that only jumps on to the
// thrower (a tail call leaves no frame of its own behind).
int (*volatile Thrower)(int) = ThrowFromOtherUnit;

__attribute__((noinline)) int CallThroughPointer(int code) { return Thrower(code) * 3; }

__attribute__((noinline)) int TailCall(int code) { return ThrowFromOtherUnit(code); }

int Rethrow(int code) {
    try {
        return ThrowThroughInline(code);
    } catch (TProbeError& e) {
        e.Code += 100;
        throw;
    }
}
}  // namespace

int main() {
    for (int code = 0; code < 4; ++code) {
        Destroyed = 0;
        try {
            ThrowThroughInline(code);
            Expect(false, "ThrowThroughInline returned");
        } catch (const TProbeDerived& e) {
            Expect(code % 2 == 1 && e.Code == code, "derived caught for an odd code");
        } catch (const TProbeError& e) {
            Expect(code % 2 == 0 && e.Code == code, "base caught for an even code");
        }
        Expect(Destroyed == 5, "four template frames and the inline frame unwound");
    }
    try {
        Rethrow(7);
        Expect(false, "Rethrow returned");
    } catch (const TProbeDerived& e) {
        Expect(e.Code == 107, "rethrown exception keeps its change");
    }
    try {
        ThrowFromOtherUnit(2);
        Expect(false, "ThrowFromOtherUnit returned");
    } catch (const TProbeError& e) {
        Expect(e.Code == 2, "thrown in the other unit, caught here");
    }
    for (int (*through)(int) : {CallThroughPointer, TailCall}) {
        Destroyed = 0;
        try {
            through(5);
            Expect(false, "a call through a pointer or a tail call returned");
        } catch (const TProbeDerived& e) {
            Expect(e.Code == 5 && Destroyed == 3, "thrown through a pointer call or a tail call");
        }
    }
    try {
        char* huge = new char[0x7FFFFFF0u];
        delete[] huge;
        Expect(false, "a 2 GB allocation succeeded");
    } catch (const std::bad_alloc&) {
    }
    // An exception thrown while another is being handled, both alive at once.
    try {
        try {
            throw TProbeError(1);
        } catch (const TProbeError& outer) {
            try {
                throw TProbeDerived(outer.Code + 1);
            } catch (const TProbeError& inner) {
                Expect(outer.Code == 1 && inner.Code == 2, "nested exceptions keep their values");
                throw;
            }
        }
    } catch (const TProbeDerived& e) {
        Expect(e.Code == 2, "the inner exception rethrown from a nested handler");
    }
    Expect(!std::uncaught_exceptions(), "no exception left uncaught");
    std::printf("%s\n", failures ? "exceptions: FAILED" : "exceptions: all caught where expected");
    return failures ? 1 : 0;
}
