#ifndef PELORN_FOUND_DEVICE_DATA_H
#define PELORN_FOUND_DEVICE_DATA_H


namespace NSPelorn
{
/* The phone reports that it was found. */
class FoundDeviceData
{
public:
    virtual ~FoundDeviceData() {}

    int mIsRequest = 0;
    int mResult = 0;
};
} // namespace NSPelorn

#endif
