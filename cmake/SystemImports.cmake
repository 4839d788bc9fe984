# System DLLs the program imports statically.
#
# Windows looks for a DLL that is not a KnownDLL in the program's own folder before System32. The elevated
# copy runs from wherever the user saved the program (often Downloads, writable by anyone), so a planted DLL
# there would run as administrator. The import table therefore names only DLLs that are KnownDLLs on every
# supported Windows (7 to 11), which the loader always takes from the system folder:
#   kernel32, user32, gdi32, advapi32, shell32, shlwapi, ole32 and msvcrt (the C runtime of MinGW).
# Every other system DLL (bcrypt, version, winscard, comctl32, ...) is loaded at run time from System32 only;
# see core/system_dlls.h. tests/app checks the import table of the built program against this list.
set(TAVLUN_SYSTEM_IMPORTS kernel32 user32 gdi32 advapi32 shell32 shlwapi ole32)
set(TAVLUN_ALLOWED_IMPORT_DLLS
  KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll SHELL32.dll SHLWAPI.dll ole32.dll msvcrt.dll)
