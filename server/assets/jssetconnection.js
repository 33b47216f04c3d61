/*
 * Connection settings of the page: the server's protocol, host, port and page path as the page
 * request named them, and the session's token and UUID. The server substitutes the host and the
 * path as JSON string literals, the port as a number, and the other values as bare text.
 * The text is plain script: the server wraps it in a script element.
 */
function setConnection(protocoltype, host, port, urlPath, token, facetsession, channelname) {
  connectionInfo = {
    protocol: protocoltype,
    host: host,
    port: port,
    pathPrefix: urlPath,
    token: token,
    facetsession: facetsession,
    channelname: channelname
  };
}

setConnection("{{protocol}}", {{host}}, {{port}}, {{urlpath}}, "{{Token}}", "{{UUID}}", "{{ChannelName}}");

/* The probe asked whether the session is still valid after the socket was lost; relative to the page. */
reConnectURL = "reconnect?token=" + connectionInfo.token + "&&facetsession=" + connectionInfo.facetsession;
