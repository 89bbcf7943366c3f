// The platform layer: the Windows services the Duovue software uses, with their Windows names,
// types and semantics, on Linux. Usable from C and C++.
#ifndef DUOVUE_PLATFORM_H
#define DUOVUE_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#define PLATFORM_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Types ---------------------------------------------------------------------------------- */

typedef uint8_t BYTE;
typedef uint8_t UCHAR;
typedef uint16_t WORD;
typedef uint16_t USHORT;
typedef uint32_t DWORD;
typedef uint32_t ULONG;
typedef uint32_t UINT;
typedef int32_t LONG; /* 32 bits, as on Windows; never `long` */
typedef int32_t BOOL;
typedef void* HANDLE;
typedef void* HGLOBAL;
typedef void* LPVOID;
typedef const char* LPCSTR;
typedef DWORD* LPDWORD;
typedef BYTE* PUCHAR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

#ifdef __cplusplus
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");
#else
_Static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");
#endif

/* ---- Global memory -------------------------------------------------------------------------- */

#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

/* Blocks are always zero-filled. A movable block's handle is not its address: GlobalLock gives
   the address and counts the lock. Unknown handles are refused (NULL / 0), never dereferenced. */
PLATFORM_API HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
PLATFORM_API LPVOID GlobalLock(HGLOBAL mem);
/* Nonzero while the block is still locked after this call; 0 once the count reaches 0. */
PLATFORM_API BOOL GlobalUnlock(HGLOBAL mem);
/* NULL on success (a NULL handle is harmlessly accepted); the handle itself when it is unknown. */
PLATFORM_API HGLOBAL GlobalFree(HGLOBAL mem);
PLATFORM_API size_t GlobalSize(HGLOBAL mem);

/* ---- Time ----------------------------------------------------------------------------------- */

PLATFORM_API void Sleep(DWORD milliseconds);
PLATFORM_API DWORD GetTickCount(void);

/* ---- Still-image device files (usbscan) ----------------------------------------------------- */

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define OPEN_EXISTING 3u

#define IOCTL_READ_REGISTERS 0x8000200Cu
#define IOCTL_WRITE_REGISTERS 0x80002010u
#define IOCTL_GET_DEVICE_DESCRIPTOR 0x80002018u

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _OVERLAPPED {
    uintptr_t Internal;
    uintptr_t InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

/* A register request: uOffset = register number, uLength = data bytes, pbyData = the data. */
typedef struct _IO_BLOCK {
    ULONG uOffset;
    ULONG uLength;
    PUCHAR pbyData;
    ULONG uIndex;
} IO_BLOCK, *PIO_BLOCK;

typedef struct _DEVICE_DESCRIPTOR {
    USHORT usVendorId;
    USHORT usProductId;
    USHORT usBcdDevice;
    USHORT usLanguageId;
} DEVICE_DESCRIPTOR, *PDEVICE_DESCRIPTOR;

PLATFORM_API HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                                DWORD flagsAndAttributes, HANDLE templateFile);
PLATFORM_API BOOL CloseHandle(HANDLE object);
PLATFORM_API BOOL DeviceIoControl(HANDLE device, DWORD ioControlCode, LPVOID inBuffer,
                                  DWORD inBufferSize, LPVOID outBuffer, DWORD outBufferSize,
                                  LPDWORD bytesReturned, LPOVERLAPPED overlapped);
PLATFORM_API BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                           LPOVERLAPPED overlapped);

#ifdef __cplusplus
} /* extern "C" */

#include <memory>
#include <string>

/* ---- C++ seams for tests and the simulated camera ------------------------------------------- */
namespace platform {

// The source of Sleep and GetTickCount. The default is the real monotonic clock.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual uint64_t nowMs() = 0;
    virtual void sleepMs(uint32_t ms) = 0;
};

// A clock that only moves when told to, or when something sleeps on it (a sleep costs no time).
class PLATFORM_API VirtualClock : public Clock {
  public:
    explicit VirtualClock(uint64_t startMs = 0) : now_(startMs) {}
    uint64_t nowMs() override { return now_; }
    void sleepMs(uint32_t ms) override {
        now_ += ms;
        slept_ += ms;
    }
    void advance(uint64_t ms) { now_ += ms; }
    uint64_t totalSleptMs() const { return slept_; }

  private:
    uint64_t now_;
    uint64_t slept_ = 0;
};

// Installs the clock behind Sleep and GetTickCount; nullptr restores the real clock.
// The caller keeps the clock alive while it is installed.
PLATFORM_API void installClock(Clock* clock);

// A still-image USB device attached in-process: the object behind \\.\UsbscanN when a test
// attaches one. Every call returns false when the device fails the request.
class UsbDevice {
  public:
    virtual ~UsbDevice() = default;
    virtual bool readRegister(uint32_t reg, uint8_t* data, uint32_t length) = 0;
    virtual bool writeRegister(uint32_t reg, const uint8_t* data, uint32_t length) = 0;
    virtual bool deviceDescriptor(DEVICE_DESCRIPTOR& out) = 0;
    // Fills up to `length` bytes; `transferred` says how many came.
    virtual bool bulkRead(uint8_t* data, uint32_t length, uint32_t& transferred) = 0;
    // False once the device is unplugged: its name no longer opens and open handles fail.
    virtual bool connected() const { return true; }
};

// Attaches `device` as \\.\Usbscan<index> (0..126), in front of any socket of that number.
PLATFORM_API void attachUsbDevice(int index, std::shared_ptr<UsbDevice> device);
PLATFORM_API void detachUsbDevice(int index);

// The Unix socket behind \\.\Usbscan<index> when no device is attached in-process:
// $XDG_RUNTIME_DIR/usbscan/<index>, or /tmp/usbscan-<uid>/<index> when the variable is unset.
PLATFORM_API std::string usbscanSocketPath(int index);
// How long a socket call waits for the camera's answer before the camera counts as gone
// (every later call on that handle fails). 0 restores the default of 3000 ms.
PLATFORM_API void setUsbscanTimeout(uint32_t milliseconds);

}  // namespace platform
#endif /* __cplusplus */

#endif /* DUOVUE_PLATFORM_H */
