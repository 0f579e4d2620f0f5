#include "collection.h"

const char* CollectionErrorText(int code) {
    switch (code) {
    case CollectionGeneralFailure: return "General failure";
    case CollectionNoMemory: return "Unable to allocate memory";
    case CollectionOverLimit: return "Attempt to add more items than capacity allows";
    case CollectionUnderflow: return "Attempt to remove more items than contained";
    case CollectionOutOfBounds: return "Attempt to operate out of bounds";
    default: return nullptr;
    }
}

const char* TraversalErrorText(int code) {
    switch (code) {
    case TraversalEmptyCollection: return "Attempt to operate on empty collection";
    case TraversalOutOfBounds: return "Attempt to operate out of bounds";
    default: return nullptr;
    }
}

void ThrowCollectionException(int code, const char* source, const char* module, int line) {
    throw TCollectionException(code, source, module, line, CollectionErrorText(code));
}

void ThrowIteratorException(int code, const char* source, const char* module, int line) {
    throw TCollectionIteratorException(code, source, module, line, TraversalErrorText(code));
}

void ThrowSearcherException(int code, const char* source, const char* module, int line) {
    throw TCollectionSearcherException(code, source, module, line, TraversalErrorText(code));
}
