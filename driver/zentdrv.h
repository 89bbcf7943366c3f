/* zentdrv: the Duovue camera driver. Usable from C and C++ host programs. */
#ifndef DUOVUE_ZENTDRV_H
#define DUOVUE_ZENTDRV_H

#include "platform.h"

#define ZENTDRV_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Records ------------------------------------------------------------------------------- */

/* The device identifiers of the descriptor match (0 and 0 accept any device). */
typedef struct DeviceInfo {
    int vendorId;
    int productId;
} DeviceInfo;

/* The six ints of SetHWInterface, as GetHWInterface and SearchPPort return them. */
typedef struct HwInterfaceSettings {
    int interfaceType; /* 4 = the USB camera */
    int portAddress;
    int reserved3;
    int level;
    int reserved5;
    int modeCode; /* 0 live 160x120, 1 live 320x240, 2 erase, 3 store, 6 noise capture */
} HwInterfaceSettings;

/* The four ints of SetImageInfo, as GetImageInfo writes them. */
typedef struct ImageInfo {
    int width;
    int height;
    int displayType; /* 1 = 8-bit gray, 2 = 16-bit, 3 = 24-bit */
    int fpnOn;       /* nonzero: frames are corrected with the noise frame */
} ImageInfo;

/* The twelve fields of SetColorInfo, as GetColorInfo returns them. Gains in 1/32. */
typedef struct ColorSettings {
    int redGain;
    int greenGain;
    int blueGain;
    int lumaGain;
    int awbMode;
    float gamma1;
    float gamma2;
    int lumaGammaOn;
    int gamma2On;
    int reserved10;
    int enhanceOn;
    int reserved12;
} ColorSettings;

/* ---- Camera set-up and configuration ------------------------------------------------------ */

/* 0 = open and programmed, 1 = no camera or mode failed, 2 = size above 512, 3 = no buffers. */
ZENTDRV_API int InitEvCam(void);
ZENTDRV_API int SetDeviceInfo(int vendorId, int productId);
ZENTDRV_API DeviceInfo GetDeviceInfo(void);
ZENTDRV_API void SetHWInterface(int interfaceType, int portAddress, int reserved3, int level,
                                int reserved5, int modeCode);
ZENTDRV_API HwInterfaceSettings GetHWInterface(void);
ZENTDRV_API HwInterfaceSettings SearchPPort(void);
ZENTDRV_API int SetImageInfo(int width, int height, int displayType, int fpnOn);
/* Writes the four ImageInfo ints to `out` and returns it. */
ZENTDRV_API int* GetImageInfo(int* out);
ZENTDRV_API int SetImgMemory(BYTE* pixels, BITMAPINFOHEADER* header);
ZENTDRV_API HGLOBAL GetImgHandle(int width, int height, int displayType);
ZENTDRV_API int GetZent15Ver(void);

/* ---- Live capture and frame reading ------------------------------------------------------- */

ZENTDRV_API int StartToCapture(void);
ZENTDRV_API int EndCapture(void);
ZENTDRV_API int ReadRawFrame(void);
ZENTDRV_API int ReadColorFrame(void);

/* ---- Fixed-pattern noise ------------------------------------------------------------------ */

ZENTDRV_API int ReadNoise(void);
ZENTDRV_API int ReInitFPN(void);

/* ---- Color settings ----------------------------------------------------------------------- */

ZENTDRV_API int SetColorInfo(int redGain, int greenGain, int blueGain, int lumaGain, int awbMode,
                             float gamma1, float gamma2, int lumaGammaSwitch, int gamma2On,
                             int reserved10, int enhanceOn, int reserved12);
ZENTDRV_API ColorSettings* GetColorInfo(ColorSettings* out);
ZENTDRV_API void CalcuGamTbl(float gamma, int* table);

/* ---- Store download ----------------------------------------------------------------------- */

/* -1 when the table read failed, else the number of counted items. `table` holds 256 bytes. */
ZENTDRV_API int DloadSDRAM_Header(BYTE* table);
ZENTDRV_API int DloadSDRAM(void);
/* Writes 8,386,560 bytes of true sample levels to `out`. */
ZENTDRV_API void DumpSDRAM(BYTE* out);
ZENTDRV_API int GetRawImage(BYTE** outRows, void* reserved, int index);
ZENTDRV_API int GetColorImage(BYTE** outRows, BITMAPINFOHEADER* outHeader, int index);
ZENTDRV_API int ToRescaleImg(BYTE** sourceRows, BYTE** targetRows, int sourceWidth,
                             int sourceHeight, int targetWidth, int targetHeight);

#ifdef __cplusplus
} /* extern "C" */

/* The two GPIO writes, exported under their C++ (decorated) names. */
ZENTDRV_API int GLGpioWrite(unsigned char value);
ZENTDRV_API int GLGpioOE(unsigned char value);
#endif

#endif /* DUOVUE_ZENTDRV_H */
