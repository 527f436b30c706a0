#ifndef PELORN_KIV_H
#define PELORN_KIV_H

#include "KivEventListener.h"

#include <accessory_agent.h>
#include <glib.h>
#include <string>

namespace NSPelorn
{
/* The watch's consumer agent on the accessory link: registration, peer
 * search and service connection, with retries of the two latter on timers. */
class Kiv
{
public:
    static Kiv* GetInstance();

    void SetKivEventListener(KivEventListener* listener);
    /* 0 ready, 1 no local agent, 2 no peer, 3 no service connection. */
    int IsKivReadyToSendMessage();
    void RegisterServiceAgent();
    void FindPeerAgent();
    void OpenServiceConnection();
    int KivDataSend(const std::string& data);
    void DeRegisterServiceAgent();

    unsigned int GetKivServiceHandleId() const { return mServiceHandleId; }
    unsigned int GetKivLocalAgentId() const { return mLocalAgentID; }
    PeerAgent* GetPeerAgent() const { return mPeerAgent; }

    /* The library's callbacks. */
    static void OnRegisterServiceAgentConfirm(int status, unsigned int localAgentId);
    static void OnDataIndication(unsigned int handle, unsigned short channelId, unsigned int length, void* buffer);
    static void OnServiceConnectionIndication(unsigned int localAgentId, unsigned int handle, PeerAgent* peer);
    static void OnServiceTerminationIndication(unsigned int handle, int status);
    static void OnServiceCreateConfirm(unsigned int localAgentId, unsigned int handle, PeerAgent* peer, int result);
    static void OnPeerAgent(unsigned int localAgentId, PeerAgent* peer, int result);
    static void OnError(unsigned int handle, int error);
    static void OnDeviceStatus(int type, int status);

protected:
    Kiv();
    virtual ~Kiv();

private:
    void SetPeerAgent(PeerAgent* peer);
    void CreateServiceConnection();
    void TerminateServiceConnection();
    void CreateFindPeerAgentTimer();
    void CreateServiceConnectionTimer();
    void RemoveAllTimers();

    static gboolean FindPeerAgentTimerCB(gpointer data);
    static gboolean CreateServiceConnectionTimerCB(gpointer data);

    KivEventListener* mKivEventListener;
    unsigned int mServiceHandleId;
    unsigned int mLocalAgentID;
    PeerAgent* mPeerAgent;
    int mFindPeerRetryCount;
    int mCreateConnectionRetryCount;
    guint mFindPeerAgentTimer;
    guint mCreateServiceConnectionTimer;
    guint mTerminateServiceConnectionTimer;
};
} // namespace NSPelorn

#endif
