#ifndef PELORN_PLATFORM_ACCESSORY_WIRE_H
#define PELORN_PLATFORM_ACCESSORY_WIRE_H

/* The bytes the accessory link sends over its local stream socket, shared by
 * the client library stand-in (accessory_agent.h) and the phone simulator.
 * docs/accessory-link.md describes them byte for byte. */

#include <functional>
#include <stddef.h>
#include <stdint.h>
#include <string>

namespace PelornAccessoryWire
{
enum FrameType : uint8_t
{
    FRAME_HELLO = 0x01,
    FRAME_PEER = 0x02,
    FRAME_REJECT = 0x03,
    FRAME_CONNECT_REQ = 0x10,
    FRAME_CONNECT_RSP = 0x11,
    FRAME_CONNECT_IND = 0x12,
    FRAME_ACCEPT = 0x13,
    FRAME_DATA = 0x20,
    FRAME_TERMINATE = 0x30,
};

constexpr char MAGIC[4] = {'P', 'L', 'N', 'A'};
constexpr uint8_t VERSION = 1;
/* A packet is refused when its length plus one exceeds 5 MiB. */
constexpr uint32_t MAX_PACKET = 5242880 - 1;
/* The longest frame body anyone may write: type byte, channel (2 bytes),
 * packet. A header claiming more can only mean the reader has lost the frame
 * boundaries. */
constexpr uint32_t MAX_BODY = 1 + 2 + MAX_PACKET;

/* <runtime dir>/accessory.sock, or PELORN_ACCESSORY_SOCKET when set. */
std::string SocketPath();

void PutU16(std::string& out, uint16_t value);
void PutU32(std::string& out, uint32_t value);
/* Big-endian reads; false when fewer bytes remain than needed. */
bool GetU16(const std::string& in, size_t& offset, uint16_t& value);
bool GetU32(const std::string& in, size_t& offset, uint32_t& value);
/* A NUL-terminated text; false when no NUL follows. */
bool GetText(const std::string& in, size_t& offset, std::string& value);

/* The 4-byte big-endian body length, then the body (type byte and payload). */
std::string EncodeFrame(uint8_t type, const std::string& payload);
std::string EncodeData(uint16_t channel, const char* bytes, size_t length);

/* Reassembles frames from a byte stream cut anywhere. */
class FrameReader
{
public:
    using FrameFn = std::function<void(uint8_t type, const std::string& payload)>;

    /* Hands every complete frame to onFrame. Returns false, with one log
     * line under logTag, on a header no sender writes (a body length of 0 or
     * over MAX_BODY): the stream is out of step and nothing after it can be
     * trusted, so the caller ends the connection. Frames completed before it
     * in the same data are still handed on. */
    bool Feed(const char* data, size_t length, const FrameFn& onFrame, const char* logTag);

private:
    unsigned char mHeader[4] = {0, 0, 0, 0};
    size_t mHeaderFill = 0;
    uint32_t mBodyLength = 0;
    std::string mBody;
};
} // namespace PelornAccessoryWire

#endif
