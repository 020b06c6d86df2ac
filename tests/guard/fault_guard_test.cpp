// The fault guard: what a guarded body raises becomes an outcome and the program goes
// on; a fault that no guard of its own thread waits for keeps its usual fate.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <unistd.h>

#include "platform/fault_guard.h"

namespace {

using platform::GuardOutcome;
using platform::RunGuarded;

// Real faults, raised by the processor rather than by raise(). The sanitizers are kept
// out: they would report the undefined behaviour before the processor faults.

__attribute__((noinline, no_sanitize("address", "undefined"))) void WriteThroughNullPointer()
{
    int* volatile target = nullptr;
    *target = 1;
}

__attribute__((noinline, no_sanitize("undefined"))) void DivideByZero()
{
    volatile int dividend = 1;
    volatile int divisor = 0;
    volatile int quotient = dividend / divisor;
    (void)quotient;
}

__attribute__((noinline)) unsigned Recurse(unsigned depth)
{
    volatile char frame[1024];
    frame[depth % sizeof frame] = static_cast<char>(depth);
    if (depth == ~0u)
        return 0;
    return Recurse(depth + 1) + static_cast<unsigned>(frame[depth % sizeof frame]);
}

void OverflowStack()
{
    volatile unsigned sink = Recurse(0);
    (void)sink;
}

void ExecuteIllegalInstruction()
{
    __builtin_trap();
}

void HitBreakpoint()
{
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("int3");
#else
    std::raise(SIGTRAP);
#endif
}

void Abort()
{
    std::abort();
}

struct RealFault {
    const char* name;
    void (*raiseFault)();
};

const std::vector<RealFault> kRealFaults = {
    {"NullPointerWrite", WriteThroughNullPointer},
    {"IntegerDivisionByZero", DivideByZero},
    {"StackOverflow", OverflowStack},
    {"IllegalInstruction", ExecuteIllegalInstruction},
    {"Breakpoint", HitBreakpoint},
    {"Abort", Abort},
};

std::string RealFaultName(const ::testing::TestParamInfo<RealFault>& info)
{
    return info.param.name;
}

// The fault signals, blocked or not: a signal left blocked after a caught fault
// would make the next real fault kill the process.
bool AnyFaultSignalBlocked()
{
    sigset_t mask;
    sigprocmask(SIG_BLOCK, nullptr, &mask);
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT}) {
        if (sigismember(&mask, signal))
            return true;
    }
    return false;
}

// --- Signals and faults inside a guard ---------------------------------------------

struct RaisedSignal {
    const char* name;
    int signal;
};

class RaisedSignalTest : public ::testing::TestWithParam<RaisedSignal> {};

TEST_P(RaisedSignalTest, IsReportedAsFaultAndTheBodyStopsThere)
{
    bool bodyWentOn = false;
    const GuardOutcome outcome = RunGuarded([&] {
        std::raise(GetParam().signal);
        bodyWentOn = true;
    });
    EXPECT_EQ(outcome, GuardOutcome::Fault);
    EXPECT_FALSE(bodyWentOn);
    EXPECT_FALSE(AnyFaultSignalBlocked());
}

INSTANTIATE_TEST_SUITE_P(FaultGuard, RaisedSignalTest,
                         ::testing::Values(RaisedSignal{"SIGSEGV", SIGSEGV},
                                           RaisedSignal{"SIGBUS", SIGBUS},
                                           RaisedSignal{"SIGFPE", SIGFPE},
                                           RaisedSignal{"SIGILL", SIGILL},
                                           RaisedSignal{"SIGTRAP", SIGTRAP},
                                           RaisedSignal{"SIGABRT", SIGABRT}),
                         [](const auto& info) { return std::string(info.param.name); });

class RealFaultTest : public ::testing::TestWithParam<RealFault> {};

TEST_P(RealFaultTest, IsReportedAsFault)
{
    EXPECT_EQ(RunGuarded([] { GetParam().raiseFault(); }), GuardOutcome::Fault);
}

// The second fault finds the handler, its stack and an unblocked signal again.
TEST_P(RealFaultTest, IsCaughtAgainRightAfterTheFirst)
{
    ASSERT_EQ(RunGuarded([] { GetParam().raiseFault(); }), GuardOutcome::Fault);
    EXPECT_FALSE(AnyFaultSignalBlocked());
    EXPECT_EQ(RunGuarded([] { GetParam().raiseFault(); }), GuardOutcome::Fault);
    EXPECT_EQ(RunGuarded([] { GetParam().raiseFault(); }), GuardOutcome::Fault);
}

INSTANTIATE_TEST_SUITE_P(FaultGuard, RealFaultTest, ::testing::ValuesIn(kRealFaults), RealFaultName);

