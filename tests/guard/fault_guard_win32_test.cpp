// The fault guard on Windows: every structured exception that escapes the guarded
// call is a fault, the driver's own frame handlers see their exceptions first, the
// handler chain is as before afterwards, and a fault that no guard of its thread
// waits for still ends the process.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/windows_api.h"

#include "platform/fault_guard.h"
#include "real_faults.h"

namespace {

using guard_testing::WriteThroughNullPointer;
using platform::GuardOutcome;
using platform::RunGuarded;

// --- Exceptions raised by software ---------------------------------------------------

struct RaisedException {
    const char* name;
    DWORD code;
    DWORD flags;
};

class RaisedExceptionTest : public ::testing::TestWithParam<RaisedException> {};

TEST_P(RaisedExceptionTest, IsReportedAsFaultAndTheBodyStopsThere)
{
    bool bodyWentOn = false;
    const GuardOutcome outcome = RunGuarded([&] {
        ::RaiseException(GetParam().code, GetParam().flags, 0, nullptr);
        bodyWentOn = true;
    });
    EXPECT_EQ(outcome, GuardOutcome::Fault);
    EXPECT_FALSE(bodyWentOn);
}

INSTANTIATE_TEST_SUITE_P(
    FaultGuard, RaisedExceptionTest,
    ::testing::Values(
        RaisedException{"AccessViolation", EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE},
        // What a C++ exception of Visual C++ and of Delphi is to any other code.
        RaisedException{"VisualCppException", 0xE06D7363, EXCEPTION_NONCONTINUABLE},
        RaisedException{"DelphiException", 0x0EEDFADE, EXCEPTION_NONCONTINUABLE},
        RaisedException{"ContinuableCodeOfItsOwn", 0x20000001, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The driver's own frame handler --------------------------------------------------
//
// A frame handler on the stack between the guard and the fault, as the driver's own
// __try blocks put there.

struct DriverFrameLog {
    std::vector<std::string> calls;
    bool handleItself = false;
};

DriverFrameLog driverFrame;

EXCEPTION_DISPOSITION HandleInDriverFrame(const EXCEPTION_RECORD* exception)
{
    if ((exception->ExceptionFlags & EXCEPTION_UNWINDING) != 0) {
        driverFrame.calls.push_back("unwind");
        return ExceptionContinueSearch;
    }
    driverFrame.calls.push_back("search");
    if (driverFrame.handleItself && (exception->ExceptionFlags & EXCEPTION_NONCONTINUABLE) == 0)
        return ExceptionContinueExecution;
    return ExceptionContinueSearch;
}

#if defined(__i386__)

EXCEPTION_DISPOSITION NTAPI DriverFrameHandler(EXCEPTION_RECORD* exception, void*, CONTEXT*, void*)
{
    return HandleInDriverFrame(exception);
}

[[gnu::noinline]] void CallWithDriverFrame(void (*body)())
{
    volatile EXCEPTION_REGISTRATION_RECORD record{};
    record.Handler = DriverFrameHandler;
    record.Next = reinterpret_cast<EXCEPTION_REGISTRATION_RECORD*>(__readfsdword(0));
    __writefsdword(0, reinterpret_cast<DWORD>(&record));
    body();
    __writefsdword(0, reinterpret_cast<DWORD>(record.Next));
}

#elif defined(__x86_64__)

extern "C" {
void guard_test_call_with_driver_frame(void (*body)());

EXCEPTION_DISPOSITION guard_test_driver_frame_handler(EXCEPTION_RECORD* exception, void*, CONTEXT*,
                                                      DISPATCHER_CONTEXT*)
{
    return HandleInDriverFrame(exception);
}
}

// A function whose unwind table names the handler above, for both the search for a
// handler and the unwinding.
asm(R"(
    .text
    .p2align 4
    .globl guard_test_call_with_driver_frame
    .def guard_test_call_with_driver_frame; .scl 2; .type 32; .endef
    .seh_proc guard_test_call_with_driver_frame
guard_test_call_with_driver_frame:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    .seh_handler guard_test_driver_frame_handler, @except, @unwind
    callq *%rcx
    nop
    addq $40, %rsp
    ret
    .seh_endproc
)");

void CallWithDriverFrame(void (*body)())
{
    guard_test_call_with_driver_frame(body);
}

#endif

TEST(FaultGuardDriverFrame, SeesTheFaultFirstAndIsUnwoundWhenItPassesItOn)
{
    driverFrame = {};
    const GuardOutcome outcome = RunGuarded([] { CallWithDriverFrame(WriteThroughNullPointer); });
    EXPECT_EQ(outcome, GuardOutcome::Fault);
    EXPECT_EQ(driverFrame.calls, (std::vector<std::string>{"search", "unwind"}));
}

TEST(FaultGuardDriverFrame, ExceptionItHandlesItselfNeverReachesTheGuard)
{
    driverFrame = {};
    driverFrame.handleItself = true;
    static bool bodyWentOn;
    bodyWentOn = false;
    const GuardOutcome outcome = RunGuarded([] {
        CallWithDriverFrame([] {
            ::RaiseException(0x20000001, 0, 0, nullptr);
            bodyWentOn = true;
        });
    });
    EXPECT_EQ(outcome, GuardOutcome::Returned);
    EXPECT_TRUE(bodyWentOn);
    EXPECT_EQ(driverFrame.calls, (std::vector<std::string>{"search"}));
}

#if defined(__i386__)

// The chain at FS:[0] is the thread's list of frame handlers; a guard that left its
// record in it would send the next fault to a frame that no longer exists.
TEST(FaultGuardChain, IsAsBeforeAfterEachOutcome)
{
    const DWORD before = __readfsdword(0);
    RunGuarded([] {});
    EXPECT_EQ(__readfsdword(0), before) << "after a return";
    RunGuarded([] { throw 1; });
    EXPECT_EQ(__readfsdword(0), before) << "after an exception";
    RunGuarded([] { WriteThroughNullPointer(); });
    EXPECT_EQ(__readfsdword(0), before) << "after a fault";
    RunGuarded([] { RunGuarded([] { WriteThroughNullPointer(); }); guard_testing::DivideByZero(); });
    EXPECT_EQ(__readfsdword(0), before) << "after nested faults";
    RunGuarded([] { guard_testing::OverflowStack(); });
    EXPECT_EQ(__readfsdword(0), before) << "after a stack overflow";
}

#endif

// --- Faults that no guard waits for (each in a child process) -------------------------

constexpr int kUnhandled = 42;
constexpr int kNotCaught = 4;

LONG WINAPI ExitAsUnhandled(EXCEPTION_POINTERS*)
{
    ::ExitProcess(kUnhandled);
}

TEST(FaultGuardDeathTest, FaultOnAnotherThreadIsNotTheGuards)
{
    EXPECT_EXIT(
        {
            ::SetUnhandledExceptionFilter(ExitAsUnhandled);
            RunGuarded([] {
                std::thread thread(WriteThroughNullPointer);
                thread.join();
            });
            ::ExitProcess(kNotCaught);
        },
        ::testing::ExitedWithCode(kUnhandled), "");
}

TEST(FaultGuardDeathTest, FaultAfterTheGuardCaughtOneIsNotTheGuards)
{
    EXPECT_EXIT(
        {
            ::SetUnhandledExceptionFilter(ExitAsUnhandled);
            if (RunGuarded([] { WriteThroughNullPointer(); }) != GuardOutcome::Fault)
                ::ExitProcess(kNotCaught);
            WriteThroughNullPointer();
            ::ExitProcess(kNotCaught);
        },
        ::testing::ExitedWithCode(kUnhandled), "");
}

} // namespace
