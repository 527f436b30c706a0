#ifndef PELORN_MESSAGE_MANAGER_H
#define PELORN_MESSAGE_MANAGER_H

#include <string>

namespace NSPelorn
{
/* Turns a send type into the JSON text the phone understands. */
class MessageManager
{
public:
    static MessageManager* GetInstance();

    /* The empty text for a type that has no message. */
    std::string CreateSendMessage(int type);

private:
    MessageManager();
    virtual ~MessageManager();
};
} // namespace NSPelorn

#endif
