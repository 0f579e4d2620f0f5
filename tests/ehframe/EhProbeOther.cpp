// The second translation unit of the exception probe: the same templates
// instantiated here too, and a frame with its own catch that does not match.
#include "EhProbe.h"

namespace {
struct TOther {};
}

int ThrowFromOtherUnit(int code) {
    try {
        return Deep<long>(2, code) + Deep<int>(1, code);
    } catch (const TOther&) {
        return -1;
    }
}
