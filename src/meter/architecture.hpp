// The processor mode this build's code runs in, for what a program reports about itself
// (the stats tool's context, the self-check's heading). The one place in C++ that asks
// which mode it was built for; the assembly asks in meter/abi.inc.
#pragma once

#if defined(__x86_64__)
inline constexpr char ARCHITECTURE_NAME[] = "x86_64";
#else
inline constexpr char ARCHITECTURE_NAME[] = "i386";
#endif
