// Median of a square window, per channel, for a run of pixels at once. The window values of the
// run are laid out as planes (plane i holds window value i of every byte of the run) and pass
// through a fixed network of min/max exchanges that leaves the middle value in the middle plane.
// The network is Batcher's odd-even merge sort cut down, at compile time, to the exchanges that
// feed the middle position: it gives the same value as sorting the window and taking its middle,
// and its loops over the planes are plain enough to vectorise.
#ifndef DUOVUE_COLOR_FILTERS_MEDIAN_NETWORK_H
#define DUOVUE_COLOR_FILTERS_MEDIAN_NETWORK_H

#include <algorithm>
#include <array>
#include <cstring>

#include "filter_common.h"

namespace zenthue {

struct Exchange {
    int low;   // receives the smaller value
    int high;  // receives the larger value
};

template <int N>
struct MedianNetwork {
    static constexpr int kCapacity = N * N * 2;
    std::array<Exchange, kCapacity> exchanges{};
    int count = 0;
};

template <int N>
constexpr MedianNetwork<N> makeMedianNetwork() {
    MedianNetwork<N> all;
    for (int p = 1; p < N; p <<= 1) {
        for (int k = p; k >= 1; k >>= 1) {
            for (int j = k % p; j + k < N; j += 2 * k) {
                for (int i = 0; i < std::min(k, N - j - k); ++i) {
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p)) {
                        all.exchanges[all.count++] = Exchange{i + j, i + j + k};
                    }
                }
            }
        }
    }
    // Walk back from the middle output and keep only the exchanges whose results are used.
    std::array<bool, N> needed{};
    std::array<bool, MedianNetwork<N>::kCapacity> keep{};
    needed[N / 2] = true;
    for (int e = all.count - 1; e >= 0; --e) {
        const Exchange x = all.exchanges[e];
        if (needed[x.low] || needed[x.high]) {
            keep[e] = true;
            needed[x.low] = true;
            needed[x.high] = true;
        }
    }
    MedianNetwork<N> pruned;
    for (int e = 0; e < all.count; ++e) {
        if (keep[e]) pruned.exchanges[pruned.count++] = all.exchanges[e];
    }
    return pruned;
}

// Pixels per run; the planes of one run stay in the first-level cache.
inline constexpr int kRunPixels = 64;
inline constexpr int kRunBytes = kRunPixels * kPixelBytes;

// Smaller values of two distinct planes to the first, larger to the second. The planes never
// overlap; saying so lets the compiler work many bytes at a time.
inline void exchange(BYTE* __restrict low, BYTE* __restrict high) {
    for (int k = 0; k < kRunBytes; ++k) {
        const BYTE a = low[k];
        const BYTE b = high[k];
        low[k] = a < b ? a : b;
        high[k] = a < b ? b : a;
    }
}

// Window planes of one run of pixels. Runs are always worked in full length (unused tail bytes
// are zero) so that the exchange loops have a fixed trip count.
template <int N>
struct MedianPlanes {
    alignas(64) BYTE plane[N][kRunBytes];

    // Plane i receives `pixels` pixels of a source row, starting at pixel `first` (may be
    // negative). Pixels left of the row are zero; pixels right of it repeat the last one.
    void load(int i, const BYTE* row, int first, int pixels, int width) {
        BYTE* out = plane[i];
        int x = first;
        int k = 0;
        for (; k < pixels && x < 0; ++k, ++x) {
            out[k * 3] = 0;
            out[k * 3 + 1] = 0;
            out[k * 3 + 2] = 0;
        }
        const int inside = std::min(pixels - k, width - x);
        if (inside > 0) {
            std::memcpy(out + k * 3, row + x * 3, static_cast<size_t>(inside) * 3);
            k += inside;
        }
        const BYTE* last = row + (width - 1) * 3;
        for (; k < pixels; ++k) {
            out[k * 3] = last[0];
            out[k * 3 + 1] = last[1];
            out[k * 3 + 2] = last[2];
        }
        std::memset(out + pixels * 3, 0, static_cast<size_t>(kRunPixels - pixels) * 3);
    }

    // Leaves the median of every byte position in the middle plane and returns that plane.
    const BYTE* median() {
        static constexpr MedianNetwork<N> network = makeMedianNetwork<N>();
        for (int e = 0; e < network.count; ++e) {
            exchange(plane[network.exchanges[e].low], plane[network.exchanges[e].high]);
        }
        return plane[N / 2];
    }
};

}  // namespace zenthue

#endif  // DUOVUE_COLOR_FILTERS_MEDIAN_NETWORK_H
