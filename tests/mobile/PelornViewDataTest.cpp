#include <gtest/gtest.h>

#include "PelornViewData.h"
#include "TestEnvironment.h"
#include "pelorn_clock.h"

using namespace NSPelorn;

namespace
{
struct ManualClock
{
    ManualClock() { pelorn_clock_set_manual(TRUE); }
    ~ManualClock() { pelorn_clock_set_manual(FALSE); }
};
} // namespace

// The ring duration is the wall-clock time between the two presses.
TEST(PelornViewData, DurationIsTheTimeBetweenStartAndStop)
{
    ManualClock clock;
    PelornViewData data;
    data.StartDurationTime();
    pelorn_clock_advance_ms(4250);
    data.StopDurationTime();
    EXPECT_EQ(4250, data.GetDurationTime());

    // A second ring measures afresh from its own start press.
    data.StartDurationTime();
    pelorn_clock_advance_ms(900);
    data.StopDurationTime();
    EXPECT_EQ(900, data.GetDurationTime());
    data.StartDurationTime();
    data.StopDurationTime();
    EXPECT_EQ(0, data.GetDurationTime()) << "no time between the presses";
}

// The screen's files are where the resource build puts them.
TEST(PelornViewData, ResourcePathsNameFilesThatExist)
{
    PelornTest::ScopedTestDirs dirs;
    PelornViewData data;
    for (const std::string& path : {data.GetPelornViewEDJDirectoryPath(), data.GetResourcesEDJDirectoryPath(),
                                    data.GetResourcesImageDirectoryPath() + "sequence_icon/rux_search_icon_18.png"})
    {
        ASSERT_FALSE(path.empty());
        EXPECT_FALSE(PelornTest::ReadFile(path).empty()) << path;
    }
}
