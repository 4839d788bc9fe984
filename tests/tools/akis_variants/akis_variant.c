/* A DLL that looks like another akisp11.dll: other bytes than the embedded build, with or without a version. */
#include <windows.h>

__declspec(dllexport) unsigned long C_GetFunctionList(void **function_list)
{
    if (function_list) {
        *function_list = 0;
    }
    return 0x54UL;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
