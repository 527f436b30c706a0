#ifndef PELORN_NAVER_MAP_HTTP_QUERY_BUILDER_H
#define PELORN_NAVER_MAP_HTTP_QUERY_BUILDER_H

#include "MapHttpQueryBuilder.h"

namespace NSPelorn
{
class NaverMapHttpQueryBuilder : public MapHttpQueryBuilder
{
public:
    NaverMapHttpQueryBuilder();
    virtual ~NaverMapHttpQueryBuilder();


    std::string GetBaseUrl() override;
    std::string GetDataField() override;

    std::string GetClientId();
    std::string GetPackageUrl();
    std::string GetCrs();

private:
    std::string mBaseUrl;
    std::string mQueryTemplate;
};
} // namespace NSPelorn

#endif
