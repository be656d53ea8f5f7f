// What a meter instance's bytes are where the calling convention decides them: its frame,
// the two priority calls, the scratch slot of the division and the store of the result,
// one set per convention, as the assembly's mode layer (kernels/x86_mode.inc) lays them.
// The rest of the instance is the same bytes in every mode (meter_bytes_test.cpp).
#pragma once

#include <vector>

#include "encodings.hpp"

struct MeterFrame {
    std::vector<Encoding> prologue;
    std::vector<Encoding> priority_high;
    std::vector<Encoding> priority_normal;
    std::vector<Encoding> result_store;
    std::vector<Encoding> scratch_slot;  // around the x87 control word's save
    std::vector<Encoding> scratch_free;
    std::vector<Encoding> epilogue;
};

#if !defined(__x86_64__)
// 32-bit mode: a cdecl routine calling the stdcall Windows routines (or their stand-ins).
inline const MeterFrame METER_FRAME = {
    {{"53", "push ebx (the caller's)"}, {"56", "push esi (the caller's)"}},
    {{"E8 <GetCurrentProcess>", "call GetCurrentProcess"},
     {"68 80 00 00 00", "push 0x80 (HIGH_PRIORITY_CLASS)"},
     {"50", "push eax (the process)"},
     {"E8 <SetPriorityClass>", "call SetPriorityClass"}},
    {{"E8 <GetCurrentProcess>", "call GetCurrentProcess"},
     {"68 20 00 00 00", "push 0x20 (NORMAL_PRIORITY_CLASS)"},
     {"50", "push eax (the process)"},
     {"E8 <SetPriorityClass>", "call SetPriorityClass"}},
    {{"A3 [meter_result]", "mov [meter_result], eax"},
     {"89 15 [meter_result+4]", "mov [meter_result + 4], edx"}},
    {{"83 EC 04", "sub esp, 4"}},
    {{"83 C4 04", "add esp, 4"}},
    {{"5E 5B C3", "pop esi; pop ebx; ret"}},
};
#elif defined(_WIN32)
// Win64: arguments in RCX and RDX, 32 bytes of shadow space, RBX and RSI callee-saved.
inline const MeterFrame METER_FRAME = {
    {{"53", "push rbx (the caller's)"}, {"56", "push rsi (the caller's)"},
     {"48 83 EC 28", "sub rsp, 40 (shadow space; the stack 16-byte aligned)"}},
    {{"E8 <GetCurrentProcess>", "call GetCurrentProcess"},
     {"48 89 C1", "mov rcx, rax (the process)"},
     {"BA 80 00 00 00", "mov edx, 0x80 (HIGH_PRIORITY_CLASS)"},
     {"E8 <SetPriorityClass>", "call SetPriorityClass"}},
    {{"E8 <GetCurrentProcess>", "call GetCurrentProcess"},
     {"48 89 C1", "mov rcx, rax (the process)"},
     {"BA 20 00 00 00", "mov edx, 0x20 (NORMAL_PRIORITY_CLASS)"},
     {"E8 <SetPriorityClass>", "call SetPriorityClass"}},
    {{"89 05 [meter_result]", "mov [rip + meter_result], eax"},
     {"89 15 [meter_result+4]", "mov [rip + meter_result + 4], edx"}},
    {{"48 83 EC 08", "sub rsp, 8"}},
    {{"48 83 C4 08", "add rsp, 8"}},
    {{"48 83 C4 28", "add rsp, 40"}, {"5E 5B C3", "pop rsi; pop rbx; ret"}},
};
#else
// System V x86-64: arguments in RDI and RSI, RBX callee-saved; ESI, the scan length,
// waits in EBX across the calls.
inline const MeterFrame METER_FRAME = {
    {{"53", "push rbx (the caller's; the stack 16-byte aligned)"}},
    {{"89 F3", "mov ebx, esi"},
     {"E8 <GetCurrentProcess>", "call GetCurrentProcess"},
     {"48 89 C7", "mov rdi, rax (the process)"},
     {"BE 80 00 00 00", "mov esi, 0x80 (HIGH_PRIORITY_CLASS)"},
     {"E8 <SetPriorityClass>", "call SetPriorityClass"},
     {"89 DE", "mov esi, ebx"}},
    {{"89 F3", "mov ebx, esi (the scan length)"},
     {"E8 <GetCurrentProcess>", "call GetCurrentProcess"},
     {"48 89 C7", "mov rdi, rax (the process)"},
     {"BE 20 00 00 00", "mov esi, 0x20 (NORMAL_PRIORITY_CLASS)"},
     {"E8 <SetPriorityClass>", "call SetPriorityClass"},
     {"89 DE", "mov esi, ebx (the scan length back)"}},
    {{"89 05 [meter_result]", "mov [rip + meter_result], eax"},
     {"89 15 [meter_result+4]", "mov [rip + meter_result + 4], edx"}},
    {{"48 83 EC 08", "sub rsp, 8"}},
    {{"48 83 C4 08", "add rsp, 8"}},
    {{"5B C3", "pop rbx; ret"}},
};
#endif
