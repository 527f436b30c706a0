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

/* A street-grid picture with a marker in the middle and the centre written
 * on it, as PNG bytes; empty when cairo fails. */
std::string DrawMapPng(const MapRequest& request);

#endif
