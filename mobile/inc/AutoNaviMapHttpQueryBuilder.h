#ifndef PELORN_AUTO_NAVI_MAP_HTTP_QUERY_BUILDER_H
#define PELORN_AUTO_NAVI_MAP_HTTP_QUERY_BUILDER_H

#include "MapHttpQueryBuilder.h"

namespace NSPelorn
{
class AutoNaviMapHttpQueryBuilder : public MapHttpQueryBuilder
{
public:
    AutoNaviMapHttpQueryBuilder();
    virtual ~AutoNaviMapHttpQueryBuilder();

    /* AutoNavi expects centres shifted by the national datum offset. */
    void SetCenter(double longitude, double latitude) override;
    std::string GetBaseUrl() override;
    std::string GetDataField() override;

    std::string GetApiKey();

private:
    std::string mBaseUrl;
    std::string mQueryTemplate;
};
} // namespace NSPelorn

#endif
