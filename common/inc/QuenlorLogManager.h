#ifndef ORZ_COMMON_QUENLOR_LOG_MANAGER_H
#define ORZ_COMMON_QUENLOR_LOG_MANAGER_H

#include <quenlor_log_manager.h>
#include <string>

namespace NSORZCommon
{
/* Reports feature usage to the maker's usage-log service. One instance per
 * process, created on first use and kept; its client exists between Create
 * and Destroy. */
class QuenlorLogManager
{
public:
    static QuenlorLogManager* GetInstance();

    virtual void Create();
    virtual void Destroy();

    /* 0 "start", 1 "locate_phone", 2 "last_location", 3 "duration_for_finding". */
    virtual std::string GetExtraStringByDetailFeatureNumber(int detail);
    /* logType 0: feature survey, 1: app status survey. The value is reported
     * times 1000, never below 0. */
    virtual void CollectLogByFeature(int feature, int detail, int logType, double value = 0);

    static void OnQuenlorLogManagerInsertCb(int requestId, const char* uri, int result, void* userData);

protected:
    QuenlorLogManager();
    virtual ~QuenlorLogManager();

private:
    QuenlorLogManager(const QuenlorLogManager&) = delete;
    QuenlorLogManager& operator=(const QuenlorLogManager&) = delete;

    quenlor_log_manager_h mQuenlorLogManager;
};
} // namespace NSORZCommon

#endif
