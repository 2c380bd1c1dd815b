#include <gtest/gtest.h>

#include "support/Process.h"

namespace {

// --demo starts the simulated unit, the window comes up, and everything shuts down cleanly when
// it closes (the unit's thread and terminal included).
TEST(OrqApp, DemoStartsShowsTheWindowAndClosesCleanly) {
    const auto r =
        orq::test::Run({"QT_QPA_PLATFORM=offscreen", "ORQ_STARTUP_PROBE=1", ORQ_APP, "--demo"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(("\n" + r.out).find("\nshown_at_us "), std::string::npos) << r.out;
}

}  // namespace
