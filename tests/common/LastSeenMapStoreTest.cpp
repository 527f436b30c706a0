#include "LastSeenMapStore.h"
#include "TestEnvironment.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using NSORZCommon::LastSeenMap;
using NSORZCommon::LastSeenMapStore;

namespace
{
LastSeenMap Map(double latitude, double longitude, const std::string& image, int zoom = 16)
{
    LastSeenMap map;
    map.image = image;
    map.latitude = latitude;
    map.longitude = longitude;
    map.provider = 2;
    map.zoom = zoom;
    return map;
}

int Mode(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? (int)(info.st_mode & 0777) : -1;
}

class LastSeenMapStoreTest : public ::testing::Test
{
protected:
    PelornTest::ScopedTestDirs mDirs;
    LastSeenMapStore mStore;
};
} // namespace

TEST_F(LastSeenMapStoreTest, KeepsThePictureWithWhatItShowsPrivatelyAndReplacesItOnlyPastTenMetres)
{
    LastSeenMap loaded;
    EXPECT_FALSE(mStore.Load(loaded)) << "nothing stored yet";

    std::string picture("\x89PNG\r\n\x1a\n", 8);
    picture += std::string(1000, '\0') + "tail";
    ASSERT_TRUE(mStore.SaveIfMoved(Map(40.7128, -74.006, picture, 18)));
    EXPECT_EQ(0, mStore.ImagePath().find(mDirs.StateDir() + "/apps/")) << mStore.ImagePath();
    EXPECT_EQ(0600, Mode(mStore.ImagePath()));
    EXPECT_EQ(0600, Mode(mStore.InfoPath()));

    ASSERT_TRUE(LastSeenMapStore().Load(loaded));
    EXPECT_EQ(picture, loaded.image);
    EXPECT_DOUBLE_EQ(40.7128, loaded.latitude);
    EXPECT_DOUBLE_EQ(-74.006, loaded.longitude);
    EXPECT_EQ(2, loaded.provider);
    EXPECT_EQ(18, loaded.zoom);

    // About 3 m north, and the same place at another zoom: the first picture stays.
    EXPECT_FALSE(mStore.SaveIfMoved(Map(40.71283, -74.006, "three metres")));
    EXPECT_FALSE(mStore.SaveIfMoved(Map(40.7128, -74.006, "zoomed", 19)));
    ASSERT_TRUE(mStore.Load(loaded));
    EXPECT_EQ(picture, loaded.image);
    EXPECT_EQ(18, loaded.zoom);

    // About 22 m north.
    EXPECT_TRUE(mStore.SaveIfMoved(Map(40.7130, -74.006, "moved")));
    ASSERT_TRUE(mStore.Load(loaded));
    EXPECT_EQ("moved", loaded.image);
    EXPECT_TRUE(LastSeenMapStore::Shows(loaded, 40.71301, -74.006));
    EXPECT_FALSE(LastSeenMapStore::Shows(loaded, 40.7128, -74.006));
}

TEST_F(LastSeenMapStoreTest, DamagedOrForeignFilesReadAsNoPicture)
{
    ASSERT_TRUE(mStore.SaveIfMoved(Map(40.7128, -74.006, "picture")));
    LastSeenMap loaded;

    // A crash after the picture was replaced but before its description was.
    ASSERT_TRUE(g_file_set_contents(mStore.ImagePath().c_str(), "other", -1, NULL));
    EXPECT_FALSE(mStore.Load(loaded));
    ASSERT_TRUE(g_file_set_contents(mStore.ImagePath().c_str(), "PICTURE", -1, NULL));
    EXPECT_FALSE(mStore.Load(loaded)) << "a picture of the same length is another picture";
    // A new picture is written over the damaged pair.
    EXPECT_TRUE(mStore.SaveIfMoved(Map(40.7128, -74.006, "again")));
    ASSERT_TRUE(mStore.Load(loaded));
    EXPECT_EQ("again", loaded.image);

    // An impossible position or a picture too large to be a map is neither
    // written over the good pair nor read.
    EXPECT_FALSE(mStore.SaveIfMoved(Map(95.0, 1.0, "off the globe")));
    ASSERT_TRUE(mStore.Load(loaded));
    EXPECT_EQ("again", loaded.image);
    // A description padded past what the store writes is not read.
    const std::string padded = PelornTest::ReadFile(mStore.InfoPath()) + "\n#" + std::string(5000, 'x') + "\n";
    ASSERT_TRUE(g_file_set_contents(mStore.InfoPath().c_str(), padded.c_str(), -1, NULL));
    EXPECT_FALSE(mStore.Load(loaded));
    const std::string huge(LastSeenMapStore::MAX_IMAGE_BYTES + 1, 'x');
    EXPECT_FALSE(mStore.SaveIfMoved(Map(1.0, 1.0, huge)));
    ASSERT_TRUE(g_file_set_contents(mStore.ImagePath().c_str(), huge.data(), (gssize)huge.size(), NULL));
    EXPECT_FALSE(mStore.Load(loaded));

    // A link in place of the description is not followed.
    ASSERT_TRUE(mStore.SaveIfMoved(Map(10.0, 10.0, "linked")));
    const std::string elsewhere = mDirs.StateDir() + "/elsewhere.ini";
    ASSERT_EQ(0, rename(mStore.InfoPath().c_str(), elsewhere.c_str()));
    ASSERT_EQ(0, symlink(elsewhere.c_str(), mStore.InfoPath().c_str()));
    EXPECT_FALSE(mStore.Load(loaded));

    // Descriptions that are not key files, lack a key or place the map off
    // the globe; the last one, the same but on it, is the control.
    gchar* sum = g_compute_checksum_for_string(G_CHECKSUM_SHA256, "linked", -1);
    const std::string fits = std::string("provider=0\nzoom=16\nsize=6\nsha256=") + sum + "\n";
    g_free(sum);
    const std::string descriptions[] = {"\x01\x02 not a key file",
                                        "[map]\nlatitude=1\nlongitude=1\nprovider=0\nzoom=16\n",
                                        "[map]\nlatitude=95\nlongitude=1\n" + fits,
                                        "[map]\nlatitude=nan\nlongitude=1\n" + fits,
                                        "[map]\nlatitude=1\nlongitude=181\n" + fits,
                                        "[map]\nlatitude=-90\nlongitude=-180\n" + fits};
    for (const std::string& text : descriptions)
    {
        unlink(mStore.InfoPath().c_str());
        ASSERT_TRUE(g_file_set_contents(mStore.InfoPath().c_str(), text.c_str(), -1, NULL));
        EXPECT_EQ(&text == &descriptions[5], mStore.Load(loaded)) << text;
    }
}
