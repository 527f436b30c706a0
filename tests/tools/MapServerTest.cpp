#include "MapServerProcess.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <string>

using PelornTest::MapServerProcess;

namespace
{
struct Fetched
{
    long status = 0;
    std::string body;
};

size_t AppendBody(char* data, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

/* Fetches url through the server as a proxy, verifying the peer as the
 * app's engine does, against the given authority (the server's own unless
 * told otherwise). */
Fetched FetchThrough(const MapServerProcess& server, const std::string& url,
                     const std::string* caFile = nullptr)
{
    Fetched out;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXY, server.ProxyAddress().c_str());
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    const std::string ca = caFile ? *caFile : server.CaFile();
    curl_easy_setopt(curl, CURLOPT_CAINFO, ca.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &out.body);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 10L);
    if (curl_easy_perform(curl) == CURLE_OK)
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &out.status);
    curl_easy_cleanup(curl);
    return out;
}

/* Width and height from a PNG's header chunk, or 0x0 when it is no PNG. */
std::pair<unsigned, unsigned> PngSize(const std::string& png)
{
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || png.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    auto be32 = [&png](size_t at)
    {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(png.data()) + at;
        return (unsigned(p[0]) << 24) | (unsigned(p[1]) << 16) | (unsigned(p[2]) << 8) | unsigned(p[3]);
    };
    return {be32(16), be32(20)};
}

const std::string kGoogle =
    "https://maps.googleapis.com/maps/api/staticmap?center=37.566500,126.978000&size=360x360&"
    "sensor=false&zoom=16&key=k&language=en";
const std::string kHere = "https://image.maps.api.here.com/mia/1.6/mapview?app_id=a&app_code=b&w=360&h=360&"
                          "ctr=40.712800,-74.006000&z=16&ml=eng";
const std::string kNaver = "https://openapi.naver.com/v1/map/staticmap.bin?clientId=c&url=u&crs=EPSG:4326&"
                           "center=126.978000,37.566500&level=12&w=360&h=360&baselayer=default";
const std::string kAutoNavi = "https://restapi.amap.com/v3/staticmap?location=116.390883,39.915123&zoom=16&"
                              "size=360*360&key=k";
} // namespace

/* Each run has an authority of its own, and only what it let through is
 * logged; a forced status is no picture. */
TEST(MapServer, AnswersAllFourProvidersOverHttpsTrustedOnlyThroughItsOwnAuthorityAndLogsTheUrls)
{
    MapServerProcess server, other({"--status", "404"});
    ASSERT_TRUE(server.IsRunning() && other.IsRunning());

    const std::string plain = "http" + kAutoNavi.substr(5);
    for (const std::string& url : {kGoogle, kHere, kNaver, kAutoNavi, plain})
    {
        Fetched got = FetchThrough(server, url);
        EXPECT_EQ(got.status, 200) << url;
        EXPECT_EQ(PngSize(got.body), std::make_pair(360u, 360u)) << url;
    }
    const std::string otherCa = other.CaFile();
    EXPECT_EQ(FetchThrough(server, kHere, &otherCa).status, 0) << "another run's authority must not do";
    EXPECT_EQ(server.LoggedUrls(), (std::vector<std::string>{kGoogle, kHere, kNaver, kAutoNavi, plain}));

    // The picture shows the requested centre.
    std::string elsewhere = kGoogle;
    elsewhere.replace(elsewhere.find("37.566500"), 9, "35.689500");
    const Fetched first = FetchThrough(server, kGoogle);
    EXPECT_EQ(first.body, FetchThrough(server, kGoogle).body);
    EXPECT_NE(first.body, FetchThrough(server, elsewhere).body);

    for (const Fetched& refused :
         {FetchThrough(server, "http://maps.googleapis.com/maps/api/geocode?x=1"), FetchThrough(other, kHere)})
    {
        EXPECT_EQ(refused.status, 404);
        EXPECT_EQ(PngSize(refused.body).first, 0u);
    }
    EXPECT_EQ(other.LoggedUrls(), std::vector<std::string>{kHere});
}

TEST(MapServer, DebugTextOnlyOnRequest)
{
    // The same place asked for in two providers' forms: the pictures are the
    // same map unless the provider's name is written on them.
    MapServerProcess plain, debug({"--debug-text"});
    ASSERT_TRUE(plain.IsRunning() && debug.IsRunning());
    // Same zoom number too: a zoomed picture is drawn at its own scale.
    std::string naverAtSixteen = kNaver;
    naverAtSixteen.replace(naverAtSixteen.find("level=12"), 8, "level=16");
    const Fetched google = FetchThrough(plain, kGoogle);
    ASSERT_EQ(google.status, 200);
    EXPECT_EQ(google.body, FetchThrough(plain, naverAtSixteen).body)
        << "a default picture carries no provider name";
    const std::string googleDebug = FetchThrough(debug, kGoogle).body;
    EXPECT_NE(googleDebug, FetchThrough(debug, kNaver).body);
    EXPECT_NE(google.body, googleDebug);
}