TEST(FaultGuard, FaultsOfDifferentKindsFollowingEachOtherAreAllCaught)
{
    std::vector<RealFault> sequence = kRealFaults;
    sequence.insert(sequence.end(), kRealFaults.rbegin(), kRealFaults.rend());
    for (const RealFault& fault : sequence)
        EXPECT_EQ(RunGuarded([&] { fault.raiseFault(); }), GuardOutcome::Fault) << fault.name;
}

// --- Exceptions and normal return -----------------------------------------------------

struct NotAnException {
    int code;
};

struct ThrownType {
    const char* name;
    void (*throwIt)();
};

class ThrownTypeTest : public ::testing::TestWithParam<ThrownType> {};

TEST_P(ThrownTypeTest, IsReportedAsException)
{
    EXPECT_EQ(RunGuarded([] { GetParam().throwIt(); }), GuardOutcome::Exception);
}

INSTANTIATE_TEST_SUITE_P(
    FaultGuard, ThrownTypeTest,
    ::testing::Values(
        ThrownType{"StdRuntimeError", [] { throw std::runtime_error("driver failed"); }},
        ThrownType{"StdException", [] { throw std::exception(); }},
        ThrownType{"Int", [] { throw 5; }},
        ThrownType{"ClassOfItsOwn", [] { throw NotAnException{7}; }},
        ThrownType{"CString", [] { throw "text"; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FaultGuard, BodyThatReturnsRunsOnceAndIsReportedAsReturned)
{
    int runs = 0;
    EXPECT_EQ(RunGuarded([&] { ++runs; }), GuardOutcome::Returned);
    EXPECT_EQ(runs, 1);
}

TEST(FaultGuard, ExceptionAfterAFaultIsStillAnException)
{
    ASSERT_EQ(RunGuarded([] { WriteThroughNullPointer(); }), GuardOutcome::Fault);
    EXPECT_EQ(RunGuarded([] { throw 1; }), GuardOutcome::Exception);
    EXPECT_EQ(RunGuarded([] {}), GuardOutcome::Returned);
}

// --- Nested guards ----------------------------------------------------------------------

TEST(FaultGuardNesting, InnerFaultIsTheInnerGuardsAndTheOuterBodyGoesOn)
{
    GuardOutcome inner = GuardOutcome::Returned;
    bool outerWentOn = false;
    const GuardOutcome outer = RunGuarded([&] {
        inner = RunGuarded([] { WriteThroughNullPointer(); });
        outerWentOn = true;
    });
    EXPECT_EQ(inner, GuardOutcome::Fault);
    EXPECT_TRUE(outerWentOn);
    EXPECT_EQ(outer, GuardOutcome::Returned);
}

// After the inner guard's long jump, the outer guard must be the active one again.
TEST(FaultGuardNesting, FaultAfterAnInnerFaultGoesToTheOuterGuard)
{
    GuardOutcome inner = GuardOutcome::Returned;
    bool outerWentOn = false;
    const GuardOutcome outer = RunGuarded([&] {
        inner = RunGuarded([] { DivideByZero(); });
        WriteThroughNullPointer();
        outerWentOn = true;
    });
    EXPECT_EQ(inner, GuardOutcome::Fault);
    EXPECT_FALSE(outerWentOn);
    EXPECT_EQ(outer, GuardOutcome::Fault);
}

TEST(FaultGuardNesting, FaultAfterAnInnerGuardReturnedGoesToTheOuterGuard)
{
    GuardOutcome inner = GuardOutcome::Fault;
    const GuardOutcome outer = RunGuarded([&] {
        inner = RunGuarded([] {});
        std::raise(SIGSEGV);
    });
    EXPECT_EQ(inner, GuardOutcome::Returned);
    EXPECT_EQ(outer, GuardOutcome::Fault);
}

TEST(FaultGuardNesting, ExceptionIsTheInnerGuardsAndAFaultDeeperDownTooAtEachLevel)
{
    std::vector<GuardOutcome> outcomes;
    const GuardOutcome outermost = RunGuarded([&] {
        outcomes.push_back(RunGuarded([&] {
            outcomes.push_back(RunGuarded([] { throw std::runtime_error("inner"); }));
            outcomes.push_back(RunGuarded([] { OverflowStack(); }));
            throw 3;
        }));
    });
    EXPECT_EQ(outermost, GuardOutcome::Returned);
    EXPECT_EQ(outcomes, (std::vector<GuardOutcome>{GuardOutcome::Exception, GuardOutcome::Fault,
                                                   GuardOutcome::Exception}));
}

// --- Threads --------------------------------------------------------------------------

// A thread's first guard must give that thread a stack for the handler too.
TEST(FaultGuardThreads, StackOverflowOnAnotherThreadIsCaughtByThatThreadsGuard)
{
    GuardOutcome outcome = GuardOutcome::Returned;
    std::thread thread([&] { outcome = RunGuarded([] { OverflowStack(); }); });
    thread.join();
    EXPECT_EQ(outcome, GuardOutcome::Fault);
}

TEST(FaultGuardThreads, GuardsOnTwoThreadsAtOnceCatchTheirOwnFaults)
{
    GuardOutcome other = GuardOutcome::Returned;
    GuardOutcome mine = GuardOutcome::Returned;
    const GuardOutcome outer = RunGuarded([&] {
        std::thread thread([&] { other = RunGuarded([] { DivideByZero(); }); });
        thread.join();
        mine = RunGuarded([] { WriteThroughNullPointer(); });
    });
    EXPECT_EQ(other, GuardOutcome::Fault);
    EXPECT_EQ(mine, GuardOutcome::Fault);
    EXPECT_EQ(outer, GuardOutcome::Returned);
}

// --- Faults that no guard waits for (each in a child process) ---------------------------
//
// The guard's handlers are installed once per process, on top of the handler found
// then. A "threadsafe" death test starts a fresh process, so each statement below sets
// the earlier handler first and installs the guard's after it.

constexpr int kGuardAlreadyInstalled = 3;
constexpr int kNotCaught = 4;

// Installs the guard's handlers over the current ones; a child in which they were
// already there could prove nothing and says so by its exit code.
void InstallGuardHandlers()
{
    struct sigaction before {};
    sigaction(SIGSEGV, nullptr, &before);
    RunGuarded([] {});
    struct sigaction after {};
    sigaction(SIGSEGV, nullptr, &after);
    if (after.sa_handler == before.sa_handler)
        _exit(kGuardAlreadyInstalled);
}

void SetAction(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

void SetInfoAction(int signal, void (*handler)(int, siginfo_t*, void*))
{
    struct sigaction action {};
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

void FaultOnAnotherThreadWhileGuarded()
{
    RunGuarded([] {
        std::thread thread(WriteThroughNullPointer);
        thread.join();
    });
}

struct EarlierHandler {
    const char* name;
    void (*install)();
    std::function<bool(int)> expectedEnd;
};

class UnguardedFaultDeathTest : public ::testing::TestWithParam<EarlierHandler> {};

TEST_P(UnguardedFaultDeathTest, FaultOnAnotherThreadGoesToTheEarlierHandler)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            GetParam().install();
            InstallGuardHandlers();
            FaultOnAnotherThreadWhileGuarded();
            _exit(kNotCaught);
        },
        GetParam().expectedEnd, "");
}

TEST_P(UnguardedFaultDeathTest, FaultAfterTheGuardCaughtOneGoesToTheEarlierHandler)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            GetParam().install();
            InstallGuardHandlers();
            if (RunGuarded([] { WriteThroughNullPointer(); }) != GuardOutcome::Fault)
                _exit(kNotCaught);
            WriteThroughNullPointer();
            _exit(kNotCaught);
        },
        GetParam().expectedEnd, "");
}

