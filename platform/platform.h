/**
 * @file platform.h
 * @brief platform: the Windows services the Duovue software uses, with their Windows names,
 * types and semantics, on Linux. Usable from C and C++.
 *
 * Every other library's pictures and buffers are built from these: BITMAPINFOHEADER, global
 * memory blocks (GlobalAlloc(), GlobalLock(), GlobalFree()), the clock behind Sleep() and
 * GetTickCount(), and the still-image device files through which the driver reaches the camera.
 * Global memory may be used from several threads; a device handle serves one call at a time.
 */
#ifndef DUOVUE_PLATFORM_H
#define DUOVUE_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

/** Marks the published exports of libplatform. */
#define PLATFORM_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/** @defgroup platform platform: the Windows services on Linux
 *  Types, global memory, time, and the still-image device files.
 *  @{ */

/* ---- Types ---------------------------------------------------------------------------------- */

typedef uint8_t BYTE;       /**< unsigned 8 bits */
typedef uint8_t UCHAR;      /**< unsigned 8 bits */
typedef uint16_t WORD;      /**< unsigned 16 bits */
typedef uint16_t USHORT;    /**< unsigned 16 bits */
typedef uint32_t DWORD;     /**< unsigned 32 bits */
typedef uint32_t ULONG;     /**< unsigned 32 bits */
typedef uint32_t UINT;      /**< unsigned 32 bits */
typedef int32_t LONG;       /**< signed 32 bits, as on Windows; never `long` */
typedef int32_t BOOL;       /**< 0 false, nonzero true */
typedef void* HANDLE;       /**< a device handle of CreateFileA() */
typedef void* HGLOBAL;      /**< a global memory block of GlobalAlloc() */
typedef void* LPVOID;       /**< any pointer */
typedef const char* LPCSTR; /**< a NUL-terminated string */
typedef DWORD* LPDWORD;     /**< where a call writes a count */
typedef BYTE* PUCHAR;       /**< bytes */

#ifndef TRUE
/** BOOL true. */
#define TRUE 1
#endif
#ifndef FALSE
/** BOOL false. */
#define FALSE 0
#endif

/** What CreateFileA() returns when the name does not open. */
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

/**
 * The 40-byte header of a packed bitmap, as in a BMP file. A packed bitmap is this header
 * followed directly by the rows (no colour table in this software's pictures): row i lies
 * i x biWidth x biBitCount / 8 bytes after the header. Pictures keep their bottom line in row 0.
 */
typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;         /**< 40, the size of this header */
    LONG biWidth;         /**< pixels per row */
    LONG biHeight;        /**< rows; positive: row 0 is the bottom line */
    WORD biPlanes;        /**< 1 */
    WORD biBitCount;      /**< bits per pixel: 8, 16 (5-5-5) or 24 (blue, green, red) */
    DWORD biCompression;  /**< 0: uncompressed */
    DWORD biSizeImage;    /**< bytes of the rows, or 0 */
    LONG biXPelsPerMeter; /**< horizontal resolution, unused (0) */
    LONG biYPelsPerMeter; /**< vertical resolution, unused (0) */
    DWORD biClrUsed;      /**< colour-table entries, 0 */
    DWORD biClrImportant; /**< important colours, 0 */
} BITMAPINFOHEADER;

#ifdef __cplusplus
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");
#else
_Static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");
#endif

/* ---- Global memory -------------------------------------------------------------------------- */

/** GlobalAlloc() flag: a fixed block, whose handle is its address. */
#define GMEM_FIXED 0x0000u
/** GlobalAlloc() flag: a movable block, reached through GlobalLock(). */
#define GMEM_MOVEABLE 0x0002u
/** GlobalAlloc() flag: zero-filled (every block is). */
#define GMEM_ZEROINIT 0x0040u
/** GlobalAlloc() flags: movable and zero-filled. */
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

/**
 * Allocates a zero-filled block. A movable block's handle is not its address: GlobalLock() gives
 * the address and counts the lock. Unknown handles are refused by every call (NULL / 0), never
 * dereferenced. Blocks may be used from several threads.
 * @param flags GMEM_MOVEABLE for a movable block; otherwise the handle is the address.
 * @param bytes the block's size; 0 gives a block of its own with no usable bytes.
 * @return the handle, or NULL when the memory is not available.
 */
PLATFORM_API HGLOBAL GlobalAlloc(UINT flags, size_t bytes);

