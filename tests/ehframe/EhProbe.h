// Exceptions thrown through inline functions and template instantiations:
// each one's unwind entry comes from a different piece of .eh_frame, so a
// rewritten table that lost or misplaced one shows here.
#pragma once

struct TProbeError {
    explicit TProbeError(int code) : Code(code) {}
    virtual ~TProbeError() {}
    int Code;
};
struct TProbeDerived : TProbeError {
    explicit TProbeDerived(int code) : TProbeError(code) {}
};

extern int Destroyed;   // destructors run while unwinding

struct TGuard {
    ~TGuard() { ++Destroyed; }
};

template <typename T> T Deep(T depth, T code) {
    TGuard guard;
    if (depth == 0) {
        if (code % 2) throw TProbeDerived(int(code));
        throw TProbeError(int(code));
    }
    return Deep<T>(depth - 1, code) + 1;
}

inline int ThrowThroughInline(int code) {
    TGuard guard;
    return Deep<long>(3, code) + Deep<short>(2, short(code));
}

int ThrowFromOtherUnit(int code);
