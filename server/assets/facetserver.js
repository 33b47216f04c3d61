/*
 * Browser runtime of the framework's pages, served as "facetserver.js" and loaded at the end of
 * the body. It sends control events, page events and callbacks to the server as JSON messages,
 * collects the state of the page's controls for each event, covers the page with the loader
 * while the server works for the user, shows the error overlay while the server is out of
 * reach, and offers the small functions that page controls and pushed statements call
 * (validation feedback, popup stack, grid row ids, message dialogs).
 *
 * It relies on the globals of the page's header blocks (connectionInfo, duoloader, duopopups,
 * duoFormUUID, startFacetServer, ...) and works with plain DOM APIs, with or without jQuery.
 * The globals it defines are the names listed at the end of this file.
 */
(function () {
  "use strict";

  /* ------------------------------------------------------------------ helpers */

  function text(value) {
    return value === undefined || value === null ? "" : String(value);
  }

  /* LockClient arrives as a Boolean from page code and as 'True'/'False' from generated calls. */
  function isTrue(value) {
    return value === true || (typeof value === "string" && value.toLowerCase() === "true");
  }

  function sessionUUID() {
    return window.connectionInfo ? text(window.connectionInfo.facetsession) : "";
  }

  function sessionToken() {
    return window.connectionInfo ? text(window.connectionInfo.token) : "";
  }

  function pageFormUUID() {
    return text(window.duoFormUUID);
  }

  function whenDocumentReady(action) {
    if (document.readyState === "loading") {
      document.addEventListener("DOMContentLoaded", action);
    } else {
      action();
    }
  }

  function whenWindowLoaded(action) {
    if (document.readyState === "complete") {
      action();
    } else {
      window.addEventListener("load", action);
    }
  }

  /* ------------------------------------------------------------------ page address */

  /* The page address loses its query and its fragment, so that a reload asks for the plain page. */
  (function cleanPageAddress() {
    if (!window.history || typeof window.history.replaceState !== "function") {
      return;
    }
    if (window.location.search) {
      window.history.replaceState({}, document.title, window.location.pathname + window.location.hash);
    }
    if (window.location.href.indexOf("#") > -1) {
      window.history.replaceState({}, document.title, window.location.pathname);
    }
  })();

  /* ------------------------------------------------------------------ loader and error overlay */

  /* Shows or hides the loader in the next turn of the event loop; never with the loader option off. */
  function setLoaderDisplay(display) {
    setTimeout(function () {
      if (window.duoloader !== true) {
        return;
      }
      var loader = document.getElementById("duo-loader");
      if (loader) {
        loader.style.display = display;
      }
    }, 0);
  }

  function LockThreadClient() {
    setLoaderDisplay("block");
  }

  function UnLockThreadClient() {
    setLoaderDisplay("none");
  }

  function showOverlayError() {
    var overlay = document.getElementById("overlayerror");
    if (overlay) {
      overlay.style.display = "block";
    }
  }

  function hideOverlayError() {
    var overlay = document.getElementById("overlayerror");
    if (overlay) {
      overlay.style.display = "none";
    }
  }

  function isOverlayErrorVisible() {
    var overlay = document.getElementById("overlayerror");
    return overlay !== null && window.getComputedStyle(overlay).display !== "none";
  }

  /* ------------------------------------------------------------------ messages to the server */

  /*
   * The message envelope: {"type", "name", "wait", "parameters": [{name: value}, ...]} with the
   * parameters in the server's order and LockClient last, as a JSON Boolean.
   */
  function buildMessage(type, name, wait, pairs, lockClient) {
    var parameters = pairs.map(function (pair) {
      var parameter = {};
      parameter[pair[0]] = text(pair[1]);
      return parameter;
    });
    parameters.push({ LockClient: lockClient });
    return JSON.stringify({ type: type, name: name, wait: wait, parameters: parameters });
  }

  /*
   * Sends on the main socket. A socket still connecting sends the message when it opens; a
   * closed socket (the error overlay is up) drops it, and then the client is not locked, since
   * no answer would come to unlock it.
   */
  function sendOnMainSocket(message, lockClient) {
    var socket = window.facetws;
    if (socket && socket.readyState === WebSocket.OPEN) {
      if (lockClient) {
        LockThreadClient();
      }
      socket.send(message);
      return;
    }
    if (socket && socket.readyState === WebSocket.CONNECTING) {
      if (lockClient) {
        LockThreadClient();
      }
      var sent = false;
      socket.addEventListener("open", function () {
        sent = true;
        socket.send(message);
      });
      socket.addEventListener("close", function () {
        if (!sent && lockClient) {
          UnLockThreadClient();
        }
      });
      return;
    }
    console.warn("Duo: not connected to the server; the message was not sent", message);
  }

  function FacetServerFunctions() {
  }

  FacetServerFunctions.prototype.ExecEvent = function (UUID, Token, FormUUID, ID, EventID, Parameters, LockClient) {
    var lockClient = isTrue(LockClient);
    var message = buildMessage("procedure", "ExecEvent", false, [
      ["UUID", UUID], ["Token", Token], ["FormUUID", FormUUID], ["ID", ID],
      ["EventID", EventID], ["Parameters", Parameters]
    ], lockClient);
    sendOnMainSocket(message, lockClient);
  };

  /* Resolves with the server's reply text, or with "{}" when the exchange fails. */
  FacetServerFunctions.prototype.GetFromEvent = async function (UUID, Token, FormUUID, ID, EventID, Parameters, LockClient) {
    var lockClient = isTrue(LockClient);
    var message = buildMessage("function", "GetFromEvent", true, [
      ["UUID", UUID], ["Token", Token], ["FormUUID", FormUUID], ["ID", ID],
      ["EventID", EventID], ["Parameters", Parameters]
    ], lockClient);
    if (lockClient) {
      LockThreadClient();
    }
    try {
      return await this.sendMessageAndAwaitResponse(message);
    } catch (error) {
      console.error("Erro: " + (error && error.message !== undefined ? error.message : text(error)));
      if (lockClient) {
        /* The server may never have seen the event, so no unlock would come from it. */
        UnLockThreadClient();
      }
      return "{}";
    }
  };

  /* Generated event calls name the reply-returning form of an event this way. */
  FacetServerFunctions.prototype.GetFromEventProc = FacetServerFunctions.prototype.GetFromEvent;

  FacetServerFunctions.prototype.CallBack = function (UUID, Token, FormUUID, CallBackID, Parameters, LockClient) {
    var lockClient = isTrue(LockClient);
    var message = buildMessage("function", "CallBack", false, [
      ["UUID", UUID], ["Token", Token], ["FormUUID", FormUUID],
      ["CallBackID", CallBackID], ["Parameters", Parameters]
    ], lockClient);
    sendOnMainSocket(message, lockClient);
  };

  /*
   * One request/reply exchange on a socket of its own. The first message received is the reply;
   * a close other than the normal one before it, or a socket error, fails the exchange. A normal
   * close before any reply means the server had nothing to answer: the reply is empty.
   */
  FacetServerFunctions.prototype.sendMessageAndAwaitResponse = function (message) {
    return new Promise(function (resolve, reject) {
      var info = window.connectionInfo;
      var socket;
      try {
        var prefix = info.pathPrefix && info.pathPrefix !== "/" ? info.pathPrefix : "";
        socket = new WebSocket(info.protocol + "://" + info.host + ":" + info.port +
          "/websocket" + prefix +
          "/connectionresponseparams?token=" + info.token +
          "&facetsession=" + info.facetsession +
          "&channelname=" + info.channelname);
      } catch (error) {
        reject(error);
        return;
      }
      var settled = false;
      socket.onopen = function () {
        socket.send(typeof message === "string" ? message : JSON.stringify(message));
      };
      socket.onmessage = function (event) {
        if (settled) {
          return;
        }
        settled = true;
        resolve(typeof event.data === "string" ? event.data : text(event.data));
        socket.close(1000);
      };
      socket.onerror = function () {
        if (settled) {
          return;
        }
        settled = true;
        reject(new Error("WebSocket error"));
      };
      socket.onclose = function (event) {
        if (settled) {
          return;
        }
        settled = true;
        if (event.code !== 1000) {
          reject(new Error("Connection close with code  " + event.code));
        } else {
          resolve("");
        }
      };
    });
  };

  function FacetServer() {
    return new FacetServerFunctions();
  }

  /* ------------------------------------------------------------------ page events */

  /* Reports the loaded page, with the lock, so the page stays covered until the server is done. */
  function PageLoadComplete() {
    setTimeout(function () {
      var form = pageFormUUID();
      FacetServer().ExecEvent(sessionUUID(), sessionToken(), form, form, "AfterPageLoad", "", true);
    }, 100);
  }

  function UpdateDuoControls(selectedfacetcontrols) {
    var form = pageFormUUID();
    FacetServer().ExecEvent(sessionUUID(), sessionToken(), form, form, "UpdateDuoControls",
      "FacetComponentsStatus=" + GetComponentsStates(selectedfacetcontrols), false);
  }

  /* ------------------------------------------------------------------ control states */

  var TEXT_TYPES = ["TFacetEdit", "TFacetDBEdit", "TFacetMemo", "TFacetDBMemo"];
  var COMBOBOX_TYPES = ["TFacetCombobox", "TFacetDBCombobox"];
  var CHECKBOX_TYPES = ["TFacetCheckBox", "TFacetDBCheckBox"];

  /*
   * The current state of the given controls ({"id", "FacetType"} objects) as a JSON array text.
   * Entries that are missing, or whose element is not in the page, are skipped.
   */
  function GetComponentsStates(JSONFacetComponents) {
    var states = [];
    var components = JSONFacetComponents || [];
    for (var i = 0; i < components.length; i++) {
      var component = components[i];
      if (!component || component.id === undefined || component.id === null) {
        continue;
      }
      var element = document.getElementById(text(component.id));
      if (element === null) {
        continue;
      }
      var state = { id: text(component.id) };
      var type = text(component.FacetType);
      if (TEXT_TYPES.indexOf(type) !== -1) {
        var value = text(element.value);
        if (element.classList.contains("text-uppercase")) {
          value = value.toUpperCase();
        } else if (element.classList.contains("text-lowercase")) {
          value = value.toLowerCase();
        }
        state.text = value;
      } else if (COMBOBOX_TYPES.indexOf(type) !== -1) {
        state.selecteditemindex = text(element.value);
      } else if (type === "TFacetDBLookupCombobox") {
        state.selectedvalue = text(element.value);
      } else if (CHECKBOX_TYPES.indexOf(type) !== -1) {
        state.checked = element.checked === true;
      }
      states.push(state);
    }
    return JSON.stringify(states);
  }

  /* The grid's selected row ids with every "jqg" removed. */
  function jqGridSelectedRows(selarrrow) {
    if (selarrrow === undefined || selarrrow === null) {
      return [];
    }
    var rows = typeof selarrrow === "object" && typeof selarrrow.length === "number"
      ? Array.prototype.slice.call(selarrrow)
      : [selarrrow];
    return rows.map(function (row) {
      return text(row).split("jqg").join("");
    });
  }

  /* ------------------------------------------------------------------ validation */

  /*
   * Marks every required, blank field of the validation group as invalid and clears the mark on
   * the others. Returns true when any required field was blank (the group's event is then held back).
   */
  function checkRequired(validationgroup) {
    var group = text(validationgroup);
    var anyBlank = false;
    var members = document.querySelectorAll("[validationgroup]");
    for (var i = 0; i < members.length; i++) {
      var element = members[i];
      if (element.getAttribute("validationgroup") !== group) {
        continue;
      }
      if (element.hasAttribute("required") && text(element.value).trim() === "") {
        if (typeof element.reportValidity === "function") {
          element.reportValidity();
        }
        element.classList.add("is-invalid");
        anyBlank = true;
      } else {
        element.classList.remove("is-invalid");
      }
    }
    return anyBlank;
  }

  /* Typing in a required field clears its invalid mark; delegated, so replaced elements are covered too. */
  whenWindowLoaded(function () {
    document.addEventListener("input", function (event) {
      var target = event.target;
      if (target && typeof target.hasAttribute === "function" && target.hasAttribute("required")) {
        target.classList.remove("is-invalid");
      }
    });
  });

  /* Per element id: the element and the input listener that clears its feedback. */
  var feedbackListeners = new Map();

  function removeElementById(id) {
    var element = document.getElementById(id);
    if (element && element.parentNode) {
      element.parentNode.removeChild(element);
    }
  }

  function removeValidationFeedback(elementID) {
    var id = text(elementID);
    var element = document.getElementById(id);
    if (element) {
      element.classList.remove("is-valid", "is-invalid");
    }
    removeElementById(id + "_valid_feedback");
    removeElementById(id + "_invalid_feedback");
    var entry = feedbackListeners.get(id);
    if (entry) {
      entry.element.removeEventListener("input", entry.listener);
      feedbackListeners.delete(id);
    }
  }

  function insertValidationFeedback(elementID, isValid, feedbackMessage) {
    var id = text(elementID);
    var element = document.getElementById(id);
    if (element === null) {
      return;
    }
    removeValidationFeedback(id);
    var valid = isTrue(isValid);
    element.classList.add(valid ? "is-valid" : "is-invalid");
    var message = text(feedbackMessage);
    if (message === "") {
      return;
    }
    var feedback = document.createElement("div");
    feedback.id = id + (valid ? "_valid_feedback" : "_invalid_feedback");
    feedback.className = valid ? "valid-feedback" : "invalid-feedback";
    feedback.textContent = message;
    element.insertAdjacentElement("afterend", feedback);
    var listener = function () {
      removeValidationFeedback(id);
    };
    element.addEventListener("input", listener);
    feedbackListeners.set(id, { element: element, listener: listener });
  }

  /* ------------------------------------------------------------------ popup stack */

  function popupStack() {
    if (!Array.isArray(window.duopopups)) {
      window.duopopups = [];
    }
    return window.duopopups;
  }

  /* The live element of a stack entry: a popup whose markup was replaced is found again by id. */
  function livePopupElement(entry) {
    return (entry && entry.id && document.getElementById(entry.id)) || entry;
  }

  function showPopupElement(popup) {
    popup.style.display = "block";
    var library = window.bootstrap;
    if (popup.classList.contains("modal") && library && library.Modal &&
        typeof library.Modal.getOrCreateInstance === "function") {
      library.Modal.getOrCreateInstance(popup).show();
    }
  }

  /* Hides the popup on top of the stack and shows the new one above it. */
  function incduopopup(duopopup) {
    if (!duopopup) {
      return;
    }
    var stack = popupStack();
    var top = stack.length > 0 ? livePopupElement(stack[stack.length - 1]) : null;
    if (top && top !== duopopup && top.style) {
      top.style.display = "none";
    }
    for (var i = stack.length - 1; i >= 0; i--) {
      if (stack[i] && stack[i].id === duopopup.id) {
        stack.splice(i, 1);
      }
    }
    stack.push(duopopup);
    showPopupElement(duopopup);
  }

  /* Takes the popup off the stack and shows the one that is now on top. */
  function decduopopup(duopopup) {
    if (!duopopup) {
      return;
    }
    var stack = popupStack();
    for (var i = stack.length - 1; i >= 0; i--) {
      if (stack[i] && stack[i].id === duopopup.id) {
        stack.splice(i, 1);
        break;
      }
    }
    if (stack.length > 0) {
      var top = livePopupElement(stack[stack.length - 1]);
      if (top && top.style) {
        top.style.display = "block";
      }
    }
  }

  /* ------------------------------------------------------------------ message dialogs */

  var DIALOG_ICONS = ["warning", "error", "info", "question", "success"];
  var DIALOG_POSITIONS = [
    "top", "top-start", "top-end", "top-left", "top-right",
    "center", "center-start", "center-end", "center-left", "center-right",
    "bottom", "bottom-start", "bottom-end", "bottom-left", "bottom-right"
  ];

  /* The dialog whose answer the server is waiting for; other dialogs queue behind it. */
  var waitingDialog = null;
  var queuedDialogs = [];

  function escapeHtml(value) {
    return text(value)
      .replace(/&/g, "&amp;")
      .replace(/</g, "&lt;")
      .replace(/>/g, "&gt;")
      .replace(/"/g, "&quot;")
      .replace(/'/g, "&#39;");
  }

  function normaliseDialog(options) {
    var source = options || {};
    var buttons = Array.isArray(source.buttons) ? source.buttons : [];
    var toast = source.toast === true;
    var timer = Number(source.timer);
    return {
      formuuid: text(source.formuuid),
      identify: text(source.identify),
      title: text(source.title),
      text: text(source.text),
      icon: text(source.icon),
      buttons: buttons.filter(function (button) {
        return button !== null && typeof button === "object";
      }).map(function (button) {
        var result = Math.trunc(Number(button.result));
        return { caption: text(button.caption), result: isFinite(result) ? result : 0 };
      }),
      wait: source.wait === true && !toast,
      toast: toast,
      position: text(source.position),
      timer: isFinite(timer) && timer > 0 ? Math.floor(timer) : 0
    };
  }

  function answerDialog(dialog, result) {
    if (waitingDialog === dialog) {
      waitingDialog = null;
    }
    FacetServer().ExecEvent(sessionUUID(), sessionToken(), dialog.formuuid, dialog.formuuid,
      "MessageDlgResponse", "result=" + result + "&identify=" + encodeURIComponent(dialog.identify), false);
    while (waitingDialog === null && queuedDialogs.length > 0) {
      showDialog(queuedDialogs.shift());
    }
  }

  /* Without the dialog library: the browser's own dialogs. */
  function showNativeDialog(dialog) {
    var message = (dialog.title !== "" ? dialog.title + "\n\n" : "") + dialog.text;
    if (dialog.toast) {
      console.log(message);
      return;
    }
    if (!dialog.wait) {
      window.alert(message);
      return;
    }
    var buttons = dialog.buttons;
    var result;
    if (buttons.length >= 2) {
      result = window.confirm(message) ? buttons[0].result : buttons[buttons.length - 1].result;
    } else {
      window.alert(message);
      result = buttons.length === 1 ? buttons[0].result : 0;
    }
    answerDialog(dialog, result);
  }

  /* More than three buttons: a row of plain buttons of our own under the dialog's text. */
  function addCustomButtons(popup, dialog, choose) {
    var bar = document.createElement("div");
    bar.className = "duo-dialog-buttons";
    bar.style.cssText = "display:flex;flex-wrap:wrap;justify-content:center;margin:1.25em auto 0;padding:0 1.6em;";
    dialog.buttons.forEach(function (button, index) {
      var element = document.createElement("button");
      element.type = "button";
      element.className = "swal2-styled duo-dialog-button";
      element.style.backgroundColor = index === 0 ? "#7066e0" : "#6e7881";
      element.style.color = "#fff";
      element.setAttribute("data-result", String(button.result));
      element.textContent = button.caption;
      element.addEventListener("click", function () {
        choose(button.result);
      });
      bar.appendChild(element);
    });
    var actions = window.Swal.getActions();
    if (actions && actions.parentNode === popup) {
      popup.insertBefore(bar, actions.nextSibling);
    } else {
      popup.appendChild(bar);
    }
    if (bar.firstChild) {
      bar.firstChild.focus();
    }
  }

  function showDialog(dialog) {
    if (dialog.wait) {
      waitingDialog = dialog;
    }
    var Swal = window.Swal;
    if (!Swal || typeof Swal.fire !== "function") {
      showNativeDialog(dialog);
      return;
    }

    var chosen = null;
    var settled = false;
    var buttons = dialog.buttons;
    var customButtons = !dialog.toast && buttons.length > 3;

    var config = {
      titleText: dialog.title,
      text: dialog.text,
      allowEscapeKey: !dialog.wait,
      showCloseButton: !dialog.wait,
      customClass: { closeButton: "sweetAlert2CloseButton" },
      /* Above the loader even when the framework style sheet is not included. */
      willOpen: function () {
        var container = Swal.getContainer();
        if (container) {
          container.style.zIndex = "9999999";
        }
      }
    };
    if (DIALOG_ICONS.indexOf(dialog.icon) !== -1) {
      config.icon = dialog.icon;
    }
    if (DIALOG_POSITIONS.indexOf(dialog.position) !== -1) {
      config.position = dialog.position;
    } else if (dialog.toast) {
      config.position = "top-end";
    }
    if (dialog.timer > 0 && !dialog.wait) {
      config.timer = dialog.timer;
      config.timerProgressBar = dialog.toast;
    }

    if (!dialog.toast) {
      config.allowOutsideClick = !dialog.wait;
    }

    if (dialog.toast) {
      config.toast = true;
      config.showConfirmButton = false;
      config.showCloseButton = true;
    } else if (customButtons) {
      config.showConfirmButton = false;
      config.showDenyButton = false;
      config.showCancelButton = false;
      config.didOpen = function (popup) {
        addCustomButtons(popup, dialog, function (result) {
          chosen = result;
          Swal.close();
        });
      };
    } else {
      /* Up to three buttons: confirm, deny and cancel, in that order. Captions are escaped text. */
      config.showConfirmButton = true;
      if (buttons.length >= 1) {
        config.confirmButtonText = escapeHtml(buttons[0].caption);
      }
      config.showDenyButton = buttons.length >= 2;
      if (buttons.length >= 2) {
        config.denyButtonText = escapeHtml(buttons[1].caption);
      }
      config.showCancelButton = buttons.length >= 3;
      if (buttons.length >= 3) {
        config.cancelButtonText = escapeHtml(buttons[2].caption);
      }
    }

    function standardChoice(outcome) {
      if (outcome.isConfirmed) {
        return buttons.length >= 1 ? buttons[0].result : 0;
      }
      if (outcome.isDenied && buttons.length >= 2) {
        return buttons[1].result;
      }
      if (outcome.isDismissed && outcome.dismiss === Swal.DismissReason.cancel && buttons.length >= 3) {
        return buttons[2].result;
      }
      return null;
    }

    /*
     * A dialog the server waits for must be answered: when it ends without a button (another
     * dialog of the page replaced it, or it was closed from script) it is shown again.
     */
    function finish() {
      if (!dialog.wait) {
        return;
      }
      if (chosen !== null) {
        answerDialog(dialog, chosen);
      } else {
        setTimeout(function () {
          showDialog(dialog);
        }, 0);
      }
    }

    /* A dialog replaced by another one is destroyed without its promise ever settling. */
    config.didDestroy = function () {
      setTimeout(function () {
        if (!settled) {
          settled = true;
          finish();
        }
      }, 0);
    };

    Swal.fire(config).then(function (outcome) {
      if (settled) {
        return;
      }
      settled = true;
      if (chosen === null && !dialog.toast && !customButtons) {
        chosen = standardChoice(outcome || {});
      }
      finish();
    });
  }

  /*
   * Shows a message dialog pushed by the server. A dialog with "wait" sends the pressed button's
   * result back as the page form's "MessageDlgResponse" event; a toast sends nothing.
   */
  function DuoMessageDlg(options) {
    var dialog = normaliseDialog(options);
    if (waitingDialog !== null) {
      queuedDialogs.push(dialog);
      return;
    }
    showDialog(dialog);
  }

  /* ------------------------------------------------------------------ start-up */

  whenDocumentReady(function () {
    hideOverlayError();
    if (typeof window.startFacetServer === "function") {
      window.startFacetServer();
    }
  });

  /* ------------------------------------------------------------------ globals */

  window.FacetServer = FacetServer;
  window.FacetServerFunctions = FacetServerFunctions;
  window.LockThreadClient = LockThreadClient;
  window.UnLockThreadClient = UnLockThreadClient;
  window.showOverlayError = showOverlayError;
  window.hideOverlayError = hideOverlayError;
  window.isOverlayErrorVisible = isOverlayErrorVisible;
  window.PageLoadComplete = PageLoadComplete;
  window.UpdateDuoControls = UpdateDuoControls;
  window.GetComponentsStates = GetComponentsStates;
  window.jqGridSelectedRows = jqGridSelectedRows;
  window.checkRequired = checkRequired;
  window.insertValidationFeedback = insertValidationFeedback;
  window.removeValidationFeedback = removeValidationFeedback;
  window.incduopopup = incduopopup;
  window.decduopopup = decduopopup;
  window.DuoMessageDlg = DuoMessageDlg;
})();
