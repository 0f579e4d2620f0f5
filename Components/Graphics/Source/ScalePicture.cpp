// Resampling of 24-bit pictures: one pass along each row into an intermediate
// row of the target's width, then one pass down the columns.
//
// The intermediate rows hold each channel as a 16-bit value times 256, so the
// rows add up without losing the fractions of the first pass. Only the rows
// the current target row needs are kept (two, plus one row of column sums).
//
// Shrinking works in exact integer units: along an axis of `s` source and `d`
// target pixels, a source pixel is `d` units long and a target pixel `s` units,
// so every overlap is a whole number. A target pixel covers a partial first
// source pixel, some whole ones (weight `d` each) and a partial last one; its
// sum of weights is `s`, and one multiplication by a fixed-point reciprocal of
// `s` turns the weighted sum into the average.
#include "ScalePicture.h"

#include <cstring>
#include <memory>

#include "NewArray.h"

namespace {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;

// x * numerator / denominator, rounded, for every x up to `largest`: a
// multiplier of at most 24 bits and a shift, so that x times the multiplier
// fits 64 bits. Exact to far below one unit of the results used here.
struct TRatio {
    u32 Multiplier = 0;
    unsigned Shift = 0;
    TRatio(u64 numerator, u64 denominator, u64 largest) {
        unsigned bits = 0;
        while (bits < 64 && (largest >> bits)) ++bits;
        const u64 limit = u64(1) << (bits + 24 <= 63 ? 24 : 63 - bits);
        while (Shift < 62 && (numerator << (Shift + 1)) >> (Shift + 1) == numerator &&
               (numerator << (Shift + 1)) / denominator < limit)
            ++Shift;
        Multiplier = u32(((numerator << Shift) + denominator / 2) / denominator);
    }
    template <class T>
    u32 operator()(T x) const {
        return u32((u64(x) * Multiplier + (u64(1) << Shift >> 1)) >> Shift);
    }
};

// How one target pixel along a shrinking axis covers the source: the partial
// first source pixel `First` with weight `FirstWeight`, `Whole` pixels of
// weight d after it, then one last pixel of weight `LastWeight`.
struct TSpan {
    u32 First;
    u32 FirstWeight;
    u32 Whole;
    u32 LastWeight;
};

TSpan SpanOf(u32 i, u32 s, u32 d) {
    // Target pixel i covers units [i*s, (i+1)*s); source pixel j covers [j*d, (j+1)*d).
    const u64 begin = u64(i) * s, end = begin + s;
    const u64 first = begin / d, last = (end - 1) / d;  // last > first since s > d
    TSpan span;
    span.First = u32(first);
    span.FirstWeight = u32((first + 1) * d - begin);
    span.Whole = u32(last - first - 1);
    span.LastWeight = u32(end - last * d);
    return span;
}

// Where target pixel i of an enlarged axis samples the source, in 1/256 of a
// source pixel: centres aligned, clamped to the outermost source pixels.
struct TSample {
    u32 Index;     // left (upper) source pixel
    u32 Next;      // right (lower) source pixel, Index at the edge
    u32 Fraction;  // 0..255, weight of Next
};

TSample SampleOf(u32 i, u32 s, u32 d) {
    // Centre of target pixel i in source pixels: (i + 0.5) * s / d - 0.5.
    const std::int64_t num = (2 * std::int64_t(i) + 1) * s - d;  // times 1 / (2d)
    std::int64_t pos = num * 256 / (2 * std::int64_t(d));         // in 1/256
    if (num < 0) pos = 0;
    const std::int64_t limit = std::int64_t(s - 1) * 256;
    if (pos > limit) pos = limit;
    TSample sample;
    sample.Index = u32(pos >> 8);
    sample.Fraction = u32(pos & 255);
    sample.Next = sample.Index + 1 < s ? sample.Index + 1 : sample.Index;
    return sample;
}

// The pass along the rows: source row -> intermediate row (values times 256).
class THorizontal {
public:
    THorizontal(u32 s, u32 d) : S(s), D(d), Ratio(256, s, u64(s) * 255) {}

    bool Prepare() {
        if (D < S) {
            Spans.reset(NewArray<TSpan>(D));
            if (!Spans) return false;
            for (u32 i = 0; i < D; ++i) Spans[i] = SpanOf(i, S, D);
            // The weighted sum of a target pixel is at most 255 * s.
            Wide = u64(S) * 255 > 0xFFFFFFFFu;
        } else if (D > S) {
            Samples.reset(NewArray<TSample>(D));
            if (!Samples) return false;
            for (u32 i = 0; i < D; ++i) Samples[i] = SampleOf(i, S, D);
        }
        return true;
    }

