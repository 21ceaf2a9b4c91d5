// Attach and detach of the Windows DLL. Its hosts do not use the class library whose chain
// of extension modules the module would join, so there is nothing to register or release.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) {
    return TRUE;
}
