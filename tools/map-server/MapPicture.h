#ifndef MAP_SERVER_MAP_PICTURE_H
#define MAP_SERVER_MAP_PICTURE_H

#include <string>

/* What a static-map request asked for, read from its path and query. */
struct MapRequest
{
    std::string provider; // "google", "autonavi", "naver", "here"; empty when the path is no map
    double latitude = 0.0;
    double longitude = 0.0;
    bool hasCenter = false;
    int width = 360;
    int height = 360;
    int zoom = -1; // -1 when the query gives none
};

/* Reads the provider from the path and the centre and size from the query
 * in that provider's own parameter names and axis order. */
MapRequest ParseMapRequest(const std::string& pathAndQuery);

/* A map of a city quarter (blocks, houses, a park, a river, named main
 * roads) drawn from the centre, with a marker in the middle, as PNG bytes;
 * empty when cairo fails. With debugText the provider and the requested
 * centre are written across the top. */
std::string DrawMapPng(const MapRequest& request, bool debugText = false);

#endif
