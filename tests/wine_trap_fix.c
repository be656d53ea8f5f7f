// Mends the trap number of qemu's SIGTRAP for Wine, where 32-bit Wine runs under qemu's
// user-mode emulator (a kernel without 32-bit support). Test tooling only: the test build
// makes it a Linux i386 library, and scripts/wine-run.sh preloads it into the 32-bit Wine
// that runs the Windows tests there; no program of ours links it.
//
// On the processor, the kernel puts the number of the exception that raised SIGTRAP in the
// signal context (gregs[REG_TRAPNO]: 1 for the debug exception of a single step, 3 for
// int3), and Wine's handler tells a single step from a breakpoint by that number alone.
// qemu leaves it at -1, so Wine reports every single step as a breakpoint (0x80000003) and
// the profile tool, which steps through the kernels under the trap flag, cannot run. The
// si_code that qemu gives is right: TRAP_BRKPT for a single step, SI_KERNEL for int3.
//
// So the SIGTRAP handler that Wine installs with sigaction() is wrapped: the wrapper fills
// the trap number in from the si_code, where the emulator left it out, and calls Wine's
// handler. sigaction() reports Wine's handler, never the wrapper, as the one installed.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stddef.h>
#include <ucontext.h>

enum { X86_TRAP_DEBUG = 1, X86_TRAP_BREAKPOINT = 3 };

typedef void SigactionHandler(int, siginfo_t *, void *);
typedef int SigactionCall(int, const struct sigaction *, struct sigaction *);

// The handler the program gave for SIGTRAP while the wrapper stands in for it.
static SigactionHandler *volatile program_handler;

static void fill_in_trap_number(int signal, siginfo_t *info, void *context)
{
    greg_t *trap_number = &((ucontext_t *)context)->uc_mcontext.gregs[REG_TRAPNO];
    if (*trap_number == -1)
        *trap_number = info->si_code == SI_KERNEL ? X86_TRAP_BREAKPOINT : X86_TRAP_DEBUG;
    program_handler(signal, info, context);
}

static int takes_siginfo(const struct sigaction *action)
{
    return (action->sa_flags & SA_SIGINFO) && action->sa_handler != SIG_DFL &&
           action->sa_handler != SIG_IGN;
}

int sigaction(int signal, const struct sigaction *action, struct sigaction *old_action)
{
    static SigactionCall *libc_sigaction;
    if (!libc_sigaction)
        libc_sigaction = (SigactionCall *)dlsym(RTLD_NEXT, "sigaction");
    if (signal != SIGTRAP)
        return libc_sigaction(signal, action, old_action);

    SigactionHandler *replaced = program_handler;
    struct sigaction wrapped;
    if (action && takes_siginfo(action)) {
        wrapped = *action;
        wrapped.sa_sigaction = fill_in_trap_number;
        program_handler = action->sa_sigaction;
        action = &wrapped;
    }
    int result = libc_sigaction(signal, action, old_action);
    if (result == 0 && old_action && old_action->sa_sigaction == fill_in_trap_number)
        old_action->sa_sigaction = replaced;
    return result;
}
