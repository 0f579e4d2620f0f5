// TCollectionIterator: a current position inside a collection that can be set
// and moved, and TCollectionVisitor, the callback of ForEach.
#pragma once

#include <algorithm>

template <class T> class TCollection;

// Called by ForEach for each element of a run; answer nonzero to go on, zero
// to stop.
template <class T>
class TCollectionVisitor {
public:
    virtual ~TCollectionVisitor() = default;
    virtual unsigned short Visit(T* element) = 0;
};

template <class T>
class TCollectionIterator {
public:
    enum TDirection { Forward = 0, Backward = 1 };

    explicit TCollectionIterator(TCollection<T>* collection) : Collection(collection) {}
    TCollectionIterator(const TCollectionIterator&) = delete;
    TCollectionIterator& operator=(const TCollectionIterator&) = delete;
    virtual ~TCollectionIterator() = default;

    virtual void SetPosition(unsigned int position) = 0;
    // Moves `steps` elements in `direction`; answers false and stays when the
    // move would leave the collection.
    virtual bool Move(unsigned int steps, int direction) = 0;
    virtual bool IsFirst() { return GetPosition() == 0; }
    virtual bool IsLast() { return Collection->GetCount() - GetPosition() == 1; }
    virtual unsigned int GetPosition() = 0;
    virtual T* Current() = 0;

    // Visits up to `count` elements from `start` on, in order, until the
    // visitor answers false. Answers the length of the run that was offered:
    // min(count, items behind start), or 0 for a null visitor or a start
    // beyond the last item. The position is not touched.
    virtual unsigned int ForEach(TCollectionVisitor<T>* visitor, unsigned int start, unsigned int count) {
        const unsigned int items = Collection->GetCount();
        if (!visitor || start >= items) return 0;
        const unsigned int run = std::min(count, items - start);
        for (unsigned int i = 0; i < run; ++i)
            if (!visitor->Visit(Collection->At(start + i))) break;
        return run;
    }

protected:
    // Called with true before and false after every change of the position.
    virtual void NotifyPosition(bool /*starting*/) {}

    TCollection<T>* Collection;
};
