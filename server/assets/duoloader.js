/*
 * Loading overlay of the framework's pages, served as "duoloader.js" and loaded in the head.
 * When the document is ready it adds to the body a division "duo-loader" that covers the whole
 * window with a centred box holding the wait text and three bouncing dots. The overlay is shown
 * at first, so a loading page stays covered until the server has handled the page load; with
 * the loader option off it stays hidden for the page's whole life. LockThreadClient() and
 * UnLockThreadClient() (facetserver.js) show and hide it afterwards.
 * The server substitutes the wait text, in the page's language, as a JSON string literal.
 */
(function () {
  "use strict";

  var WAIT_TEXT = {{_d!Loader,WaitText_}};

  var STYLE = [
    "#duo-loader {",
    "  position: fixed; top: 0; left: 0; width: 100%; height: 100%;",
    "  z-index: 9999;",
    "  background-color: rgba(255, 255, 255, 0.1);",
    "}",
    "#duo-loader .duo-loader-wrapp {",
    "  position: absolute; top: 50%; left: 50%;",
    "  transform: translate(-50%, -50%);",
    "}",
    "#duo-loader .duo-loader-item {",
    "  background-color: #fff;",
    "  padding: 3em;",
    "  border-radius: 10px;",
    "  box-shadow: 0 4px 24px rgba(0, 0, 0, 0.15);",
    "  text-align: center;",
    "}",
    "#duo-loader .duo-loader-text {",
    "  margin: 0 0 1.25em 0;",
    "  font-family: system-ui, -apple-system, \"Segoe UI\", Roboto, Arial, sans-serif;",
    "  font-size: 1rem;",
    "  color: #444;",
    "}",
    "#duo-loader .duo-loader-ball-box {",
    "  display: flex; justify-content: center; gap: 10px;",
    "  height: 30px;",
    "}",
    "#duo-loader .duo-loader-ball-box > div {",
    "  width: 15px; height: 15px;",
    "  border-radius: 50%;",
    "  animation: duo-loader-bounce 0.6s ease-in-out infinite;",
    "}",
    "#duo-loader .ball-1 { background-color: #FA5667; animation-delay: 0.3s; }",
    "#duo-loader .ball-2 { background-color: #7A45E5; animation-delay: 0.2s; }",
    "#duo-loader .ball-3 { background-color: #FAC24C; animation-delay: 0.1s; }",
    "@keyframes duo-loader-bounce {",
    "  0%, 100% { transform: translateY(0); }",
    "  50% { transform: translateY(15px); }",
    "}"
  ].join("\n");

  function buildLoader() {
    if (document.getElementById("duo-loader") !== null || !document.body) {
      return;
    }
    var loader = document.createElement("div");
    loader.id = "duo-loader";
    loader.style.display = window.duoloader === true ? "block" : "none";

    var wrapper = document.createElement("div");
    wrapper.className = "duo-loader-wrapp";
    var box = document.createElement("div");
    box.className = "duo-loader-item";

    var waitText = document.createElement("p");
    waitText.className = "duo-loader-text";
    waitText.textContent = WAIT_TEXT;
    box.appendChild(waitText);

    var balls = document.createElement("div");
    balls.className = "duo-loader-ball-box";
    ["ball-1", "ball-2", "ball-3"].forEach(function (name) {
      var ball = document.createElement("div");
      ball.className = name;
      balls.appendChild(ball);
    });
    box.appendChild(balls);

    wrapper.appendChild(box);
    loader.appendChild(wrapper);

    var style = document.createElement("style");
    style.textContent = STYLE;
    loader.appendChild(style);

    document.body.appendChild(loader);
  }

  if (document.readyState === "loading") {
    document.addEventListener("DOMContentLoaded", buildLoader);
  } else {
    buildLoader();
  }
})();
