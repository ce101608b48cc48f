// A test that has not finished within a minute ends the whole run with exit code 3, naming itself, so a
// hang inside Wine (a mode switch, a surface lock) shows where it happened instead of waiting for the
// outer time limit.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>

namespace {

constexpr DWORD kTestLimitMs = 60000;
constexpr DWORD kPollMs = 250;
constexpr UINT kHangExitCode = 3;

class Watchdog : public testing::EmptyTestEventListener {
public:
    Watchdog()
    {
        CreateThread(nullptr, 0, &Watchdog::threadEntry, this, 0, nullptr);
    }

    void OnTestStart(const testing::TestInfo& test) override
    {
        m_name = std::string(test.test_suite_name()) + "." + test.name();
        m_started.store(GetTickCount(), std::memory_order_release);
        m_running.store(true, std::memory_order_release);
    }

    void OnTestEnd(const testing::TestInfo&) override
    {
        m_running.store(false, std::memory_order_release);
    }

private:
    static DWORD WINAPI threadEntry(void* self)
    {
        static_cast<Watchdog*>(self)->watch();
        return 0;
    }

    void watch()
    {
        for (;;) {
            Sleep(kPollMs);
            if (m_running.load(std::memory_order_acquire) &&
                GetTickCount() - m_started.load(std::memory_order_acquire) > kTestLimitMs) {
                std::fprintf(stderr, "win32_tests: %s did not finish within %lu s\n", m_name.c_str(),
                             kTestLimitMs / 1000);
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), kHangExitCode);
            }
        }
    }

    std::string m_name; // written before m_running is set, read only while it is
    std::atomic<DWORD> m_started{0};
    std::atomic<bool> m_running{false};
};

class WatchdogInstaller : public testing::Environment {
public:
    WatchdogInstaller()
    {
        testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
    }
};

const testing::Environment* const g_watchdog = testing::AddGlobalTestEnvironment(new WatchdogInstaller);

} // namespace