/**
 * The address of a block; for a movable block, counts one more lock.
 * @param mem a handle of GlobalAlloc().
 * @return the block's first byte; NULL for an unknown handle.
 */
PLATFORM_API LPVOID GlobalLock(HGLOBAL mem);

/**
 * Counts one lock less on a movable block. The address stays valid until GlobalFree().
 * @param mem a handle of GlobalAlloc().
 * @return nonzero while the block is still locked after this call; 0 once the count reaches 0,
 *         for a block that was not locked, or for an unknown handle.
 */
PLATFORM_API BOOL GlobalUnlock(HGLOBAL mem);

/**
 * Frees a block, locked or not.
 * @param mem a handle of GlobalAlloc(); NULL is harmlessly accepted.
 * @return NULL on success; @p mem itself when the handle is unknown (nothing is freed).
 */
PLATFORM_API HGLOBAL GlobalFree(HGLOBAL mem);

/**
 * The size a block was allocated with.
 * @param mem a handle of GlobalAlloc().
 * @return bytes; 0 for an unknown handle.
 */
PLATFORM_API size_t GlobalSize(HGLOBAL mem);

/* ---- Time ----------------------------------------------------------------------------------- */

/**
 * Waits on the installed clock (the monotonic clock unless a test installed another).
 * @param milliseconds how long.
 */
PLATFORM_API void Sleep(DWORD milliseconds);

/** @return milliseconds on the installed clock (monotonic), wrapping at 2^32. */
PLATFORM_API DWORD GetTickCount(void);

/* ---- Still-image device files (usbscan) ----------------------------------------------------- */

/** CreateFileA() access: read (accepted, not checked). */
#define GENERIC_READ 0x80000000u
/** CreateFileA() access: write (accepted, not checked). */
#define GENERIC_WRITE 0x40000000u
/** CreateFileA() sharing: read (accepted, not checked). */
#define FILE_SHARE_READ 0x00000001u
/** CreateFileA() sharing: write (accepted, not checked). */
#define FILE_SHARE_WRITE 0x00000002u
/** CreateFileA() disposition: open what exists (the only one there is). */
#define OPEN_EXISTING 3u

/** DeviceIoControl(): read camera registers; in an IO_BLOCK, out the data. */
#define IOCTL_READ_REGISTERS 0x8000200Cu
/** DeviceIoControl(): write camera registers; in an IO_BLOCK with the data. */
#define IOCTL_WRITE_REGISTERS 0x80002010u
/** DeviceIoControl(): read the device's identifiers; out a DEVICE_DESCRIPTOR. */
#define IOCTL_GET_DEVICE_DESCRIPTOR 0x80002018u

/** Accepted by CreateFileA() and ignored. */
typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;               /**< ignored */
    LPVOID lpSecurityDescriptor; /**< ignored */
    BOOL bInheritHandle;         /**< ignored */
} SECURITY_ATTRIBUTES;
/** Pointer to a SECURITY_ATTRIBUTES. */
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

/** Accepted by DeviceIoControl() and ReadFile() and ignored: every call completes before it
    returns. */
typedef struct _OVERLAPPED {
    uintptr_t Internal;     /**< ignored */
    uintptr_t InternalHigh; /**< ignored */
    DWORD Offset;           /**< ignored */
    DWORD OffsetHigh;       /**< ignored */
    HANDLE hEvent;          /**< ignored */
} OVERLAPPED;
/** Pointer to a OVERLAPPED. */
typedef OVERLAPPED* LPOVERLAPPED;

/** A register request of DeviceIoControl(). */
typedef struct _IO_BLOCK {
    ULONG uOffset;  /**< the first register's number */
    ULONG uLength;  /**< data bytes */
    PUCHAR pbyData; /**< the data of a write */
    ULONG uIndex;   /**< the request's index value, 0 */
} IO_BLOCK;
/** Pointer to a IO_BLOCK. */
typedef IO_BLOCK* PIO_BLOCK;

/** The device's identifiers, as IOCTL_GET_DEVICE_DESCRIPTOR reports them. */
typedef struct _DEVICE_DESCRIPTOR {
    USHORT usVendorId;   /**< USB vendor id */
    USHORT usProductId;  /**< USB product id */
    USHORT usBcdDevice;  /**< device release number */
    USHORT usLanguageId; /**< language id */
} DEVICE_DESCRIPTOR;
/** Pointer to a DEVICE_DESCRIPTOR. */
typedef DEVICE_DESCRIPTOR* PDEVICE_DESCRIPTOR;

