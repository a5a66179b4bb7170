// Registers a function of the program as a TLS callback: the system calls it
// on every thread of the process as the thread starts and ends (reasons
// DLL_THREAD_ATTACH and DLL_THREAD_DETACH), before the thread's own code
// runs and after it. The variable named must be unique in the program.
#pragma once

#include <windows.h>

#if defined(_MSC_VER)
#define TAVRO_TLS_STRINGIFY(x) #x
#if defined(_M_IX86)
#define TAVRO_TLS_INCLUDE(name) __pragma(comment(linker, "/INCLUDE:_" TAVRO_TLS_STRINGIFY(name)))
#define TAVRO_TLS_USED __pragma(comment(linker, "/INCLUDE:__tls_used"))
#else
#define TAVRO_TLS_INCLUDE(name) __pragma(comment(linker, "/INCLUDE:" TAVRO_TLS_STRINGIFY(name)))
#define TAVRO_TLS_USED __pragma(comment(linker, "/INCLUDE:_tls_used"))
#endif
#define TAVRO_TLS_CALLBACK(name, function)                                 \
    TAVRO_TLS_USED                                                          \
    TAVRO_TLS_INCLUDE(name)                                                 \
    __pragma(const_seg(".CRT$XLT")) extern "C" const PIMAGE_TLS_CALLBACK name = function; \
    __pragma(const_seg())
#else
#define TAVRO_TLS_CALLBACK(name, function) \
    extern "C" __attribute__((section(".CRT$XLT"), used)) const PIMAGE_TLS_CALLBACK name = function;
#endif
