#include "pelorn_accessory_wire.h"

#include "dlog.h"
#include "pelorn_paths.h"

#include <algorithm>
#include <stdlib.h>

namespace PelornAccessoryWire
{
std::string SocketPath()
{
    const char* env = getenv("PELORN_ACCESSORY_SOCKET");
    if (env && *env)
        return env;
    return std::string(pelorn_runtime_dir()) + "/accessory.sock";
}

void PutU16(std::string& out, uint16_t value)
{
    out.push_back((char)(value >> 8));
    out.push_back((char)(value & 0xff));
}

void PutU32(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back((char)((value >> shift) & 0xff));
}

bool GetU16(const std::string& in, size_t& offset, uint16_t& value)
{
    if (in.size() < offset + 2)
        return false;
    value = (uint16_t)(((unsigned char)in[offset] << 8) | (unsigned char)in[offset + 1]);
    offset += 2;
    return true;
}

bool GetU32(const std::string& in, size_t& offset, uint32_t& value)
{
    if (in.size() < offset + 4)
        return false;
    value = 0;
    for (int i = 0; i < 4; i++)
        value = (value << 8) | (unsigned char)in[offset + i];
    offset += 4;
    return true;
}

bool GetText(const std::string& in, size_t& offset, std::string& value)
{
    if (offset > in.size())
        return false;
    size_t end = in.find('\0', offset);
    if (end == std::string::npos)
        return false;
    value = in.substr(offset, end - offset);
    offset = end + 1;
    return true;
}

std::string EncodeFrame(uint8_t type, const std::string& payload)
{
    std::string frame;
    frame.reserve(5 + payload.size());
    PutU32(frame, (uint32_t)(payload.size() + 1));
    frame.push_back((char)type);
    frame += payload;
    return frame;
}

std::string EncodeData(uint16_t channel, const char* bytes, size_t length)
{
    std::string payload;
    payload.reserve(2 + length);
    PutU16(payload, channel);
    payload.append(bytes, length);
    return EncodeFrame(FRAME_DATA, payload);
}

bool FrameReader::Feed(const char* data, size_t length, const FrameFn& onFrame, const char* logTag)
{
    size_t pos = 0;
    while (pos < length)
    {
        if (mHeaderFill < 4)
        {
            mHeader[mHeaderFill++] = (unsigned char)data[pos++];
            if (mHeaderFill < 4)
                continue;
            mBodyLength = ((uint32_t)mHeader[0] << 24) | ((uint32_t)mHeader[1] << 16) | ((uint32_t)mHeader[2] << 8) |
                          (uint32_t)mHeader[3];
            if (mBodyLength == 0 || mBodyLength > MAX_BODY)
            {
                // Skipping the claimed length would swallow every later byte (up to 4 GiB) while the
                // link looked up; only a new connection puts the two ends back in step.
                dlog_print(DLOG_ERROR, logTag, "accessory stream out of step: frame header claims %u bytes (1 to %u)",
                           mBodyLength, MAX_BODY);
                mHeaderFill = 0;
                return false;
            }
            mBody.clear();
            mBody.reserve(std::min<uint32_t>(mBodyLength, 65536));
            continue;
        }
        size_t take = std::min<size_t>(mBodyLength - mBody.size(), length - pos);
        mBody.append(data + pos, take);
        pos += take;
        if (mBody.size() == mBodyLength)
        {
            mHeaderFill = 0;
            std::string body;
            body.swap(mBody);
            onFrame((uint8_t)body[0], body.substr(1));
        }
    }
    return true;
}
} // namespace PelornAccessoryWire
