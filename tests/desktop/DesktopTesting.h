// The desktop tests' session, and the skip when it could not start.
#pragma once

#include "XSession.h"

#include <gtest/gtest.h>

// Null while tests are only being listed.
const x_session::Session* TheSession();

#define SKIP_WITHOUT_DESKTOP()                                                                     \
    do                                                                                             \
    {                                                                                              \
        if (TheSession() == nullptr || !TheSession()->Started())                                   \
            GTEST_SKIP() << "no X server with a window manager here: "                             \
                         << (TheSession() ? TheSession()->Problem() : std::string("not started")); \
    } while (0)
