// The one-shot white balance on wide and odd rows: the gains depend on the three truncated site
// averages alone, so a frame must give the gains of a flat mosaic of its averages.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/frame_fixture.h"

using namespace enginetest;

namespace {

std::vector<int> oneShotGains(Frame& f) {
    identityTables(2);
    f.bind();
    GetRawColorFrame(f.width, f.height);
    const ColorGainRecord rec = gains();
    return {rec.redGain, rec.greenGain, rec.blueGain};
}

// Red, green and blue averages of the RGGB mosaic, truncated.
std::vector<int> siteAverages(Frame& f) {
    int64_t sum[3] = {}, count[3] = {};
    for (int r = 0; r < f.height; ++r)
        for (int c = 0; c < f.width; ++c) {
            const int site = r % 2 == 0 ? (c % 2 == 0 ? 0 : 1) : (c % 2 == 0 ? 1 : 2);
            sum[site] += f.at(r, c);
            ++count[site];
        }
    return {int(sum[0] / count[0]), int(sum[1] / count[1]), int(sum[2] / count[2])};
}

}  // namespace

TEST(WhiteBalance, OneShotAveragesCoverEveryColumnOfWideAndOddRows) {
    std::mt19937 rng(4103);
    for (int width : {2, 3, 7, 8, 9, 15, 16, 17, 31, 2047, 2048, 2049, 2057, 4103, 4104}) {
        for (int height : {3, 4}) {
            for (int trial = 0; trial < 4; ++trial) {
                Frame f(width, height, 2);
                // Site levels far apart, so the averages steer the gains, with some noise.
                const int level[3] = {int(rng() % 200), int(rng() % 200), int(rng() % 200)};
                const int spread = trial == 0 ? 56 : 8;
                for (int r = 0; r < height; ++r)
                    for (int c = 0; c < width; ++c) {
                        const int site = r % 2 == 0 ? (c % 2 == 0 ? 0 : 1) : (c % 2 == 0 ? 1 : 2);
                        f.at(r, c) = BYTE(level[site] + rng() % spread);
                    }
                const auto avg = siteAverages(f);
                Frame flat(6, 4, 2);
                flat.mosaic(BYTE(avg[0]), BYTE(avg[1]), BYTE(avg[2]));
                ASSERT_EQ(oneShotGains(f), oneShotGains(flat)) << width << " x " << height;
            }
        }
    }
}

TEST(WhiteBalance, OneShotSumsOfFullLevelsDoNotOverflow) {
    // Every red site at 255 and the others lower: a sum that lost a carry anywhere would lower
    // red's average and its gain.
    for (int width : {2048, 4103, 6000}) {
        Frame f(width, 3, 2);
        f.mosaic(255, 200, 150);
        Frame flat(6, 4, 2);
        flat.mosaic(255, 200, 150);
        EXPECT_EQ(oneShotGains(f), oneShotGains(flat)) << width;
    }
}
