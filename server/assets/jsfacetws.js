/*
 * WebSocket client of the page. Opens the page's main socket to the server, runs the script
 * statements the server pushes through it, and, when the socket is lost, covers the page with
 * the error overlay and asks the server whether the session is still valid: a valid session
 * gets a new socket, an invalid one a fresh page.
 * Defines two globals: startFacetServer(), called once the document is ready (from
 * facetserver.js), and reloadSessionPage(), which the server's reload statement calls.
 * The text is plain script: the server wraps it in a script element.
 */
(function () {
  "use strict";

  /* Delay before asking the server again after the probe got no answer. */
  var PROBE_RETRY_MS = 1000;

  /* A probe is in flight or waiting for its retry; a second loss must not start another. */
  var probing = false;

  /* The page is being left: the socket's close is expected and is not a lost connection. */
  var leavingPage = false;

  function callGlobal(name) {
    var fn = window[name];
    if (typeof fn === "function") {
      fn();
    }
  }

  function mainSocketAddress() {
    var info = window.connectionInfo;
    var page = window.location;
    var prefix = info.pathPrefix && info.pathPrefix !== "/" ? info.pathPrefix : "";
    return info.protocol + "://" + page.hostname + (page.port ? ":" + page.port : "") +
      "/websocket" + prefix +
      "/connectionparams?token=" + info.token +
      "&facetsession=" + info.facetsession +
      "&channelname=" + info.channelname;
  }

  /*
   * A pushed message is {"ExecJS": [statement, ...]}. Each statement runs in the page's global
   * scope, in order; one that fails is reported and the next one still runs.
   */
  function runPushedStatements(text) {
    var message;
    try {
      message = JSON.parse(text);
    } catch (error) {
      console.error("Duo: a message from the server is not JSON", error);
      return;
    }
    var statements = message !== null && typeof message === "object" ? message.ExecJS : undefined;
    if (!Array.isArray(statements)) {
      return;
    }
    for (var i = 0; i < statements.length; i++) {
      if (typeof statements[i] !== "string") {
        continue;
      }
      try {
        (0, eval)(statements[i]);
      } catch (error) {
        console.error("Duo: a statement from the server failed", error, statements[i]);
      }
    }
  }

  function sendProbe() {
    fetch(window.reConnectURL, { method: "HEAD", cache: "no-store", credentials: "same-origin" })
      .then(function (response) {
        probing = false;
        if (response.status === 202) {
          /* The session is still valid: a new socket, and the page is usable again. */
          startFacetServer();
          callGlobal("hideOverlayError");
        } else if (response.status === 401 || response.status === 200) {
          /* The session is gone: a fresh page from the server starts a new one. */
          window.location.reload();
        }
        /* Any other answer leaves the error overlay in place. */
      }, function () {
        /* No answer (the server is unreachable): ask again a second later, until it answers. */
        setTimeout(sendProbe, PROBE_RETRY_MS);
      });
  }

  function probeServer(delayMs) {
    if (probing) {
      return;
    }
    probing = true;
    if (delayMs > 0) {
      setTimeout(sendProbe, delayMs);
    } else {
      sendProbe();
    }
  }

  function startFacetServer() {
    var current = window.facetws;
    if (current && (current.readyState === WebSocket.CONNECTING || current.readyState === WebSocket.OPEN)) {
      return;
    }

    var socket;
    try {
      socket = new WebSocket(mainSocketAddress());
    } catch (error) {
      console.error("Duo: the connection to the server cannot be opened", error);
      return;
    }
    window.facetws = socket;
    var opened = false;

    socket.onopen = function () {
      if (socket !== window.facetws) {
        return;
      }
      opened = true;
      if (window.vpageloadcomplete !== true) {
        window.vpageloadcomplete = true;
        callGlobal("PageLoadComplete");
      }
      callGlobal("hideOverlayError");
    };

    socket.onmessage = function (event) {
      if (typeof event.data === "string") {
        runPushedStatements(event.data);
      }
    };

    socket.onclose = function () {
      if (socket !== window.facetws || window.isReloadPage === true || leavingPage) {
        return;
      }
      callGlobal("showOverlayError");
      /*
       * A socket that never opened (the server accepted the probe but refused the socket, or
       * was unreachable from the start) is retried after the probe delay, so that a server in
       * that state is not asked in a tight loop.
       */
      probeServer(opened ? 0 : PROBE_RETRY_MS);
    };
  }

  /*
   * Reloads the page keeping its session. The reload's request must carry the session's reload
   * cookies; cookies the script writes can reach the browser's cookie store after that request
   * has left without them, and the reload would then start a new session on the login page. So
   * the server sets them, in its answer to a probe that asks for them, and the reload waits for
   * that answer. A session that is gone (401) reloads into a new one. Only when the server cannot
   * be reached does the script write the cookies itself.
   */
  function reloadSessionPage(token, facetsession) {
    window.isReloadPage = true;
    var reload = function () {
      window.location.reload();
    };
    fetch("reconnect?token=" + token + "&&facetsession=" + facetsession + "&reloadpage=true",
      { method: "HEAD", cache: "no-store", credentials: "same-origin" })
      .then(reload, function () {
        var path = window.location.pathname;
        document.cookie = "Duo_Token = " + token + "; path=" + path;
        document.cookie = "Duo_FacetSession = " + facetsession + "; path=" + path;
        document.cookie = "Duo_ReloadPage = true; path=" + path;
        reload();
      });
  }

  window.addEventListener("pagehide", function () {
    leavingPage = true;
  });

  window.addEventListener("pageshow", function (event) {
    leavingPage = false;
    if (event.persisted && window.connectionInfo) {
      /* Back from the page cache: the old socket is gone; a new one, or a probe if refused. */
      startFacetServer();
    }
  });

  window.startFacetServer = startFacetServer;
  window.reloadSessionPage = reloadSessionPage;
})();
