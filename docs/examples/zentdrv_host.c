/* A host program of zentdrv: opens the camera and reads one live 320 x 240 colour frame.
 *
 *   zentdrv_host [output-file]
 *
 * The frame's pixels (blue, green, red; row 0 is the bottom line of the picture) go to the
 * output file when one is named. Exits with 0 when a frame was read. */
#include <stdio.h>

#include "zentdrv.h"

enum { kWidth = 320, kHeight = 240 };

int main(int argc, char** argv) {
    StartToCapture();                    /* the driver's working memory */
    SetDeviceInfo(0, 0);                 /* any camera */
    SetHWInterface(4, 0, 0, 0, 0, 1);    /* the USB camera, live 320 x 240 */
    SetImageInfo(kWidth, kHeight, 3, 0); /* 24-bit colour, no noise correction */

    HGLOBAL h = GetImgHandle(kWidth, kHeight, 3);
    if (h == NULL) {
        EndCapture();
        return 1;
    }
    BITMAPINFOHEADER* bh = GlobalLock(h);
    BYTE* pixels = (BYTE*)(bh + 1);
    SetImgMemory(pixels, bh);
    /* Gains r, g, b, luma in 1/32; white balance on; tone gamma 0.8 on. */
    SetColorInfo(32, 32, 32, 32, 1, 1.0f, 0.8f, 0, 1, 0, 0, 0);

    int status = 1;
    if (InitEvCam() != 0) {
        fprintf(stderr, "no camera\n");
    } else if (ReadColorFrame() != 1) {
        fprintf(stderr, "the frame could not be read\n");
    } else {
        status = 0; /* the picture is in h */
        if (argc > 1) {
            FILE* file = fopen(argv[1], "wb");
            const size_t bytes = (size_t)kWidth * kHeight * 3;
            if (file == NULL || fwrite(pixels, 1, bytes, file) != bytes) status = 1;
            if (file != NULL && fclose(file) != 0) status = 1;
        }
    }
    EndCapture(); /* closes the camera */
    GlobalUnlock(h);
    GlobalFree(h);
    return status;
}
