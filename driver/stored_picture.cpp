// Pictures out of the downloaded store: unpacking an item into the work image, its gray
// picture, its color picture with the driver's clean-up, and scaling of finished pictures.
#include <cstring>

#include "driver_internal.h"
#include "store_table.h"
#include "zentdrv.h"
#include "zenthue.h"

namespace zentdrv {

namespace {

// Unpacks item `index` into the work image and removes the camera's complement (or the
// noise). False, with nothing touched, when the item has no samples or does not fit the store.
bool UnpackItem(int index, int& width, int& height) {
    DriverState& st = driverState();
    if (st.storeBase == nullptr || st.workBase == nullptr) return false;
    StoredItem item{};
    if (!LocateItem(st, index, item)) return false;

    const RowView work = WorkView();
    UnpackHalves(st.storeBase + item.offset, work, item.width, item.height);
    if (st.fpnOn && st.noiseBase != nullptr) {
        SubtractNoiseStored(work, NoiseView(), item.width, item.height);
    } else {
        ComplementFrame(work, item.width, item.height);
    }
    width = item.width;
    height = item.height;
    return true;
}

}  // namespace

}  // namespace zentdrv

using namespace zentdrv;

extern "C" {

int GetRawImage(BYTE** outRows, void* /*reserved*/, int index) {
    if (outRows == nullptr) return 0;
    int w = 0;
    int h = 0;
    if (!UnpackItem(index, w, h)) return 0;
    DriverState& st = driverState();
    CutBadPixel(st.workRows, w, h);
    if (st.displayType == 1) {
        for (int r = 0; r < h; ++r) std::memcpy(outRows[r], st.workRows[r], w);
    } else {
        // The caller's rows hold the picture at its display depth.
        const int bytes = w * (st.displayType == 3 ? 3 : 2);
        GrayToDisplay(WorkView(), RowView{outRows, w, h, bytes}, w, h);
    }
    return 1;
}

int GetColorImage(BYTE** outRows, BITMAPINFOHEADER* outHeader, int index) {
    if (outRows == nullptr || outHeader == nullptr) return 0;
    DriverState& st = driverState();
    StoredItem item{};
    if (!LocateItem(st, index, item)) return 0;
    // The engine lays its output rows out from the header: it must hold the whole item.
    if (outHeader->biBitCount != 24 || outHeader->biWidth < item.width ||
        outHeader->biHeight < item.height) {
        return 0;
    }
    int w = 0;
    int h = 0;
    if (!UnpackItem(index, w, h)) return 0;

    SetImageFormat(2, 1, 1);
    SetImgBuffer(st.workRows[0], st.workHeader, outRows[0], outHeader);
    if (st.awbMode == 2) {
        SetColorGain(st.redGain, st.greenGain, st.blueGain, st.lumaGain, 2, 1.0f, 0.8f, 0, 1, 8, 0);
    } else {
        SetColorGain(st.redGain, st.greenGain, st.blueGain, st.lumaGain, st.awbMode, st.gamma1,
                     st.gamma2, 0, st.gamma2On, 8, 0);
    }
    GetFineRawColorFrame(w, h);
    ColorGainRecord gains{};
    GetColorGain(&gains);
    if (st.enhanceOn) ColorEnhance(outRows, w, h);
    const long stride = (h > 1) ? static_cast<long>(outRows[1] - outRows[0]) : 3L * w;
    LumaChromaFilter(outRows[0], outRows[0], w, h, static_cast<int>(stride), 3);

    st.redGain = gains.redGain;
    st.greenGain = gains.greenGain;
    st.blueGain = gains.blueGain;
    st.lumaGain = gains.lumaGain;
    st.awbMode = gains.wbMode;
    st.gamma1 = gains.lumaGamma;
    st.gamma2 = gains.toneGamma;
    st.engineLumaGammaOn = gains.lumaGammaOn;
    st.engineToneGammaOn = gains.toneGammaOn;
    return 1;
}

int ToRescaleImg(BYTE** sourceRows, BYTE** targetRows, int sourceWidth, int sourceHeight,
                 int targetWidth, int targetHeight) {
    if (sourceWidth == 512 && sourceHeight == 384 && targetWidth == 640 && targetHeight == 480) {
        return FineEnlargeImg(sourceRows, targetRows, 512, 384, 640, 480);
    }
    return Rescalimg(sourceRows, targetRows, sourceWidth, sourceHeight, targetWidth, targetHeight);
}

}  // extern "C"
