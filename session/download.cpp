// The store download: camera, noise frame, image table, store, the gray picture of every item,
// the colour pictures of a page, the counts and the clip question.
#include <algorithm>

#include "image_table.h"
#include "session.h"

namespace zentsession {

using namespace zentdrv;

void Session::forgetDownload() {
    state_.paintEnabled = 0;
    state_.downloaded = 0;
    state_.ImageTableIndex.fill(-1);
    state_.pageIndex = 0;
}

void Session::grayHalf(const PackedBitmap& raw, PackedBitmap& out, int width, int height) const {
    // Every second pixel of every second row, gray in all three bytes.
    const int outWidth = std::min((width + 1) / 2, out.width());
    for (int r = 0; r < height && r / 2 < out.height(); r += 2) {
        const BYTE* source = raw.row(r);
        BYTE* target = out.row(r / 2);
        for (int i = 0; i < outWidth; ++i, source += 6, target += 3) {
            target[0] = target[1] = target[2] = source[0];
        }
    }
}

Result Session::fetchStore(Observer& o) {
    SessionState& s = state_;
    forgetDownload();

    // Set-up: any camera, 320 x 240 24-bit, live mode.
    o.message("Starting to download");
    SetDeviceInfo(0, 0);
    s.imageInfo = ImageInfo{320, 240, 3, 0};
    SetImageInfo(s.imageInfo.width, s.imageInfo.height, s.imageInfo.displayType, s.imageInfo.fpnOn);
    s.hwInterface = SearchPPort();
    selectMode(kModeLive320);
    o.step();
    if (stopRequested()) return Result::Stopped;

    o.progress(Stage::Opening, 0, 1);
    o.message(text::kOpeningCamera);
    if (InitEvCam() != 0) return cameraNotFound(o);
    if (stopRequested()) return Result::Stopped;

    selectMode(kModeNoiseCapture);
    o.step();
    o.progress(Stage::NoiseFrame, 0, 1);
    o.message("Waiting ..... while Re-capturing the Fixed Pattern Noise");
    if (ReInitFPN() == 0) return cameraNotFound(o);
    if (stopRequested()) return Result::Stopped;

    selectMode(kModeStoreRead);
    o.step();
    o.progress(Stage::Table, 0, 1);
    o.message("Waiting ..... while downloading the Image Table");
    const int count = DloadSDRAM_Header(s.imageTable.data());
    if (count < 1 || count > kMaxImages) {
        o.failed();
        o.message(count == -1 ? "Download Header fail" : "No images in SDRAM");
        s.dscCount = 0;  // nothing was accepted: the counter and the pages show no frames
        return count == -1 ? Result::HeaderFailed : Result::NoImages;
    }
    s.dscCount = count;
    if (stopRequested()) return Result::Stopped;

    o.step();
    o.progress(Stage::Store, 0, 1);
    o.message("Waiting ..... while downloading the Images");
    if (DloadSDRAM() == 0) {
        o.failed();
        o.message("Download fails");
        return Result::StoreFailed;
    }

    o.step();
    o.message("Finish downloading");
    o.message("Display all B/W images");
    // A header count above the pictures the table really holds would point past them.
    s.dscCount = std::min(s.dscCount, buildImageTableIndex(s.imageTable, s.ImageTableIndex));

    // The gray picture of every item as it comes.
    Result result = Result::Done;
    for (int n = 0; n < s.dscCount; ++n) {
        if (stopRequested()) {
            result = Result::Stopped;
            break;
        }
        const int slot = n % kSlotCount;
        const int k = s.ImageTableIndex[n];
        const BYTE flag = s.imageTable[k];
        const int w = frameWidthOf(flag);
        const int h = frameHeightOf(flag);
        s.imageWidth[n] = w;
        s.imageHeight[n] = h;
        s.currentImage = n;
        PackedBitmap& image = s.slotImages[slot];
        if (image && s.workImage) {
            GetRawImage(image.rows(), image.header(), k);
            grayHalf(image, s.workImage, w, h);
            o.picture(Picture{Place::Gray, slot, n, s.workImage, w / 2, h / 2});
            if (thumbWidth_ > 0) {
                ToRescaleImg(s.workImage.rows(), image.rows(), w / 2, h / 2, thumbWidth_,
                             thumbHeight_);
                o.picture(Picture{Place::GrayThumbnail, slot, n, image, thumbWidth_, thumbHeight_});
            }
        }
        o.counter(Counter::Images, n + 1);
        s.imageColor[n] = defaultImageColor();
        o.progress(Stage::Pictures, n + 1, s.dscCount);
    }
    for (int n = s.dscCount; n < kTableSize; ++n) {
        s.imageWidth[n] = 0;
        s.imageHeight[n] = 0;
    }
    return result;
}

bool Session::colorPicture(int image, PackedBitmap& out) {
    SessionState& s = state_;
    if (image < 0 || image >= s.dscCount || image >= kTableSize || !out) return false;
    const int k = s.ImageTableIndex[image];
    if (k < 0 || k >= kTableSize || isEndMark(s.imageTable[k])) return false;
    sendColorSettings(s.imageColor[image]);
    if (GetColorImage(out.rows(), out.header(), k) == 0) return false;
    GetColorInfo(&s.imageColor[image]);
    return true;
}

bool Session::grayPicture(int image, PackedBitmap& out) {
    SessionState& s = state_;
    if (image < 0 || image >= s.dscCount || image >= kTableSize || !out || !s.workImage) {
        return false;
    }
    const int k = s.ImageTableIndex[image];
    if (k < 0 || k >= kTableSize || isEndMark(s.imageTable[k])) return false;
    if (GetRawImage(s.workImage.rows(), s.workImage.header(), k) == 0) return false;
    grayHalf(s.workImage, out, s.imageWidth[image], s.imageHeight[image]);
    return true;
}

void Session::showPage(int page, Observer& o) {
    SessionState& s = state_;
    s.pageIndex = page;
    for (int a = 0; a < kSlotCount; ++a) {
        const int n = page * kSlotCount + a;
        s.currentImage = n;
        if (n < 0 || n >= s.dscCount || n >= kTableSize) break;
        const int k = s.ImageTableIndex[n];
        if (k < 0 || k >= kTableSize || isEndMark(s.imageTable[k])) break;
        PackedBitmap& image = s.slotImages[a];
        if (image) colorPicture(n, image);
        o.picture(Picture{Place::PageSlot, a, n, image, s.imageWidth[n], s.imageHeight[n]});
        o.counter(Counter::Images, n + 1);
    }
    o.counter(Counter::Images, s.dscCount);
}

const PackedBitmap* Session::pageThumbnail(int slot) {
    SessionState& s = state_;
    if (slot < 0 || slot >= kSlotCount || thumbWidth_ <= 0) return nullptr;
    const int n = s.pageIndex * kSlotCount + slot;
    if (n < 0 || n >= kTableSize) return nullptr;
    const PackedBitmap& source = s.slotImages[slot];
    const int width = s.imageWidth[n];
    const int height = s.imageHeight[n];
    if (!source || !s.thumbImage || width <= 0 || height <= 0) return nullptr;
    ToRescaleImg(source.rows(), s.thumbImage.rows(), width, height, thumbWidth_, thumbHeight_);
    return &s.thumbImage;
}

int Session::scanClips() {
    state_.clipCount = zentsession::scanClips(state_.imageTable, state_.ClipTable);
    return state_.clipCount;
}

Result Session::download(Observer& o, const std::function<std::string(int)>& clipPath) {
    SessionState& s = state_;
    Result result = fetchStore(o);
    if (result != Result::Done) return result;

    o.message(s.dscCount < kSlotCount ? "Display all Color images"
                                      : "Display the first 15 Color images");
    o.step();
    showPage(0, o);
    s.paintEnabled = 1;
    o.counter(Counter::Stills, s.dscCount);
    o.step();

    std::string summary;
    if (scanClips() > 0) {
        const std::string question =
            std::to_string(s.clipCount) +
            " V8 files needs to be saved !\nIf you want to save them, you should wait for few "
            "seconds.\n\nDo you want to save these V8 files ?";
        if (o.ask(question)) {
            result = saveClips(o, clipPath);
            if (result == Result::Stopped) return result;
            summary = "Total " + std::to_string(s.dscCount) + " DSC images\nTotal " +
                      std::to_string(s.clipCount) + " V8 files";
        } else {
            summary = "Total DSC image = " + std::to_string(s.dscCount) + " frames\nTotal " +
                      std::to_string(s.clipCount) + " V8 files, but No V8 files to be saved !";
            forgetClips(o);
        }
    } else {
        summary = "Total DSC image = " + std::to_string(s.dscCount) + " frames\nNo V8 files";
        forgetClips(o);
    }

    o.message(summary);
    s.downloaded = 1;
    s.paintEnabled = 1;
    o.step();
    return Result::Done;
}

}  // namespace zentsession
