#include "platform/fault_guard.h"

#include "windows_api.h"

#include <malloc.h>

// A processor fault inside the driver reaches a Windows program as a structured
// exception, dispatched on the faulting thread to the frame-based handlers of that
// thread's stack, innermost first. The guard puts a handler of its own on the stack
// around the call, so that the driver's own __try blocks (inner frames) see their
// exceptions first and only what escapes them is ours.
//
// MinGW's g++ has no __try/__except, so the guard frame is made by hand: on x86 a
// registration record linked into the chain at FS:[0], on x64 a small function in
// assembly whose unwind information names the guard's handler. Either way the
// handler unwinds the frames above the guard, which runs the driver's __finally
// blocks, and resumes the guard as if the call had returned.
//
// C++ exceptions of our own compiler are not structured exceptions on x86 (they use
// DWARF tables), so they are caught by a catch (...) inside the guard frame. A C++
// exception of another compiler (Visual C++ raises code 0xE06D7363) is a structured
// exception like any fault, and the guard frame catches it.

namespace platform {
namespace {

// The body's outcome when the guard frame was not needed.
struct Call {
    void (*body)(void* context);
    void* context;
    GuardOutcome outcome;
};

// Runs inside the guard frame. No C++ unwinding may pass through the frame itself:
// everything thrown stops here.
void CallCatchingExceptions(void* callPointer)
{
    auto& call = *static_cast<Call*>(callPointer);
    try {
        call.body(call.context);
        call.outcome = GuardOutcome::Returned;
    } catch (...) {
        call.outcome = GuardOutcome::Exception;
    }
}

#if defined(__i386__)

// The registration record must be the first member: the chain and the handler's
// establisher frame point at it. It lives on the guard's stack, as the system
// requires of every record in the chain.
struct GuardRecord {
    EXCEPTION_REGISTRATION_RECORD registration;
    void* resume[5]; // __builtin_setjmp's buffer
    DWORD exceptionCode;
};

EXCEPTION_DISPOSITION NTAPI HandleGuardedException(EXCEPTION_RECORD* exception,
                                                   void* establisherFrame, CONTEXT*, void*)
{
    // Called again while the system unwinds through the frame: nothing to do then.
    if ((exception->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0)
        return ExceptionContinueSearch;

    auto* record = static_cast<GuardRecord*>(establisherFrame);
    record->exceptionCode = exception->ExceptionCode;
    // Takes every record above ours off the chain, calling each handler to unwind
    // (the driver's __finally blocks run now); ours is then the innermost one.
    ::RtlUnwind(establisherFrame, nullptr, exception, nullptr);
    __builtin_longjmp(record->resume, 1);
}

// MinGW's __try1/__except1 macros push the record with inline assembly that the
// optimiser does not know about; it then stores call arguments over it. The record
// here is an ordinary local object, linked and unlinked with plain stores.
[[gnu::noinline]] DWORD CallUnderGuardFrame(void (*body)(void*), void* context)
{
    volatile GuardRecord record{};
    record.registration.Handler = HandleGuardedException;
    record.registration.Next = reinterpret_cast<EXCEPTION_REGISTRATION_RECORD*>(__readfsdword(0));

    auto* const resume = const_cast<void**>(record.resume);
    if (__builtin_setjmp(resume) == 0) {
        __writefsdword(0, reinterpret_cast<DWORD>(&record.registration));
        body(context);
    }
    // Back from the call or from the handler: either way the chain is put back as
    // it was before the call, so that later faults find the handlers below ours.
    __writefsdword(0, reinterpret_cast<DWORD>(record.registration.Next));
    return record.exceptionCode;
}

#elif defined(__x86_64__)

} // namespace
} // namespace platform

// On x64 the system finds frame handlers through the unwind tables of the code, not
// through a chain. This function's table names mxb_guard_handler as its handler; the
// handler unwinds to mxb_guard_resume inside it, with the exception code in EAX.
//
//     DWORD mxb_guard_frame(void (*body)(void*), void* context)
//
// returns 0 when the body returned, the exception code when the handler took over.
asm(R"(
    .text
    .p2align 4
    .globl mxb_guard_frame
    .def mxb_guard_frame; .scl 2; .type 32; .endef
    .seh_proc mxb_guard_frame
mxb_guard_frame:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    .seh_handler mxb_guard_handler, @except
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    nop
    xorl %eax, %eax
    .globl mxb_guard_resume
mxb_guard_resume:
    addq $40, %rsp
    ret
    .seh_endproc
)");

extern "C" {
DWORD mxb_guard_frame(void (*body)(void*), void* context);
void mxb_guard_resume();

EXCEPTION_DISPOSITION mxb_guard_handler(EXCEPTION_RECORD* exception, void* establisherFrame,
                                        CONTEXT* context, DISPATCHER_CONTEXT* dispatcher)
{
    if ((exception->ExceptionFlags & EXCEPTION_UNWIND) != 0)
        return ExceptionContinueSearch;
    // Unwinds the frames above the guard's (running their termination handlers) and
    // continues in the guard frame at mxb_guard_resume, with its stack pointer as it
    // was during the call and the exception code as the return value.
    ::RtlUnwindEx(establisherFrame, reinterpret_cast<void*>(&mxb_guard_resume), exception,
                  reinterpret_cast<void*>(static_cast<ULONG_PTR>(exception->ExceptionCode)),
                  context, dispatcher->HistoryTable);
    return ExceptionContinueSearch; // not reached
}
}

namespace platform {
namespace {

DWORD CallUnderGuardFrame(void (*body)(void*), void* context)
{
    return mxb_guard_frame(body, context);
}

#else
#error "fault_guard_win32.cpp knows the guard frame of x86 and x64 only"
#endif

// A stack overflow is handled on what is left of the stack that overflowed: the
// system's dispatcher, the guard's handler and the unwinding all run there. By
// default that is a page or two, less than they need (under Wine the process then
// dies of a second overflow inside the dispatcher). So each thread that runs a guard
// asks for more, and has its guard page put back where the stack now stands, so
// that the larger reserve applies from its next overflow on.
constexpr ULONG kStackKeptForOverflow = 64 * 1024;

void KeepStackForOverflowHandling()
{
    thread_local bool kept = false;
    if (kept)
        return;
    kept = true;
    ULONG size = kStackKeptForOverflow;
    if (::SetThreadStackGuarantee(&size))
        _resetstkoflw();
}

} // namespace

GuardOutcome RunGuarded(void (*body)(void* context), void* context)
{
    KeepStackForOverflowHandling();
    Call call{body, context, GuardOutcome::Returned};
    const DWORD exceptionCode = CallUnderGuardFrame(CallCatchingExceptions, &call);
    if (exceptionCode == 0)
        return call.outcome;
    // A stack overflow used up the guard page below the stack; until it is put back,
    // the next overflow has nothing to trip on and ends the process. That can only
    // be done once the stack has been unwound, which it is now.
    if (exceptionCode == EXCEPTION_STACK_OVERFLOW)
        _resetstkoflw();
    return GuardOutcome::Fault;
}

} // namespace platform
