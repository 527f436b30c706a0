#ifndef ORZ_FEEDBACK_MANAGER_H
#define ORZ_FEEDBACK_MANAGER_H

namespace NSORZ
{
/* Touch and alert feedback. One instance per process, created on first use
 * and destroyed when the application terminates. */
class FeedbackManager
{
public:
    static FeedbackManager* GetInstance();
    /* Destroys the instance when there is one. */
    static void DestroyInstance();
    static bool HasInstance();

    /* false: the tap sound; true: the general alert (sound and vibration). */
    virtual void PlayFeedback(bool flag);

protected:
    FeedbackManager();
    virtual ~FeedbackManager();

private:
    FeedbackManager(const FeedbackManager&) = delete;
    FeedbackManager& operator=(const FeedbackManager&) = delete;
};
} // namespace NSORZ

#endif
