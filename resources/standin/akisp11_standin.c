/* Stand-in for the PKCS#11 module, embedded by development builds in place of the published akisp11.dll.
 * It has the same name, machine types and file version, and exports only an entry point that refuses to work,
 * so an accidental installation of a development build can never serve a signing application. */
#include <windows.h>

typedef unsigned long StandinResult;
#define STANDIN_FUNCTION_NOT_SUPPORTED 0x54UL

__declspec(dllexport) StandinResult C_GetFunctionList(void **function_list)
{
    if (function_list) {
        *function_list = 0;
    }
    return STANDIN_FUNCTION_NOT_SUPPORTED;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
