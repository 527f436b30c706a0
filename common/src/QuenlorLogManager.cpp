#include "QuenlorLogManager.h"

#include "OrzLog.h"
#include "StringUtil.h"

#include <algorithm>
#include <bundle.h>

namespace
{
const char* const PELORN_APP_ID = "com.quenlor.pelorn";
const std::string USE_APP_FEATURE_SURVEY_URI = QUENLOR_LOG_MANAGER_URI_PREFIX "/log/use_app_feature_survey";
const std::string REPORT_APP_STATUS_SURVEY_URI = QUENLOR_LOG_MANAGER_URI_PREFIX "/log/report_app_status_survey";
} // namespace

namespace NSORZCommon
{
QuenlorLogManager* QuenlorLogManager::GetInstance()
{
    static QuenlorLogManager* instance = new QuenlorLogManager();
    return instance;
}

QuenlorLogManager::QuenlorLogManager() : mQuenlorLogManager(NULL)
{
}

QuenlorLogManager::~QuenlorLogManager()
{
    Destroy();
}

void QuenlorLogManager::Create()
{
    RET_IF(mQuenlorLogManager != NULL);
    int ret = quenlor_log_manager_create(&mQuenlorLogManager);
    if (ret != QUENLOR_LOG_MANAGER_ERROR_NONE)
    {
        LOGE("quenlor_log_manager_create failed : %d", ret);
        mQuenlorLogManager = NULL;
        return;
    }
    RET_IF(mQuenlorLogManager == NULL);
}

void QuenlorLogManager::Destroy()
{
    if (!mQuenlorLogManager)
        return;
    quenlor_log_manager_destroy(mQuenlorLogManager);
    mQuenlorLogManager = NULL;
}

std::string QuenlorLogManager::GetExtraStringByDetailFeatureNumber(int detail)
{
    switch (detail)
    {
    case 0:
        return "start";
    case 1:
        return "locate_phone";
    case 2:
        return "last_location";
    case 3:
        return "duration_for_finding";
    default:
        LOGE("Default error : %d", detail);
        return std::string();
    }
}

void QuenlorLogManager::CollectLogByFeature(int feature, int detail, int logType, double value)
{
    bundle* logData = bundle_create();
    std::string featureText = StringUtil::IntToString(feature);
    std::string extraText = GetExtraStringByDetailFeatureNumber(detail);
    const std::string& uri = logType == 1 ? REPORT_APP_STATUS_SURVEY_URI : USE_APP_FEATURE_SURVEY_URI;

    do
    {
        if (mQuenlorLogManager == NULL)
        {
            LOGE("mQuenlorLogManager == NULL");
            break;
        }
        if (logData == NULL)
        {
            LOGE("logData == NULL");
            break;
        }
        std::string valueText = StringUtil::IntToString((int64_t)(std::max(value, 0.0) * 1000));
        BREAK_IF(bundle_add_str(logData, "app_id", PELORN_APP_ID) != BUNDLE_ERROR_NONE);
        BREAK_IF(bundle_add_str(logData, "feature", featureText.c_str()) != BUNDLE_ERROR_NONE);
        BREAK_IF(bundle_add_str(logData, "extra", extraText.c_str()) != BUNDLE_ERROR_NONE);
        BREAK_IF(bundle_add_str(logData, "value", valueText.c_str()) != BUNDLE_ERROR_NONE);

        int ret = quenlor_log_manager_insert(mQuenlorLogManager, uri.c_str(), logData, OnQuenlorLogManagerInsertCb,
                                             this, NULL);
        if (ret != QUENLOR_LOG_MANAGER_ERROR_NONE)
            LOGE("ret != QUENLOR_LOG_MANAGER_ERROR_NONE");
    } while (0);

    if (logData)
        bundle_free(logData);
}

void QuenlorLogManager::OnQuenlorLogManagerInsertCb(int requestId, const char* uri, int result, void* userData)
{
    LOGE("Insert request:%d completed, uri:%s\n", requestId, uri ? uri : "");
}
} // namespace NSORZCommon
