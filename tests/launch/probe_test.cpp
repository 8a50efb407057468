// The instance probe in this process: the client's name comes from string 1, and the
// probe that finds no client keeps that name taken until it goes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/client_program.h"
#include "app/instance_probe.h"
#include "launch/launch_harness.h"
#include "ui/resources.h"
#include "support/win32_codes.h"

namespace {

// Whether a client would see its mutex name taken right now.
bool NameTaken(const char* name) {
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name);
    const bool taken = ::GetLastError() == ERROR_ALREADY_EXISTS;
    if (mutex != nullptr) ::CloseHandle(mutex);
    return taken;
}

class InstanceProbeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_case.reset(new launch::LaunchCase(std::string("probe-") + name));
        ASSERT_TRUE(m_case->Ok());
    }
    std::unique_ptr<launch::LaunchCase> m_case;
};

TEST_F(InstanceProbeTest, FirstProbeKeepsTheClientNameTakenUntilItGoes) {
    ASSERT_FALSE(NameTaken("Quorvix_BrenvoClass"));
    {
        InstanceProbe first(RealClientProgram());
        EXPECT_TRUE(first.IsFirstInstance(IDS_CLIENT_TITLE, nullptr));
        EXPECT_TRUE(NameTaken("Quorvix_BrenvoClass"));

        InstanceProbe second(RealClientProgram());
        HWND hWnd = reinterpret_cast<HWND>(&second);  // must be overwritten
        EXPECT_FALSE(second.IsFirstInstance(IDS_CLIENT_TITLE, &hWnd));
        EXPECT_EQ(hWnd, nullptr);  // no window of the class anywhere
        EXPECT_FALSE(second.IsFirstInstance(IDS_CLIENT_TITLE, nullptr));
    }
    EXPECT_FALSE(NameTaken("Quorvix_BrenvoClass"));
    InstanceProbe again(RealClientProgram());
    EXPECT_TRUE(again.IsFirstInstance(IDS_CLIENT_TITLE, nullptr));
}

TEST_F(InstanceProbeTest, TitleThatDoesNotLoadLeavesClassAlone) {
    InstanceProbe probe(RealClientProgram());
    EXPECT_TRUE(probe.IsFirstInstance(0x7A11, nullptr));
    EXPECT_TRUE(NameTaken("Class"));
    EXPECT_FALSE(NameTaken("Quorvix_BrenvoClass"));
}

}  // namespace
