/*
 * Page globals of the browser runtime. Inserted first among the header blocks of every page,
 * so that every other framework script finds these names defined. The server substitutes the
 * asset folders as single-quoted script strings and the loader option as true or false.
 * The text is plain script: the server wraps it in a script element.
 */
var isReloadPage = false;      /* set just before a reload that keeps the session; the socket's close is then expected */
var vpageloadcomplete = false; /* the page-loaded event has been sent */
var vpathjs = {{pathjs}};
var vpathcss = {{pathcss}};
var facetws = null;            /* the page's main WebSocket */
var connectionInfo;            /* built by setConnection */
var duoloader = {{duoloader}};
var focusedElement = null;     /* the element that last received focus */
var reConnectURL = null;       /* address of the reconnect probe, set by the connection block */
var duopopups = [];            /* stack of open popups, top last */
