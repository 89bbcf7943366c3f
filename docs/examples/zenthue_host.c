/* A host program of zenthue: converts a raw 320 x 240 mosaic into a 24-bit colour picture.
 *
 *   zenthue_host [output-file]
 *
 * The mosaic is made up here: an orange card, every cell of the same level per colour. The
 * picture's 320 x 240 pixels (blue, green, red) go to the output file when one is named. */
#include <stdio.h>

#include "zenthue.h"

enum { kWidth = 320, kHeight = 240 };

int main(int argc, char** argv) {
    /* The raw mosaic, 8 bits per cell: even rows red, green, ...; odd rows green, blue, ... */
    static BYTE raw[kHeight][kWidth];
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int red = y % 2 == 0 && x % 2 == 0;
            const int blue = y % 2 == 1 && x % 2 == 1;
            raw[y][x] = red ? 200 : blue ? 40 : 120;
        }
    }

    HGLOBAL out = GetImageHandle(kWidth, kHeight, 2); /* 24-bit packed bitmap */
    if (out == NULL) return 1;
    BITMAPINFOHEADER* oh = GlobalLock(out);
    BYTE* pixels = (BYTE*)(oh + 1); /* the rows follow the 40-byte header */

    const BITMAPINFOHEADER rawHeader = {
        .biSize = 40, .biWidth = kWidth, .biHeight = kHeight, .biPlanes = 1, .biBitCount = 8};
    SetImageFormat(2, 1, 1); /* 24-bit output, rows ascending from both base pointers */
    SetImgBuffer(&raw[0][0], &rawHeader, pixels, oh);
    /* Gains r, g, b, luma in 1/32; white balance 1 (tracking); luma gamma 1.0 off, tone gamma
       0.8 on; 8-bit tables. */
    SetColorGain(32, 32, 32, 32, 1, 1.0f, 0.8f, 0, 1, 8, 0);
    GetFineRawColorFrame(kWidth, kHeight); /* raw -> colour */

    const BYTE* centre = pixels + (kHeight / 2 * kWidth + kWidth / 2) * 3;
    printf("centre pixel: blue %d, green %d, red %d\n", centre[0], centre[1], centre[2]);

    int status = 0;
    if (argc > 1) {
        FILE* file = fopen(argv[1], "wb");
        const size_t bytes = (size_t)kWidth * kHeight * 3;
        if (file == NULL || fwrite(pixels, 1, bytes, file) != bytes) status = 1;
        if (file != NULL && fclose(file) != 0) status = 1;
    }
    GlobalUnlock(out);
    GlobalFree(out);
    return status;
}
