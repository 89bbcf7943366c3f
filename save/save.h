/* save: writes a 24-bit packed bitmap (BITMAPINFOHEADER followed by its rows) to a file the user
   chooses. SaveDIB borrows the handle for the duration of the call and keeps nothing of it. */
#ifndef DUOVUE_SAVE_H
#define DUOVUE_SAVE_H

#include "platform.h"

#define SAVE_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Asks for a file name, then writes the bitmap as a BMP file, or as a PNG file when the name ends
   in ".png". 1 when the file was written; 0 when the user cancelled, the handle does not hold a
   whole 24-bit bitmap, or the file could not be written (then no partial file is left and
   whatever was at the path is kept). */
SAVE_API int SaveDIB(HGLOBAL bitmap);

/* Chooses the file name instead of the dialog: writes a NUL-terminated path of at most
   `capacity` bytes into `path` and returns nonzero, or returns 0 to cancel. */
typedef int (*SaveDIBChooser)(char* path, int capacity, void* context);

/* Installs a chooser (null: the file dialog again). */
SAVE_API void SetSaveDIBChooser(SaveDIBChooser chooser, void* context);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* DUOVUE_SAVE_H */