/**
 * Opens a still-image device file. The names are `\\.\Usbscan0` to `\\.\Usbscan126` (the
 * prefix in any case, the number in plain decimal). The name resolves to a device attached
 * in-process (platform::attachUsbDevice()), else to the simulator's socket of that number
 * (platform::usbscanSocketPath()).
 * @param fileName the device's name; any other name does not open.
 * @param desiredAccess accepted, not checked.
 * @param shareMode accepted, not checked.
 * @param securityAttributes ignored.
 * @param creationDisposition accepted, not checked (OPEN_EXISTING).
 * @param flagsAndAttributes ignored.
 * @param templateFile ignored.
 * @return the handle; INVALID_HANDLE_VALUE when nothing answers to the name, or when too many
 *         device files are open.
 */
PLATFORM_API HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                                DWORD flagsAndAttributes, HANDLE templateFile);

/**
 * Closes a device handle; it is never valid again.
 * @param object a handle of CreateFileA().
 * @return TRUE; FALSE for an unknown or already closed handle.
 */
PLATFORM_API BOOL CloseHandle(HANDLE object);

/**
 * Sends a request to the camera: IOCTL_READ_REGISTERS, IOCTL_WRITE_REGISTERS or
 * IOCTL_GET_DEVICE_DESCRIPTOR. A camera that does not answer in time, or went away, fails this
 * and every later call on the handle.
 * @param device a handle of CreateFileA().
 * @param ioControlCode the request.
 * @param inBuffer the IO_BLOCK of a register request.
 * @param inBufferSize its size, at least sizeof(IO_BLOCK).
 * @param outBuffer where a register read or the DEVICE_DESCRIPTOR goes.
 * @param outBufferSize its size: at least the register bytes, or sizeof(DEVICE_DESCRIPTOR).
 * @param bytesReturned receives the bytes written to @p outBuffer; may be NULL.
 * @param overlapped ignored.
 * @return TRUE when the camera carried out the request; FALSE for an unknown handle or request,
 *         buffers too small or missing, or a failed request.
 */
PLATFORM_API BOOL DeviceIoControl(HANDLE device, DWORD ioControlCode, LPVOID inBuffer,
                                  DWORD inBufferSize, LPVOID outBuffer, DWORD outBufferSize,
                                  LPDWORD bytesReturned, LPOVERLAPPED overlapped);

/**
 * Reads from the camera's bulk pipe: the data the camera announced (frames, the image table,
 * the store).
 * @param file a handle of CreateFileA().
 * @param buffer where the bytes go.
 * @param bytesToRead how many bytes.
 * @param bytesRead receives how many came; may be NULL.
 * @param overlapped ignored.
 * @return TRUE when the read succeeded; FALSE for an unknown handle, a null buffer, or a failed
 *         read.
 */
PLATFORM_API BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                           LPOVERLAPPED overlapped);

/** @} */

#ifdef __cplusplus
} /* extern "C" */

#include <memory>
#include <string>

/* ---- C++ seams for tests and the simulated camera ------------------------------------------- */

/** C++ seams of the platform layer, for tests and the simulated camera. */
namespace platform {

/** The source of Sleep() and GetTickCount(). The default is the real monotonic clock. */
class Clock {
  public:
    virtual ~Clock() = default;
    /** @return milliseconds since an arbitrary start. */
    virtual uint64_t nowMs() = 0;
    /** Waits, or lets the time pass. @param ms milliseconds. */
    virtual void sleepMs(uint32_t ms) = 0;
};

/** A clock that only moves when told to, or when something sleeps on it (a sleep costs no
    time). */
class PLATFORM_API VirtualClock : public Clock {
  public:
    /** A clock standing at @p startMs. @param startMs its first time in milliseconds. */
    explicit VirtualClock(uint64_t startMs = 0) : now_(startMs) {}
    /** @return the clock's time in milliseconds. */
    uint64_t nowMs() override { return now_; }
    /** Moves the clock on at once and counts the time as slept. @param ms milliseconds. */
    void sleepMs(uint32_t ms) override {
        now_ += ms;
        slept_ += ms;
    }
    /** Moves the clock on. @param ms milliseconds. */
    void advance(uint64_t ms) { now_ += ms; }
    /** @return the milliseconds slept on this clock so far. */
    uint64_t totalSleptMs() const { return slept_; }

