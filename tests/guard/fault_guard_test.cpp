// The fault guard: what a guarded body raises becomes an outcome and the program goes
// on. The faults here are real ones, raised by the processor, on every platform;
// fault_guard_posix_test.cpp and fault_guard_win32_test.cpp hold what is particular
// to signals and to structured exceptions.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/fault_guard.h"
#include "real_faults.h"

namespace {

using platform::GuardOutcome;
using platform::RunGuarded;

using guard_testing::DivideByZero;
using guard_testing::kRealFaults;
using guard_testing::OverflowStack;
using guard_testing::RealFault;
using guard_testing::RealFaultName;
using guard_testing::WriteThroughNullPointer;

class RealFaultTest : public ::testing::TestWithParam<RealFault> {};

TEST_P(RealFaultTest, IsReportedAsFault)
{
    EXPECT_EQ(RunGuarded([] { GetParam().raiseFault(); }), GuardOutcome::Fault);
}

// The second fault finds the handler and its stack again (on Windows: the stack's
// guard page put back after an overflow).
TEST_P(RealFaultTest, IsCaughtAgainRightAfterTheFirst)
{
    ASSERT_EQ(RunGuarded([] { GetParam().raiseFault(); }), GuardOutcome::Fault);
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
        WriteThroughNullPointer();
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

} // namespace
