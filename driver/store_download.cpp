// Download of the camera's store: the image table, the whole store image in one transfer, and
// a copy of it in true sample levels.
#include "driver_internal.h"
#include "store_table.h"
#include "zentdrv.h"

using namespace zentdrv;

extern "C" {

int DloadSDRAM_Header(BYTE* table) {
    DriverState& st = driverState();
    for (int i = 0; i < kItemCount; ++i) {
        if (table != nullptr) table[i] = kEndMark;
        st.itemWidth[i] = 0;
        st.itemHeight[i] = 0;
    }
    if (table == nullptr || st.workBase == nullptr || st.storeBase == nullptr) return -1;

    ReadCorrectedFrame(WorkView());  // one live frame in the current mode
    if (WaitReady(kPollLimit + 1) != 1) return -1;
    if (!BulkRead(table, kImageTableBytes, 0)) return -1;
    return ParseImageTable(table, st.itemWidth, st.itemHeight);
}

int DloadSDRAM(void) {
    DriverState& st = driverState();
    if (st.storeBase == nullptr) return 0;
    if (!BulkRead(st.storeBase, kStoreImageBytes, 0)) return 0;
    // Centre the noise frame once per capture: moving it a second time would mix it up.
    if (st.noiseBase != nullptr && !st.noiseCentred) {
        CentreNoiseFrame(NoiseView(), 320, 240);
        st.noiseCentred = 1;
    }
    return 1;
}

void DumpSDRAM(BYTE* out) {
    const DriverState& st = driverState();
    if (out == nullptr || st.storeBase == nullptr) return;
    const BYTE* store = st.storeBase;
    for (uint32_t i = 0; i < kStoreImageBytes; ++i) out[i] = static_cast<BYTE>(255 - store[i]);
}

}  // extern "C"
