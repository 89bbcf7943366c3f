/* A host program of zentlink: attaches the camera and reads one live 320 x 240 colour frame
 * into its own buffer.
 *
 *   zentlink_host [output-file]
 *
 * The frame's pixels (blue, green, red; row 0 is the bottom line of the picture) go to the
 * output file when one is named. Exits with 0 when a frame was read. */
#include <stdio.h>

#include "zentlink.h"

enum { kWidth = 320, kHeight = 240 };

int main(int argc, char** argv) {
    /* Mode 1 = live 320 x 240, interface type 4 = the USB camera, vendor/product 0 = any. */
    if (AttachDevice(1, 0, 4, 0, 0) != 1) {
        /* No camera yet: reads would retry after 1 s of idleness. */
        fprintf(stderr, "no camera ready\n");
        DetachDevice(0, 0, 0, 0, 0);
        return 1;
    }
    SetImgBuf(kWidth, kHeight, 0, 1, 0); /* frame type 1: 320 x 240; depth 0: 24-bit pixels */
    SetRGBYGamma(32, 32, 32, 32, 80);    /* gains in 1/32, tone gamma 0.80 */
    ReadFPNFrame(0, 0, 0, 0, 0);         /* capture the sensor's fixed-pattern noise */
    SetFlag(1, 1, 1, 0, 0);              /* noise correction, tone gamma, white balance on */

    static BYTE frame[kWidth * kHeight * 3];
    int status = 1;
    if (ReadColorData(frame, 0, 0, 0, 0) != 1) {
        fprintf(stderr, "the frame could not be read\n");
    } else {
        status = 0; /* frame holds blue, green, red pixels */
        if (argc > 1) {
            FILE* file = fopen(argv[1], "wb");
            if (file == NULL || fwrite(frame, 1, sizeof frame, file) != sizeof frame) status = 1;
            if (file != NULL && fclose(file) != 0) status = 1;
        }
    }
    DetachDevice(0, 0, 0, 0, 0);
    return status;
}
