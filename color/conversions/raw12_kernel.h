// The interpolation of the diagonal 12-bit path over many pixels at once, written once over a
// level type L (vector type L::IVec of L::kLanes ints, and L::loadSamples, which widens as many
// 16-bit samples) and included by each level's source. Each lane follows the rule of its phase
// (row + column) mod 4 exactly as raw12_diagonal.cpp does for one pixel.
#pragma once

#include <cstring>

#include "engine/lanes.h"
#include "platform.h"

namespace zenthue {

// Red, green and blue levels of pixels x0 .. x0 + count - 1 of row i (count a multiple of the
// level's lanes). rows holds the byte addresses of source rows i - 2 .. i + 2; every read lies
// within x - 2 .. x + 2.
using Raw12DiagonalKernel = void (*)(const BYTE* const rows[5], int i, int x0, int count, int* red,
                                     int* green, int* blue);

// Only on x86-64 builds; 8 and 16 lanes.
Raw12DiagonalKernel raw12DiagonalKernelAvx2();
Raw12DiagonalKernel raw12DiagonalKernelAvx512();

// Vectors pass by reference: wider than the baseline's registers, they would change the calling
// convention.
template <class L>
void raw12Abs(const typename L::IVec& v, typename L::IVec& out) {
    const typename L::IVec sign = v >> 31;
    out = (v ^ sign) - sign;
}

// first where takeFirst is set, else second.
template <class L>
void raw12Pick(const typename L::IVec& takeFirst, const typename L::IVec& first,
               const typename L::IVec& second, typename L::IVec& out) {
    out = (takeFirst & first) | (~takeFirst & second);
}

template <class L>
void raw12DiagonalLanes(const BYTE* const rows[5], int i, int x0, int count, int* red, int* green,
                        int* blue) {
    using IVec = typename L::IVec;
    constexpr int W = L::kLanes;
    const BYTE *m2 = rows[0], *m1 = rows[1], *c = rows[2], *p1 = rows[3], *p2 = rows[4];
    const auto at = [](const BYTE* row, int x) { return row + 2 * std::ptrdiff_t{x}; };
    IVec lane;
    for (int k = 0; k < W; ++k) lane[k] = k;
    for (int l = 0; l < count; l += W) {
        const int x = x0 + l;
        IVec up, down, left, right, centre, far0, far1, p2r, p1rr, m1ll, m2l;
        L::loadSamples(at(m1, x), up);
        L::loadSamples(at(p1, x), down);
        L::loadSamples(at(c, x - 1), left);
        L::loadSamples(at(c, x + 1), right);
        L::loadSamples(at(c, x), centre);
        L::loadSamples(at(c, x - 2), far0);
        L::loadSamples(at(c, x + 2), far1);
        L::loadSamples(at(p2, x + 1), p2r);
        L::loadSamples(at(p1, x + 2), p1rr);
        L::loadSamples(at(m1, x - 2), m1ll);
        L::loadSamples(at(m2, x - 1), m2l);

        const IVec across = (far0 + far1) >> 1;
        const IVec vertical = (up + down) >> 1, horizontal = (left + right) >> 1;
        IVec dv, dh;
        raw12Abs<L>(up - down, dv);
        raw12Abs<L>(left - right, dh);
        IVec green0, green2;
        raw12Pick<L>(dv < dh, vertical, horizontal, green0);
        raw12Pick<L>(dh < dv, horizontal, vertical, green2);

        const IVec a = (p2r + left) >> 1, b = (p1rr + up) >> 1;
        IVec da, db, e1;
        raw12Abs<L>(up - a, da);
        raw12Abs<L>(left - b, db);
        raw12Pick<L>(da < db, (a + up) >> 1, (b + left) >> 1, e1);
        const IVec cc = (m1ll + down) >> 1, d = (m2l + right) >> 1;
        IVec dc, dd, e2;
        raw12Abs<L>(right - cc, dc);
        raw12Abs<L>(down - d, dd);
        raw12Pick<L>(dc < dd, (cc + right) >> 1, (d + down) >> 1, e2);

        const IVec phase = (lane + (i + x)) & 3;
        const IVec ph0 = phase == 0, ph1 = phase == 1, ph2 = phase == 2, ph3 = phase == 3;
        const IVec r = (ph0 & centre) | (ph1 & e1) | (ph2 & across) | (ph3 & e2);
        const IVec g = (ph0 & green0) | ((ph1 | ph3) & centre) | (ph2 & green2);
        const IVec bl = (ph0 & across) | (ph1 & e2) | (ph2 & centre) | (ph3 & e1);
        std::memcpy(red + l, &r, sizeof r);
        std::memcpy(green + l, &g, sizeof g);
        std::memcpy(blue + l, &bl, sizeof bl);
    }
}

}  // namespace zenthue
