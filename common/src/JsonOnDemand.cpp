// The phone's messages are the only JSON this program reads, and the finding
// screen comes up long before the first one arrives. Linking json-glib made
// every launch load and relocate it; these definitions of the calls JsonUtil
// makes load the library on the first message instead. Without the library
// every text reads as unparsable, which JsonUtil already treats as a bad
// message.
#include <json-glib/json-glib.h>

#include "OrzLog.h"

#include "pelorn_on_demand.h"

namespace
{
PelornOnDemandLibrary gJson{"libjson-glib-1.0.so.0", ORZ_LOG_TAG};
} // namespace

#define PELORN_JSON_FORWARD(...) PELORN_ON_DEMAND_FORWARD(gJson, __VA_ARGS__)

PELORN_JSON_FORWARD(JsonParser*, json_parser_new, (void), (), nullptr)
PELORN_JSON_FORWARD(JsonNode*, json_parser_get_root, (JsonParser * parser), (parser), nullptr)
PELORN_JSON_FORWARD(JsonNodeType, json_node_get_node_type, (JsonNode * node), (node), JSON_NODE_NULL)
PELORN_JSON_FORWARD(JsonObject*, json_node_get_object, (JsonNode * node), (node), nullptr)
PELORN_JSON_FORWARD(GType, json_node_get_value_type, (JsonNode * node), (node), G_TYPE_INVALID)
PELORN_JSON_FORWARD(gboolean, json_node_get_boolean, (JsonNode * node), (node), FALSE)
PELORN_JSON_FORWARD(gint64, json_node_get_int, (JsonNode * node), (node), 0)
PELORN_JSON_FORWARD(gdouble, json_node_get_double, (JsonNode * node), (node), 0.0)
PELORN_JSON_FORWARD(const gchar*, json_node_get_string, (JsonNode * node), (node), nullptr)
PELORN_JSON_FORWARD(JsonNode*, json_object_get_member, (JsonObject * object, const gchar* name), (object, name),
                    nullptr)

// The one call whose failure carries a reason.
extern "C" gboolean json_parser_load_from_data(JsonParser* parser, const gchar* data, gssize length, GError** error)
{
    static const auto fn = pelorn_on_demand<gboolean (*)(JsonParser*, const gchar*, gssize, GError**)>(
        gJson, "json_parser_load_from_data");
    if (fn && parser)
        return fn(parser, data, length, error);
    g_set_error_literal(error, g_quark_from_static_string("pelorn-json-library"), 0, "the JSON library is not available");
    return FALSE;
}
