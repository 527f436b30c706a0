#ifndef PELORN_CONSUMER_CONTROLLER_H
#define PELORN_CONSUMER_CONTROLLER_H

#include "ConsumerEventListener.h"
#include "Kiv.h"
#include "KivEventListener.h"

#include <glib.h>
#include <list>
#include <string>
#include <vconf.h>

namespace NSPelorn
{
/* The watch's side of the conversation with the phone: a queue of send
 * types, one request in flight at a time, answers parsed and handed on. */
class ConsumerController : public KivEventListener
{
public:
    ConsumerController();
    virtual ~ConsumerController();
    ConsumerController(const ConsumerController&) = delete;
    ConsumerController& operator=(const ConsumerController&) = delete;

    void SetConsumerEventListener(ConsumerEventListener* listener) { mConsumerEventListener = listener; }

    bool SendMessage(int sendType);
    bool OpenConnection();
    bool CloseConnection();
    bool CheckNeedSending(int sendType);
    void SendMessageToHost();
    /* Where the first JSON value of a packet ends: 0 for no packet, 1 for a
     * packet that does not open with a brace. Braces in strings count. */
    int GetValidLengthOfProviderMsg(const char* receivedData, int length);

    bool GetWaitingProviderResponse() const { return mWaitingProviderResponse; }
    size_t GetQueuedMessageCount() const { return mSendMessageQueue.size(); }

    void OnKivDataIndication(const std::string& data) override;
    void OnKivTerminationIndication(int reason) override;
    void OnKivError(int error) override;
    void OnKivConnectionCreationConfirm(int result) override;
    void OnKivPeerAgentFound(int result) override;
    void OnKivDeviceStatus(int type, int status) override;

    static gboolean SendDataTimerCb(gpointer data);
    static gboolean ProviderResponseTimer(gpointer data);
    static gboolean CloseConnectionTimer(gpointer data);
    static void BrigConnectionChangedCb(keynode_t* node, void* data);

private:
    void CloseConnectionNow();
    void Deliver(int recvType, void* data);
    void RemoveQueueHead();
    void GiveUpRing();
    void ReportLinkLost();

    Kiv* mKiv;
    std::list<int> mSendMessageQueue;
    bool mWaitingProviderResponse;
    guint mProviderResponseTimer;
    guint mCloseConnectionTimer;
    ConsumerEventListener* mConsumerEventListener;
    guint mSendDataTimer;
    int mResendCount;
    /* The receive type that answers the request in flight, or
     * ORZ_RECV_MSG_TYPE_INVALID: only that answer ends the wait. */
    int mAwaitedAnswerType;
};
} // namespace NSPelorn

#endif
