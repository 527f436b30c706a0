#ifndef PELORN_NOKIA_HERE_MAP_HTTP_QUERY_BUILDER_H
#define PELORN_NOKIA_HERE_MAP_HTTP_QUERY_BUILDER_H

#include "MapHttpQueryBuilder.h"

namespace NSPelorn
{
class NokiaHereMapHttpQueryBuilder : public MapHttpQueryBuilder
{
public:
    NokiaHereMapHttpQueryBuilder();
    virtual ~NokiaHereMapHttpQueryBuilder();

    /* Inside China, HERE expects centres shifted by the national datum offset. */
    void SetCenter(double longitude, double latitude) override;
    std::string GetBaseUrl() override;
    std::string GetDataField() override;

    std::string GetAppId();
    std::string GetAppCode();
    /* HERE's three-letter code for the system language. */
    std::string GetLanguageStr();

private:
    std::string mBaseUrl;
    std::string mQueryTemplate;
};
} // namespace NSPelorn

#endif
