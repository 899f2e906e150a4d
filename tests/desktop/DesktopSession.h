// The desktop tests' X session, started by their main (null while tests are only listed).
#pragma once

#include "XSession.h"

#include <gtest/gtest.h>

const test_support::XSession* TheSession();

#define REQUIRE_DESKTOP()                                                                          \
    do                                                                                             \
    {                                                                                              \
        ASSERT_NE(TheSession(), nullptr);                                                          \
        REQUIRE_STARTED(*TheSession());                                                            \
    } while (0)
