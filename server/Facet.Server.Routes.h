#pragma once

// The HTTP routes: the reconnect probe, the page, static files, downloads, the grids' data,
// uploads and the WebSocket's admission, each answered over its connection.

class IFacetExchange;

// Answers a request whose head was read; on the connection's strand.
void RouteRequest(IFacetExchange& AExchange);
