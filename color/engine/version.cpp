// The library's version number.
#include "zenthue.h"

extern "C" int GetDllVersion(void) {
    return 1104;
}
