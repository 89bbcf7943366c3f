// The vector median kernel, written once over an operations type V (its register type Vec, its
// width kBytes, loadu, min, max and storeu) and included by each level's source.
#pragma once

#include <cstring>
#include <utility>

#include "median_network.h"

namespace zenthue {

template <class V, int Low, int High>
[[gnu::always_inline]] inline void exchangeAt(typename V::Vec* v) {
    const typename V::Vec a = v[Low];
    v[Low] = V::min(a, v[High]);
    v[High] = V::max(a, v[High]);
}

// The median network with every index a constant, so that the window stays in registers.
template <class V, int N, std::size_t... E>
[[gnu::always_inline]] inline void sortForMedian(typename V::Vec* v, std::index_sequence<E...>) {
    static constexpr MedianNetwork<N* N> network = makeMedianNetwork<N * N>();
    (exchangeAt<V, network.exchanges[E].low, network.exchanges[E].high>(v), ...);
}

template <class V, int N>
void medianBytes(const BYTE* const* rows, BYTE* out, int bytes) {
    static constexpr int kExchanges = makeMedianNetwork<N * N>().count;
    for (int j = 0; j < bytes; j += V::kBytes) {
        typename V::Vec v[N * N];
        for (int r = 0; r < N; ++r) {
            for (int c = 0; c < N; ++c) v[r * N + c] = V::loadu(rows[r] + j + 3 * c);
        }
        sortForMedian<V, N>(v, std::make_index_sequence<kExchanges>{});
        if (bytes - j >= V::kBytes) {
            V::storeu(out + j, v[N * N / 2]);
        } else {
            alignas(64) BYTE last[V::kBytes];
            V::storeu(last, v[N * N / 2]);
            std::memcpy(out + j, last, static_cast<std::size_t>(bytes - j));
        }
    }
}

}  // namespace zenthue