  private:
    uint64_t now_;
    uint64_t slept_ = 0;
};

/**
 * Installs the clock behind Sleep() and GetTickCount().
 * @param clock the clock; nullptr restores the real clock. The caller keeps it alive while it is
 *        installed.
 */
PLATFORM_API void installClock(Clock* clock);

/** A still-image USB device attached in-process. It is the object behind `\\.\UsbscanN`
    when a test attaches one. Every call returns false when the device fails the request. */
class UsbDevice {
  public:
    virtual ~UsbDevice() = default;
    /** Reads registers. @param reg the first register. @param data receives the bytes.
        @param length bytes to read. @return true when the device answered. */
    virtual bool readRegister(uint32_t reg, uint8_t* data, uint32_t length) = 0;
    /** Writes registers. @param reg the first register. @param data the bytes.
        @param length bytes to write. @return true when the device accepted them. */
    virtual bool writeRegister(uint32_t reg, const uint8_t* data, uint32_t length) = 0;
    /** Reports the device's identifiers. @param out receives them.
        @return true when the device answered. */
    virtual bool deviceDescriptor(DEVICE_DESCRIPTOR& out) = 0;
    /** Reads the bulk pipe. @param data receives the bytes. @param length at most this many.
        @param transferred receives how many came. @return true when the read succeeded. */
    virtual bool bulkRead(uint8_t* data, uint32_t length, uint32_t& transferred) = 0;
    /** @return false once the device is unplugged: its name no longer opens and open handles
        fail. */
    virtual bool connected() const { return true; }
};

/**
 * Attaches an in-process device. It answers to `\\.\UsbscanN` (N = @p index), in front of
 * any socket of that number.
 * @param index 0..126; any other index does nothing.
 * @param device the device; nullptr detaches.
 */
PLATFORM_API void attachUsbDevice(int index, std::shared_ptr<UsbDevice> device);

/**
 * Detaches an in-process device. The one of `\\.\UsbscanN` (N = @p index) goes; its open
 * handles fail from now on.
 * @param index 0..126.
 */
PLATFORM_API void detachUsbDevice(int index);

/**
 * Lets only one device file open. From now on only the device file of number @p index opens;
 * every other number fails as if nothing were there, so a program told to use one camera lets
 * the driver's search find exactly that one.
 * @param index 0..126 to restrict; any negative index lifts the restriction.
 */
PLATFORM_API void restrictUsbscan(int index);

/** What serves an open device file. */
enum class UsbscanSource {
    None,       ///< the handle is not an open device file
    InProcess,  ///< a device attached in-process
    Simulator,  ///< the simulator's socket
    Usb         ///< a camera on the USB bus
};

/**
 * Tells what serves an open device file.
 * @param device a handle from `CreateFileA`.
 * @return the source; `UsbscanSource::None` for a handle that is not open.
 */
PLATFORM_API UsbscanSource usbscanSource(HANDLE device);

/**
 * Where the simulator's socket lies. It is the device file `\\.\UsbscanN` (N = @p index) when
 * no device is attached in-process.
 * @param index 0..126.
 * @return `$XDG_RUNTIME_DIR/usbscan/N`, or `/tmp/usbscan-UID/N` (UID the user's id) when the
 *         variable is unset or empty.
 */
PLATFORM_API std::string usbscanSocketPath(int index);

/**
 * Whether a folder may hold this user's camera sockets. Another user could pose as the camera
 * in any other folder, so such a folder is neither served nor connected to.
 * @param folder the socket folder (the parent of usbscanSocketPath()).
 * @return empty when it is a real folder (not a link) owned by the user and closed to everyone
 *         else; otherwise one line saying why not.
 */
PLATFORM_API std::string usbscanFolderProblem(const std::string& folder);

/**
 * Sets how long a socket call waits for the camera's answer before the camera counts as gone
 * (every later call on that handle fails), and how long one transfer to a camera on the USB bus
 * may take before it fails.
 * @param milliseconds the bound; 0 restores the defaults of 3000 ms (socket) and 5000 ms (USB).
 */
PLATFORM_API void setUsbscanTimeout(uint32_t milliseconds);

}  // namespace platform
#endif /* __cplusplus */

#endif /* DUOVUE_PLATFORM_H */
