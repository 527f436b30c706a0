#ifndef PELORN_GOOGLE_MAP_HTTP_QUERY_BUILDER_H
#define PELORN_GOOGLE_MAP_HTTP_QUERY_BUILDER_H

#include "MapHttpQueryBuilder.h"

namespace NSPelorn
{
class GoogleMapHttpQueryBuilder : public MapHttpQueryBuilder
{
public:
    GoogleMapHttpQueryBuilder();
    virtual ~GoogleMapHttpQueryBuilder();


    std::string GetBaseUrl() override;
    std::string GetDataField() override;

    std::string GetApiKey();

private:
    std::string mBaseUrl;
    std::string mQueryTemplate;
};
} // namespace NSPelorn

#endif
