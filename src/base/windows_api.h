#pragma once
// The Win32 and Winsock 2 headers as every Windows file of this program
// includes them: without the min/max macros and the rarely used parts, and
// Winsock 2 before <windows.h> (which would otherwise bring in the old
// winsock.h). Nothing on other systems.

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#endif
