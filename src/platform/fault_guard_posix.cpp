#include "platform/fault_guard.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <mutex>

#include <setjmp.h>
#include <pthread.h>
#include <signal.h>
#include <ucontext.h>
#include <sys/mman.h>
#include <unistd.h>

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define MXB_HAVE_VALGRIND 1
#endif

// A processor fault inside the driver arrives as a signal on the thread that made the
// call. The handler jumps back to the innermost guard of that thread; signals that no
// guard waits for go on to whatever handled them before, so a sanitizer or a crash
// reporter still sees them.

namespace platform {
namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT};

// Large enough for a handler that forwards to a sanitizer's report, which runs on this
// stack too.
constexpr std::size_t kMinimumAlternateStackSize = 256 * 1024;

struct GuardFrame {
    sigjmp_buf resume;
    GuardFrame* previous;
};

// The innermost active guard of this thread. volatile and fenced: the handler reads it
// asynchronously, so the compiler must not drop or delay a store that looks dead to it.
thread_local GuardFrame* volatile activeFrame = nullptr;

std::once_flag handlersInstalled;
struct sigaction previousActions[NSIG];

// Each thread that runs a guard needs a stack the handler can use when the fault is
// a stack overflow. A thread that already has one (a sanitizer installs its own on
// every thread it starts) keeps it. Never SS_AUTODISARM: that flag disarms the stack
// until the handler returns, and our handler leaves by a long jump, so the second
// overflow would find no stack and kill the process.
class AlternateStack {
public:
    AlternateStack() = default;
    AlternateStack(const AlternateStack&) = delete;
    AlternateStack& operator=(const AlternateStack&) = delete;

    ~AlternateStack()
    {
        if (mapping_ == nullptr)
            return;
        stack_t current{};
        if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == stackBase()) {
            stack_t disabled{};
            disabled.ss_flags = SS_DISABLE;
            sigaltstack(&disabled, nullptr);
        }
#ifdef MXB_HAVE_VALGRIND
        VALGRIND_STACK_DEREGISTER(valgrindStackId_);
#endif
        munmap(mapping_, mappingSize_);
    }

    void EnsureInstalled()
    {
        if (checked_)
            return;
        checked_ = true;

        stack_t current{};
        if (sigaltstack(nullptr, &current) != 0 || (current.ss_flags & SS_DISABLE) == 0)
            return;

        const auto pageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t stackSize =
            std::max(kMinimumAlternateStackSize, static_cast<std::size_t>(SIGSTKSZ));
        const std::size_t mappingSize = stackSize + pageSize;
        void* mapping = mmap(nullptr, mappingSize, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        if (mapping == MAP_FAILED)
            return;
        // The lowest page stays inaccessible: a handler that overruns its stack then
        // faults instead of writing over whatever lies below it.
        mprotect(mapping, pageSize, PROT_NONE);

        stack_t stack{};
        stack.ss_sp = static_cast<char*>(mapping) + pageSize;
        stack.ss_size = stackSize;
        stack.ss_flags = 0;
        if (sigaltstack(&stack, nullptr) != 0) {
            munmap(mapping, mappingSize);
            return;
        }
        mapping_ = mapping;
        mappingSize_ = mappingSize;
        pageSize_ = pageSize;
#ifdef MXB_HAVE_VALGRIND
        // Unregistered, valgrind takes the switch to this stack for a huge stack
        // pointer change and reports the handler's accesses as invalid.
        char* const base = static_cast<char*>(stack.ss_sp);
        valgrindStackId_ = VALGRIND_STACK_REGISTER(base, base + stackSize);
#endif
    }

private:
    void* stackBase() const { return static_cast<char*>(mapping_) + pageSize_; }

    bool checked_ = false;
    void* mapping_ = nullptr;
    std::size_t mappingSize_ = 0;
    std::size_t pageSize_ = 0;
#ifdef MXB_HAVE_VALGRIND
    unsigned valgrindStackId_ = 0;
#endif
};

thread_local AlternateStack alternateStack;

void RaiseWithDefaultAction(int signal)
{
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigaction(signal, &defaultAction, nullptr);
    // The signal stays blocked while its handler runs, so this one waits and ends the
    // process as soon as the handler returns. A processor fault would also come back
    // by itself: returning runs the faulting instruction again.
    raise(signal);
}

void ForwardToPreviousAction(int signal, siginfo_t* info, void* context)
{
    const struct sigaction& previous = previousActions[signal];
    if (previous.sa_handler == SIG_IGN) {
        // Only a signal sent by a process can be ignored. For a fault the processor
        // raised (si_code > 0) the kernel refuses SIG_IGN and kills the process;
        // returning here would only run the faulting instruction again, forever.
        if (info == nullptr || info->si_code <= 0)
            return;
        RaiseWithDefaultAction(signal);
        return;
    }
    if (previous.sa_handler == SIG_DFL) {
        RaiseWithDefaultAction(signal);
        return;
    }
    if ((previous.sa_flags & SA_SIGINFO) != 0)
        previous.sa_sigaction(signal, info, context);
    else
        previous.sa_handler(signal);
}

void HandleFaultSignal(int signal, siginfo_t* info, void* context)
{
    GuardFrame* const frame = activeFrame;
    if (frame != nullptr) {
        // The guard saved no signal mask (that would cost a system call on every
        // driver call); the fault path puts back the mask of the interrupted code
        // instead, which unblocks this signal so that the next fault is caught too.
        pthread_sigmask(SIG_SETMASK, &static_cast<const ucontext_t*>(context)->uc_sigmask, nullptr);
        siglongjmp(frame->resume, signal);
    }

    const int savedErrno = errno;
    ForwardToPreviousAction(signal, info, context);
    errno = savedErrno;
}

void InstallHandlers()
{
    struct sigaction action {};
    action.sa_sigaction = HandleFaultSignal;
    // No SA_NODEFER: the signal stays blocked until the handler restores the mask of
    // the interrupted code. No SA_RESETHAND: every fault finds the handler.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int signal : kFaultSignals) {
        // The previous action is read before ours replaces it, so a signal on another
        // thread in between never finds an empty entry.
        sigaction(signal, nullptr, &previousActions[signal]);
        sigaction(signal, &action, nullptr);
    }
}

// Kept apart from RunGuarded so that no C++ unwinding state lives in the function
// that calls sigsetjmp.
[[gnu::noinline]] GuardOutcome CallCatchingExceptions(void (*body)(void* context), void* context)
{
    try {
        body(context);
        return GuardOutcome::Returned;
    } catch (...) {
        return GuardOutcome::Exception;
    }
}

} // namespace

GuardOutcome RunGuarded(void (*body)(void* context), void* context)
{
    std::call_once(handlersInstalled, InstallHandlers);
    alternateStack.EnsureInstalled();

    GuardFrame frame;
    frame.previous = activeFrame;
    // savemask = 0: the handler restores the mask itself before it jumps back.
    if (sigsetjmp(frame.resume, 0) != 0) {
        // The body's frames were abandoned by the long jump; only this frame is
        // left to pop.
        activeFrame = frame.previous;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        return GuardOutcome::Fault;
    }
    activeFrame = &frame;
    std::atomic_signal_fence(std::memory_order_seq_cst);

    const GuardOutcome outcome = CallCatchingExceptions(body, context);

    std::atomic_signal_fence(std::memory_order_seq_cst);
    activeFrame = frame.previous;
    return outcome;
}

} // namespace platform
