#include "FeedbackManager.h"

// Feedback belongs to the UI's log, whatever library it is built into.
#undef ORZ_LOG_TAG
#define ORZ_LOG_TAG "pelorn-UI"
#include "OrzLog.h"

#include <feedback.h>

namespace
{
NSORZ::FeedbackManager* gInstance = nullptr;
}

namespace NSORZ
{
FeedbackManager* FeedbackManager::GetInstance()
{
    if (!gInstance)
        gInstance = new FeedbackManager();
    return gInstance;
}

void FeedbackManager::DestroyInstance()
{
    delete gInstance;
    gInstance = nullptr;
}

bool FeedbackManager::HasInstance()
{
    return gInstance != nullptr;
}

FeedbackManager::FeedbackManager()
{
    int ret = feedback_initialize();
    if (ret != FEEDBACK_ERROR_NONE)
        LOGE("feedback_initialize fail:%d", ret);
}

FeedbackManager::~FeedbackManager()
{
    int ret = feedback_deinitialize();
    if (ret != FEEDBACK_ERROR_NONE)
        LOGE("feedback_deinitialize fail:%d", ret);
}

void FeedbackManager::PlayFeedback(bool flag)
{
    if (!flag)
    {
        int ret = feedback_play_type(FEEDBACK_TYPE_SOUND, FEEDBACK_PATTERN_TAP);
        if (ret != FEEDBACK_ERROR_NONE)
            LOGE("feedback_play_type fail:%d", ret);
        return;
    }
    int ret = feedback_play(FEEDBACK_PATTERN_GENERAL);
    if (ret != FEEDBACK_ERROR_NONE)
        LOGE("feedback_play fail:%d", ret);
}
} // namespace NSORZ
