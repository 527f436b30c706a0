#ifndef PELORN_CALL_DATA_H
#define PELORN_CALL_DATA_H


namespace NSPelorn
{
/* The phone's answer to a ring request. */
class CallData
{
public:
    virtual ~CallData() {}

    int mIsResponse = 0;
    int mResult = 0;
    int mReason = 0;
};
} // namespace NSPelorn

#endif
