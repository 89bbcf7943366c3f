/* zenthue: the Duovue color engine and image filters. Usable from C and C++ host programs. */
#ifndef DUOVUE_ZENTHUE_H
#define DUOVUE_ZENTHUE_H

#include "platform.h"

#define ZENTHUE_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Format, buffers and handle ------------------------------------------------------------- */

ZENTHUE_API int GetDllVersion(void);

/* ---- White-balance gains and gamma tables --------------------------------------------------- */

/* ---- Raw-to-color interpolation ------------------------------------------------------------- */

/* ---- Further conversions: 12-bit paths, DSP color frame, luminance frame -------------------- */

/* ---- Image filters -------------------------------------------------------------------------- */

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* DUOVUE_ZENTHUE_H */