    void Run(const u8* in, u16* out) const {
        if (D < S) {
            if (Wide)
                Shrink<u64>(in, out);
            else
                Shrink<u32>(in, out);
        } else if (D > S) {
            for (u32 i = 0; i < D; ++i) {
                const TSample& t = Samples[i];
                const u8* a = in + 3 * u64(t.Index);
                const u8* b = in + 3 * u64(t.Next);
                const u32 f = t.Fraction, g = 256 - f;
                out[0] = u16(a[0] * g + b[0] * f);
                out[1] = u16(a[1] * g + b[1] * f);
                out[2] = u16(a[2] * g + b[2] * f);
                out += 3;
            }
        } else {
            for (u64 i = 0; i < 3 * u64(D); ++i) out[i] = u16(in[i] << 8);
        }
    }

private:
    template <class Sum>
    void Shrink(const u8* in, u16* out) const {
        for (u32 i = 0; i < D; ++i) {
            const TSpan& t = Spans[i];
            const u8* p = in + 3 * u64(t.First);
            Sum r = 0, g = 0, b = 0;
            const u8* q = p + 3;
            for (u32 n = t.Whole; n; --n, q += 3) {
                r += q[0];
                g += q[1];
                b += q[2];
            }
            r = r * D + Sum(p[0]) * t.FirstWeight + Sum(q[0]) * t.LastWeight;
            g = g * D + Sum(p[1]) * t.FirstWeight + Sum(q[1]) * t.LastWeight;
            b = b * D + Sum(p[2]) * t.FirstWeight + Sum(q[2]) * t.LastWeight;
            out[0] = u16(Ratio(r));
            out[1] = u16(Ratio(g));
            out[2] = u16(Ratio(b));
            out += 3;
        }
    }

    u32 S, D;
    TRatio Ratio;  // weighted sum -> value times 256
    bool Wide = false;
    std::unique_ptr<TSpan[]> Spans;
    std::unique_ptr<TSample[]> Samples;
};

// Intermediate rows of the source, made on demand; the two made last are kept,
// so each source row passes through the first pass once.
class TRowCache {
public:
    TRowCache(const TPicture& source, const THorizontal& horizontal, u32 width)
        : Source(source), Horizontal(horizontal), Count(3 * u64(width)) {}

    bool Prepare() {
        for (auto& row : Rows) {
            row.reset(NewArray<u16>(Count));
            if (!row) return false;
        }
        return true;
    }

    const u16* Row(u32 index) {
        for (int k = 0; k < 2; ++k)
            if (Index[k] == index) {
                Recent = k;
                return Rows[k].get();
            }
        const int k = 1 - Recent;  // replace the one used less recently
        Horizontal.Run(Source.GetPixels() + u64(index) * 3 * Source.GetWidth(), Rows[k].get());
        Index[k] = index;
        Recent = k;
        return Rows[k].get();
    }

private:
    const TPicture& Source;
    const THorizontal& Horizontal;
    u64 Count;
    std::unique_ptr<u16[]> Rows[2];
    u32 Index[2] = {~u32(0), ~u32(0)};
    int Recent = 1;
};

u8 Clamp(u32 v) { return u8(v > 255 ? 255 : v); }

// The pass down the columns for a shrinking height: s source rows -> d rows.
// Sum holds a target pixel's weighted sum, at most 65,280 * s.
template <class Sum>
bool ShrinkRows(TRowCache& rows, u32 s, u32 d, u64 count, TPicture& target) {
    std::unique_ptr<Sum[]> sums(NewArray<Sum>(count));
    if (!sums) return false;
    const TRatio ratio(1, u64(s) * 256, u64(s) * 65280);
    Sum* acc = sums.get();
    for (u32 y = 0; y < d; ++y) {
        const TSpan t = SpanOf(y, s, d);
        // The first row is often the previous target row's last: take it
        // while it is still among the kept rows.
        const u16* h = rows.Row(t.First);
        for (u64 i = 0; i < count; ++i) acc[i] = Sum(h[i]) * t.FirstWeight;
        for (u32 n = 0; n < t.Whole; ++n) {
            h = rows.Row(t.First + 1 + n);
            for (u64 i = 0; i < count; ++i) acc[i] += Sum(h[i]) * d;
        }
        h = rows.Row(t.First + 1 + t.Whole);
        u8* out = target.GetPixels() + u64(y) * count;
        for (u64 i = 0; i < count; ++i) out[i] = Clamp(ratio(acc[i] + Sum(h[i]) * t.LastWeight));
    }
    return true;
}

}  // namespace

bool ScalePicture(const TPicture& source, std::uint32_t width, std::uint32_t height, TPicture& target) {
    const u32 sw = source.GetWidth(), sh = source.GetHeight();
    if (width == 0 || height == 0 || source.IsEmpty() || sw == 0 || sh == 0) return false;
    TPicture result;
    if (!result.Create(width, height)) return false;
    const u64 count = 3 * u64(width);

    if (sw == width && sh == height) {
        std::memcpy(result.GetPixels(), source.GetPixels(), count * height);
        target = std::move(result);
        return true;
    }

    THorizontal horizontal(sw, width);
    if (!horizontal.Prepare()) return false;
    TRowCache rows(source, horizontal, width);
    if (!rows.Prepare()) return false;

    if (height < sh) {
        const bool wide = u64(sh) * 65280 > 0xFFFFFFFFu;
        if (!(wide ? ShrinkRows<u64>(rows, sh, height, count, result)
                   : ShrinkRows<u32>(rows, sh, height, count, result)))
            return false;
    } else if (height > sh) {
        for (u32 y = 0; y < height; ++y) {
            const TSample t = SampleOf(y, sh, height);
            const u16* a = rows.Row(t.Index);
            const u16* b = rows.Row(t.Next);
            const u32 f = t.Fraction, g = 256 - f;
            u8* out = result.GetPixels() + u64(y) * count;
            for (u64 i = 0; i < count; ++i) out[i] = Clamp((a[i] * g + b[i] * f + 32768) >> 16);
        }
    } else {
        for (u32 y = 0; y < height; ++y) {
            const u16* h = rows.Row(y);
            u8* out = result.GetPixels() + u64(y) * count;
            for (u64 i = 0; i < count; ++i) out[i] = Clamp((h[i] + 128u) >> 8);
        }
    }
    target = std::move(result);
    return true;
}
