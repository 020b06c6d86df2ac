// The fault guard on POSIX: signals raised by the program itself, the signal mask
// after a caught fault, and the fate of faults that no guard of their thread waits for.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include <signal.h>
#include <unistd.h>

#include "platform/fault_guard.h"
#include "real_faults.h"

namespace {

using guard_testing::kRealFaults;
using guard_testing::RealFault;
using guard_testing::RealFaultName;
using guard_testing::WriteThroughNullPointer;
using platform::GuardOutcome;
using platform::RunGuarded;

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

class RealFaultSignalTest : public ::testing::TestWithParam<RealFault> {};

TEST_P(RealFaultSignalTest, LeavesNoFaultSignalBlocked)
{
    ASSERT_EQ(RunGuarded([] { GetParam().raiseFault(); }), GuardOutcome::Fault);
    EXPECT_FALSE(AnyFaultSignalBlocked());
}

INSTANTIATE_TEST_SUITE_P(FaultGuard, RealFaultSignalTest, ::testing::ValuesIn(kRealFaults),
                         RealFaultName);

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
