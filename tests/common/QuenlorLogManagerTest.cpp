#include "QuenlorLogManager.h"
#include "TestEnvironment.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <pelorn_log_capture.h>
#include <sstream>
#include <stdlib.h>
#include <vector>

using NSORZCommon::QuenlorLogManager;
using PelornTest::ScopedTestDirs;

namespace
{
std::vector<std::string> StoredRecords()
{
    char* path = quenlor_log_manager_get_store_path();
    std::istringstream lines(PelornTest::ReadFile(path));
    free(path);
    std::vector<std::string> records;
    std::string line;
    while (std::getline(lines, line))
        records.push_back(line.substr(line.find('\t') + 1)); // without the time stamp
    return records;
}

const std::string FEATURE_URI = "content://com.quenlor.log.provider/log/use_app_feature_survey";
const std::string STATUS_URI = "content://com.quenlor.log.provider/log/report_app_status_survey";
} // namespace

// Without a client nothing is written; the client answers on the main loop,
// not inside the insert, and a destroyed one hears no answer.
TEST(QuenlorLogManager, RecordsAreAppendedWithValueTimesThousandOnlyWhileAClientExists)
{
    ScopedTestDirs dirs;
    QuenlorLogManager* manager = QuenlorLogManager::GetInstance();
    manager->Destroy();
    pelorn_log_capture_begin();
    manager->CollectLogByFeature(1000, 0, 0);
    EXPECT_TRUE(StoredRecords().empty());

    manager->Create();
    manager->Create();
    manager->CollectLogByFeature(1000, 0, 0);
    manager->CollectLogByFeature(1001, 3, 0, 2);
    manager->CollectLogByFeature(1001, 3, 1, -5);
    manager->CollectLogByFeature(1000, 1, 0, 2.5);
    EXPECT_EQ(manager->GetExtraStringByDetailFeatureNumber(2), "last_location");
    manager->CollectLogByFeature(1000, 9, 0);
    std::vector<std::string> expected = {
        FEATURE_URI + "\tapp_id=com.quenlor.pelorn\tfeature=1000\textra=start\tvalue=0",
        FEATURE_URI + "\tapp_id=com.quenlor.pelorn\tfeature=1001\textra=duration_for_finding\tvalue=2000",
        STATUS_URI + "\tapp_id=com.quenlor.pelorn\tfeature=1001\textra=duration_for_finding\tvalue=0",
        FEATURE_URI + "\tapp_id=com.quenlor.pelorn\tfeature=1000\textra=locate_phone\tvalue=2500",
        FEATURE_URI + "\tapp_id=com.quenlor.pelorn\tfeature=1000\textra=\tvalue=0",
    };
    EXPECT_EQ(StoredRecords(), expected);
    ASSERT_TRUE(PelornTest::RunGlibUntil(
        [] { return pelorn_log_captured("pelorn-c", "Insert request:5 completed, uri:" + FEATURE_URI); }));

    pelorn_log_capture_clear();
    manager->CollectLogByFeature(1000, 0, 0);
    manager->Destroy();
    PelornTest::RunGlibFor(50);
    EXPECT_FALSE(pelorn_log_captured("pelorn-c", "Insert request:"));
    pelorn_log_capture_end();
}
