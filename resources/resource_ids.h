// Identifiers of the program's resources, shared by the resource script and the code.
#pragma once

#define IDR_AKISP11_32 101
#define IDR_AKISP11_64 105
#define IDI_APP_ICON 103
#define IDI_HEADER_ICON 104
