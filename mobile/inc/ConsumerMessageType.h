#ifndef PELORN_CONSUMER_MESSAGE_TYPE_H
#define PELORN_CONSUMER_MESSAGE_TYPE_H

namespace NSPelorn
{
/* What the screens ask the core to send to the phone. */
enum
{
    ORZ_SEND_MSG_TYPE_START_REQ = 0,
    ORZ_SEND_MSG_TYPE_STOP_REQ = 1,
    ORZ_SEND_MSG_TYPE_FOUND_DEVICE_RSP = 2,
    ORZ_SEND_MSG_TYPE_LOCATION_REQ = 3,
    ORZ_SEND_MSG_TYPE_LOCATION_SETTING_GET_REQ = 4,
    ORZ_SEND_MSG_TYPE_LOCATION_SETTING_SET_REQ = 5,
    /* Never leaves the watch: it only ends the wait for a location answer. */
    ORZ_SEND_MSG_TYPE_LOCATION_STOP_REQ = 6,
    /* The screen stopped waiting for the phone's answer to a ring request: one
     * still queued is dropped, one that left is followed by a stop that awaits
     * no answer. */
    ORZ_SEND_MSG_TYPE_START_GIVE_UP = 7,
};

/* What the phone sent, as handed to the screens. */
enum
{
    ORZ_RECV_MSG_TYPE_INVALID = -1,
    ORZ_RECV_MSG_TYPE_START_RSP = 0,
    ORZ_RECV_MSG_TYPE_STOP_RSP = 1,
    ORZ_RECV_MSG_TYPE_FOUND_DEVICE_REQ = 2,
    ORZ_RECV_MSG_TYPE_LOCATION_RSP = 3,
    ORZ_RECV_MSG_TYPE_LOCATION_SETTING_GET_RSP = 4,
    ORZ_RECV_MSG_TYPE_LOCATION_SETTING_SET_RSP = 5,
    /* The phone did not answer in time. */
    ORZ_RECV_MSG_TYPE_NO_RESPONSE = 6,
    /* The link went while an answer was awaited: that answer will not come. */
    ORZ_RECV_MSG_TYPE_LINK_LOST = 7,
};
} // namespace NSPelorn

#endif
