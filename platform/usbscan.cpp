// Still-image device files. Placeholder until the device-file layer lands: no device exists.
#include "platform.h"

namespace platform {
void attachUsbDevice(int, std::shared_ptr<UsbDevice>) {}
void detachUsbDevice(int) {}
}  // namespace platform

extern "C" {
HANDLE CreateFileA(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
    return INVALID_HANDLE_VALUE;
}
BOOL CloseHandle(HANDLE) { return FALSE; }
BOOL DeviceIoControl(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) {
    return FALSE;
}
BOOL ReadFile(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) { return FALSE; }
}
