// A host program of the compact device interface: attaches the camera, captures the noise
// frame, reads a few 320 x 240 colour frames and writes each as a 24-bit BMP file.
//
//   zentlink_grab [output-folder] [frame-count]     (defaults: the current folder, 3 frames)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "zentlink.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    const int count = argc > 2 ? std::atoi(argv[2]) : 3;
    if (count < 1 || count > 1000) {
        std::fprintf(stderr, "frame count must be 1 to 1000\n");
        return 2;
    }

    // Mode 1 (live 320 x 240), the USB camera (interface type 4), any vendor and product.
    if (AttachDevice(1, 0, 4, 0, 0) != 1) {
        std::fprintf(stderr, "no camera ready\n");
        DetachDevice(0, 0, 0, 0, 0);
        return 1;
    }
    SetImgBuf(kWidth, kHeight, 0, 1, 0);  // 320 x 240 frames of 24-bit pixels
    SetRGBYGamma(32, 32, 32, 32, 80);     // unit gains, tone gamma 0.8
    ReadFPNFrame(0, 0, 0, 0, 0);          // the sensor's fixed-pattern noise
    SetFlag(1, 1, 1, 0, 0);               // noise correction, tone gamma, white balance on

    std::vector<BYTE> frame(static_cast<size_t>(kWidth) * kHeight * 3);
    int written = 0;
    for (int i = 0; i < count; ++i) {
        if (ReadColorData(frame.data(), 0, 0, 0, 0) != 1) {
            std::fprintf(stderr, "frame %d: read failed\n", i);
            continue;
        }
        char name[32];
        std::snprintf(name, sizeof name, "/frame%03d.bmp", i);
        if (!writeBmp24(folder + name, frame.data(), kWidth, kHeight)) {
            std::fprintf(stderr, "frame %d: cannot write %s%s\n", i, folder.c_str(), name);
            continue;
        }
        ++written;
    }
    DetachDevice(0, 0, 0, 0, 0);
    std::printf("%d of %d frames written to %s\n", written, count, folder.c_str());
    return written == count ? 0 : 1;
}
