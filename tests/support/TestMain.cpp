// The main of the test programs; those built with QUINTOR_TEST_FRAMEWORK start the framework.
#include "RunTests.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef QUINTOR_TEST_FRAMEWORK
    test_support::StartFramework(argc, argv);
#endif
    return test_support::RunAllTests();
}
