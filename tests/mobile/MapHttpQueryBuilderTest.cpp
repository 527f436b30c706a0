#include "AutoNaviMapHttpQueryBuilder.h"
#include "NaverMapHttpQueryBuilder.h"

#include "TestEnvironment.h"
#include "pelorn_log_capture.h"

#include <gtest/gtest.h>

using namespace NSPelorn;

namespace
{
const std::string kAutoNaviKey = "ec710e217f675fead9be0d6a5ae4f4cc";
const std::string kNaverClient = "CwvAIQY5W6WHIRNz2RVW";
} // namespace

TEST(MapHttpQueryBuilder, AutoNaviShiftsTheCentreAndPutsLongitudeFirst)
{
    AutoNaviMapHttpQueryBuilder builder;
    builder.SetCenter(116.397128, 39.916527);
    builder.SetMapSize(360, 360);
    builder.SetZoom(16);
    EXPECT_EQ(builder.BuildQuery(), "http://restapi.amap.com/v3/staticmap?location=116.390883,39.915123&zoom=16&"
                                    "size=360*360&key=" +
                                        kAutoNaviKey);
}

TEST(MapHttpQueryBuilder, ZoomIsClampedOnlyWhenWritten)
{
    AutoNaviMapHttpQueryBuilder builder;
    builder.SetCenter(116.397128, 39.916527);
    builder.SetZoom(25);
    EXPECT_EQ(builder.GetZoom(), 25);
    EXPECT_NE(builder.GetDataField().find("&zoom=17&"), std::string::npos);
    builder.SetZoom(-3);
    EXPECT_NE(builder.GetDataField().find("&zoom=0&"), std::string::npos);

    NaverMapHttpQueryBuilder naver;
    naver.SetZoom(17);
    EXPECT_NE(naver.GetDataField().find("&level=16&"), std::string::npos);
}

TEST(MapHttpQueryBuilder, NoFixCentreIsSentAsZeros)
{
    AutoNaviMapHttpQueryBuilder builder;
    builder.SetCenter(116.4, 0.0);
    EXPECT_NE(builder.GetDataField().find("location=0.000000,0.000000&"), std::string::npos);
}

TEST(MapHttpQueryBuilder, NaverKeepsTheCentreUnshifted)
{
    NaverMapHttpQueryBuilder builder;
    builder.SetCenter(126.978, 37.5665);
    builder.SetMapSize(360, 360);
    builder.SetZoom(12);
    EXPECT_EQ(builder.BuildQuery(), "https://openapi.naver.com/v1/map/staticmap.bin?clientId=" + kNaverClient +
                                        "&url=com.quenlor.pelorn&crs=EPSG:4326&center=126.978000,37.566500&level=12&"
                                        "w=360&h=360&baselayer=default");
}

TEST(MapHttpQueryBuilder, NonPositiveSizeIsRefusedAndLogged)
{
    pelorn_log_capture_begin();
    NaverMapHttpQueryBuilder builder;
    builder.SetMapSize(0, 200);
    EXPECT_EQ(builder.GetMapWidth(), 360);
    EXPECT_EQ(builder.GetMapHeight(), 360);
    EXPECT_TRUE(pelorn_log_captured("pelorn-p", "(mapWidth <= 0 || mapHeight <= 0) [return]"));
    builder.SetMapSize(200, 100);
    EXPECT_NE(builder.GetDataField().find("&w=200&h=100&"), std::string::npos);
    pelorn_log_capture_end();
}
