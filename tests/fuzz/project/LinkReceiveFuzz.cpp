/* Bytes as they arrive on the accessory socket: frame reassembly, the
 * library's data callback, the valid-length scan, the message parser and the
 * dispatch to the listener. */

#include "ConsumerController.h"
#include "ConsumerMessageType.h"
#include "Kiv.h"
#include "LocationData.h"
#include "pelorn_accessory_wire.h"

#include <stddef.h>
#include <stdint.h>
#include <string>

using namespace NSPelorn;

namespace
{
class TouchingListener : public ConsumerEventListener
{
public:
    void OnConsumerMsgReceived(int recvType, void* data) override
    {
        // Read what the records hold so that anything bogus in them is touched.
        if (recvType == ORZ_RECV_MSG_TYPE_LOCATION_RSP && data)
            mSink += static_cast<LocationData*>(data)->mAddress.size();
        mSink += (size_t)recvType;
    }
    size_t mSink = 0;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ConsumerController* controller = [] {
        auto* c = new ConsumerController();
        c->SetConsumerEventListener(new TouchingListener());
        Kiv::GetInstance()->SetKivEventListener(c);
        return c;
    }();
    (void)controller;

    // The first byte picks how the stream is cut, as reads on a socket would.
    if (size == 0)
        return 0;
    const size_t chunk = 1 + data[0] % 16;
    PelornAccessoryWire::FrameReader reader;
    bool ok = true;
    for (size_t pos = 1; pos < size && ok; pos += chunk)
    {
        const size_t take = chunk < size - pos ? chunk : size - pos;
        ok = reader.Feed(
            reinterpret_cast<const char*>(data + pos), take,
            [](uint8_t type, const std::string& payload) {
                if (type != PelornAccessoryWire::FRAME_DATA || payload.size() < 2)
                    return;
                const unsigned int length = (unsigned int)(payload.size() - 2);
                // Hand over an exact-size heap copy so a read past the packet is caught.
                std::string copy(payload.data() + 2, length);
                char* exact = length ? new char[length] : nullptr;
                if (exact)
                    memcpy(exact, copy.data(), length);
                Kiv::OnDataIndication(1, 103, length, exact);
                delete[] exact;
            },
            "fuzz");
    }
    return 0;
}
