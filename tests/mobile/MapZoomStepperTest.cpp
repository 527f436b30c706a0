#include "MapZoomStepper.h"

#include <gtest/gtest.h>

using NSPelorn::MapZoomStepper;

TEST(MapZoomStepper, DetentsStepWithinTheRangeOneRequestAtATime)
{
    MapZoomStepper zoom;
    EXPECT_FALSE(zoom.Turn(1)) << "no picture yet";
    EXPECT_EQ(-1, zoom.TakeRequest());

    zoom.Reset(16, 0, 20);
    EXPECT_TRUE(zoom.Turn(1));
    EXPECT_EQ(17, zoom.TakeRequest());
    EXPECT_EQ(-1, zoom.TakeRequest()) << "17 is on its way";
    // Three more detents while 17 travels: one request for 20 once it lands.
    zoom.Turn(1);
    zoom.Turn(1);
    zoom.Turn(1);
    EXPECT_EQ(-1, zoom.TakeRequest());
    zoom.Arrived();
    EXPECT_EQ(17, zoom.Shown());
    EXPECT_EQ(20, zoom.TakeRequest());
    zoom.Arrived();
    EXPECT_FALSE(zoom.Turn(1)) << "the provider's maximum";
    EXPECT_EQ(-1, zoom.TakeRequest());

    // Turning back to the shown zoom before anything left asks for nothing.
    EXPECT_TRUE(zoom.Turn(-1));
    EXPECT_TRUE(zoom.Turn(1));
    EXPECT_EQ(-1, zoom.TakeRequest());
    EXPECT_FALSE(zoom.Turn(-1000000000) && zoom.Turn(-1000000000))
        << "clamped at the minimum without overflow";
    EXPECT_EQ(0, zoom.Wanted());
}

TEST(MapZoomStepper, AFailedFetchKeepsTheShownZoom)
{
    MapZoomStepper zoom;
    zoom.Reset(25, 0, 17); // a kept picture from beyond the range comes back inside it
    EXPECT_EQ(17, zoom.Shown());
    zoom.Turn(-2);
    EXPECT_EQ(15, zoom.TakeRequest());
    zoom.Failed();
    EXPECT_EQ(17, zoom.Shown());
    EXPECT_EQ(17, zoom.Wanted());
    EXPECT_FALSE(zoom.InFlight());
    zoom.Arrived(); // a late answer after the failure changes nothing
    EXPECT_EQ(17, zoom.Shown());
    zoom.Turn(-1);
    EXPECT_EQ(16, zoom.TakeRequest());
}