INSTANTIATE_TEST_SUITE_P(
    FaultGuard, UnguardedFaultDeathTest,
    ::testing::Values(
        EarlierHandler{"InfoHandler",
                       [] {
                           SetInfoAction(SIGSEGV, [](int signal, siginfo_t* info, void*) {
                               _exit(signal == SIGSEGV && info != nullptr && info->si_signo == SIGSEGV
                                         ? 42
                                         : 43);
                           });
                       },
                       ::testing::ExitedWithCode(42)},
        EarlierHandler{"PlainHandler",
                       [] { SetAction(SIGSEGV, [](int signal) { _exit(signal == SIGSEGV ? 44 : 45); }); },
                       ::testing::ExitedWithCode(44)},
        // Set explicitly: under a sanitizer the handler found at start is its own.
        EarlierHandler{"DefaultAction", [] { SetAction(SIGSEGV, SIG_DFL); },
                       ::testing::KilledBySignal(SIGSEGV)},
        // The processor's fault cannot be ignored: returning would only repeat it.
        EarlierHandler{"Ignored", [] { SetAction(SIGSEGV, SIG_IGN); },
                       ::testing::KilledBySignal(SIGSEGV)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FaultGuardDeathTest, RaisedSignalThatWasIgnoredBeforeStaysIgnored)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetAction(SIGTRAP, SIG_IGN);
            InstallGuardHandlers();
            std::raise(SIGTRAP);
            _exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
