#include "RunTests.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace test_support
{
namespace
{
class SkipsFail : public ::testing::EmptyTestEventListener
{
    void OnTestEnd(const ::testing::TestInfo& test) override
    {
        if (test.result()->Skipped())
            ADD_FAILURE() << "a skip fails the run where CI=true";
    }
};
} // namespace

int RunAllTests()
{
    // Death tests start the program again rather than fork a process that may hold threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (const char* ci = std::getenv("CI"); ci != nullptr && std::string_view(ci) == "true")
        ::testing::UnitTest::GetInstance()->listeners().Append(new SkipsFail);
    // The run's temporary folders, this process's and those of the children it starts again (which
    // may end without unwinding), all inside one that goes with the run.
    const TempFolder run;
    setenv("TMPDIR", run.Path().c_str(), 1);
    return RUN_ALL_TESTS();
}
} // namespace test_support
