#ifndef PELORN_TOOLS_PHONE_SIMULATOR_H
#define PELORN_TOOLS_PHONE_SIMULATOR_H

#include "pelorn_accessory_wire.h"

#include <glib.h>
#include <string>

/* How the simulated phone behaves; see phone-sim --help. */
struct PhoneOptions
{
    std::string socketPath;
    int foundAfterSec = -1;
    double latitude = 37.25;
    double longitude = 127.05;
    // The watch joins address, city and country with blanks, so the parts
    // carry their own commas and the wearer reads "1 Main Street, Springfield, Freedonia".
    std::string address = "1 Main Street,";
    std::string city = "Springfield,";
    std::string country = "Freedonia";
    int locationOn = 1;
    int highAccuracy = 1;
    int locationResult = 0;
    int remote = 0;
    int connType = 1;
    int refuseReason = 0;
    bool neverAnswer = false;
    int lateMs = 0;
    std::string dropOn;
    bool garbage = false;
    bool doubleAnswers = false;
    bool strays = false;
    bool silentPeer = false;
    int rejectConnection = 0;
    bool openFirst = false;
    bool stall = false;
    /* "recv" lines carry the moment their bytes were read (--stamp-reads). */
    bool stampReads = false;
    bool hostKeys = true;
    /* Bytes written to the watch as they stand, unframed, once the service
     * connection is up (--send-raw). */
    std::string rawOnConnect;
};

/* The phone's provider agent on the accessory socket, and its companion
 * manager's settings keys. Runs on the GLib default main context. */
class PhoneSimulator
{
public:
    explicit PhoneSimulator(const PhoneOptions& options);
    ~PhoneSimulator();

    bool Start();
    void Stop();
    /* One command line from standard input. */
    void HandleCommand(const std::string& line);

private:
    /* Takes the presence file (unless the keys are not ours to host). */
    void Announce();
    bool Listen();
    void StopListening();
    void DropClient(const char* why);
    void Write(const std::string& bytes);
    void SendPacket(const std::string& text);
    void SendRaw(const std::string& bytes);
    void Answer(const std::string& text);
    std::string LocationAnswer() const;
    std::string LocationSettingAnswer() const;
    void OnFrame(uint8_t type, const std::string& payload);
    void OnRequest(const std::string& text);
    void StartRinging(int seconds);
    void StopRinging(const char* why);
    void SendFoundDevice();

    static gboolean AcceptCb(gint fd, GIOCondition condition, gpointer data);
    static gboolean ClientCb(gint fd, GIOCondition condition, gpointer data);
    static gboolean RingTimerCb(gpointer data);
    static gboolean FoundTimerCb(gpointer data);
    static gboolean LateAnswerCb(gpointer data);

    PhoneOptions mOptions;
    int mListenFd = -1;
    int mPresenceFd = -1; // the locked presence file the watch derives its link keys from
    guint mListenWatch = 0;
    int mClientFd = -1;
    guint mClientWatch = 0;
    PelornAccessoryWire::FrameReader mReader;
    bool mHelloDone = false;
    unsigned int mHandle = 0;
    gint64 mReadAt = 0; // g_get_monotonic_time() of the last read from the watch
    unsigned int mNextHandle = 0x100;
    int mRingSeconds = 0;
    int mRingLeft = 0;
    guint mRingTimer = 0;
    guint mFoundTimer = 0;
};

#endif
