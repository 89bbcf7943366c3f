// The interpolation rules of the raw-to-color conversions, written once over an operations type V
// so that the scalar code and every vector width compute the same levels. V provides, on its
// value type R of levels (non-negative, at most 255, kept in 16 bits):
//   add(a, b), absDiff(a, b), mean2(a, b) = (a + b) >> 1, mean4(a, b, c, d) = (a+b+c+d) >> 2,
//   clearlyLess(a, b) ("a + 8 < b", a condition) and select(condition, then, otherwise).
#pragma once

#define ZENTHUE_INLINE [[gnu::always_inline]] inline

namespace zenthue {

// Green at an R or B site along the direction of least change, 8 levels of hysteresis: the
// rules are tried in order and the first that holds decides ("b < a - 8" is "b + 8 < a").
// Every candidate is computed and the choice is made from the lowest priority up, so that there
// is no data-dependent jump.
template <class V, class R>
ZENTHUE_INLINE R fineGreen(R left, R right, R up, R down) {
    const R dv = V::absDiff(up, down), dh = V::absDiff(left, right);
    const R ld = V::absDiff(left, down), ru = V::absDiff(right, up);
    const R lu = V::absDiff(left, up), rd = V::absDiff(right, down);
    R g = V::mean4(left, right, up, down);
    g = V::select(V::clearlyLess(rd, lu), V::mean2(right, down), g);
    g = V::select(V::clearlyLess(lu, rd), V::mean2(left, up), g);
    g = V::select(V::clearlyLess(ru, ld), V::mean2(right, up), g);
    g = V::select(V::clearlyLess(ld, ru), V::mean2(left, down), g);
    g = V::select(V::clearlyLess(dh, dv), V::mean2(left, right), g);
    g = V::select(V::clearlyLess(dv, dh), V::mean2(up, down), g);
    return g;
}

// The mean of the four diagonal neighbours, as two means of vertical pairs.
template <class V, class R>
ZENTHUE_INLINE R diagonalMean(R ul, R dl, R ur, R dr) {
    return V::mean2(V::mean2(ul, dl), V::mean2(ur, dr));
}

// The color on the diagonals of an R or B site, chosen the same way.
template <class V, class R>
ZENTHUE_INLINE R fineDiagonal(R ul, R dl, R ur, R dr) {
    const R dLeft = V::absDiff(ul, dl), dRight = V::absDiff(ur, dr);
    const R dDown = V::absDiff(dr, dl), dUp = V::absDiff(ur, ul);
    const R dMain = V::absDiff(dr, ul), dAnti = V::absDiff(ur, dl);
    R v = diagonalMean<V>(ul, dl, ur, dr);
    v = V::select(V::clearlyLess(dAnti, dMain), V::mean2(ur, dl), v);
    v = V::select(V::clearlyLess(dMain, dAnti), V::mean2(ul, dr), v);
    v = V::select(V::clearlyLess(dUp, dDown), V::mean2(ul, ur), v);
    v = V::select(V::clearlyLess(dDown, dUp), V::mean2(dl, dr), v);
    v = V::select(V::clearlyLess(dRight, dLeft), V::mean2(ur, dr), v);
    v = V::select(V::clearlyLess(dLeft, dRight), V::mean2(ul, dl), v);
    return v;
}

// The samples around one pair (columns x and x + 1) that its levels read, border replacements
// already made: left is column x - 1 and right2 column x + 2 of the pair's row; ul and dl are
// column x - 1, u2 and d2 column x + 2 of the rows above and below (even rows read ul and dl,
// odd rows u2 and d2).
template <class R>
struct PairWindow {
    R left, c0, c1, right2;
    R ul, u0, u1, u2;
    R dl, d0, d1, d2;
};

// Red, green and blue levels of the pair's two pixels.
template <class R>
struct PairLevels {
    R r0, g0, b0;
    R r1, g1, b1;
};

// Levels of a pair of an even row (R site, then G site) or an odd row (G site, then B site), by
// the fine rules or by plain means.
template <class V, bool Fine, bool OddRow, class R>
ZENTHUE_INLINE PairLevels<R> pairLevels(const PairWindow<R>& w) {
    if constexpr (!OddRow) {
        R green, diagonal;
        if constexpr (Fine) {
            green = fineGreen<V>(w.left, w.c1, w.u0, w.d0);
            diagonal = fineDiagonal<V>(w.ul, w.dl, w.u1, w.d1);
        } else {
            green = V::mean4(w.left, w.c1, w.u0, w.d0);
            diagonal = diagonalMean<V>(w.ul, w.dl, w.u1, w.d1);
        }
        return {w.c0, green, diagonal, V::mean2(w.c0, w.right2), w.c1, V::mean2(w.u1, w.d1)};
    } else {
        R green, diagonal;
        if constexpr (Fine) {
            green = fineGreen<V>(w.c0, w.right2, w.u1, w.d1);
            diagonal = fineDiagonal<V>(w.u0, w.d0, w.u2, w.d2);
        } else {
            green = V::mean4(w.c0, w.right2, w.u1, w.d1);
            diagonal = diagonalMean<V>(w.u0, w.d0, w.u2, w.d2);
        }
        return {V::mean2(w.u0, w.d0), w.c0, V::mean2(w.left, w.c1), diagonal, green, w.c1};
    }
}

}  // namespace zenthue
