// The browser side of kvhost serve, first of its scripts: the namespace the others share (window.kvEditor),
// the calls to the server and the one ordered queue every edit goes through. Consecutive drags, moves,
// slider values and time changes replace each other in it, so a fast mouse never piles up requests behind a
// slow render.
"use strict";

(() => {
  const kv = {
    token: new URLSearchParams(location.search).get("token") || "",
    $: (id) => document.getElementById(id),
    state: null, // the last state the server sent
    editVersion: 0, // the server's edit version as last heard of
    shownPanel: { version: -1, width: 600, height: 340 },
    shownPreview: { version: -1, key: "" },
    before: false,
    fullSize: false,
    selectedKeyframe: null, // {name, time}
    // One ordered queue: {path, body, coalesce, done}. A request with the same coalesce key as the last
    // one waiting replaces it.
    queue: [],
    sending: false,
    previewBusy: false,
    stateBusy: false,
    resizePending: false,
  };
  window.kvEditor = kv;
  const { $, queue } = kv;

  kv.api = async function api(method, path, body, headers = {}) {
    const options = { method, headers: { "X-Kvhost-Token": kv.token, ...headers } };
    if (body !== undefined) {
      options.body = typeof body === "string" ? body : JSON.stringify(body);
      options.headers["Content-Type"] = "application/json";
    }
    const response = await fetch(path, options);
    let reply = null;
    try {
      reply = await response.json();
    } catch {
      reply = { error: `${response.status} ${response.statusText}` };
    }
    if (!response.ok) {
      throw new Error(reply.error || `${response.status} ${response.statusText}`);
    }
    return reply;
  };

  kv.say = function say(text, isError = false) {
    const status = $("status");
    status.textContent = text;
    status.classList.toggle("error", isError);
  };

  kv.enqueue = function enqueue(path, body, coalesce, done) {
    const last = queue[queue.length - 1];
    if (coalesce && last && last.coalesce === coalesce) {
      queue[queue.length - 1] = { path, body, coalesce, done };
    } else {
      queue.push({ path, body, coalesce, done });
    }
    kv.pump();
  };

  kv.pump = async function pump() {
    if (kv.sending) {
      return;
    }
    kv.sending = true;
    kv.settle();
    while (queue.length > 0) {
      const request = queue.shift();
      try {
        const reply = await kv.api("POST", request.path, request.body, request.headers);
        await (request.done || kv.applyState)(reply);
      } catch (error) {
        kv.say(error.message, true);
        if (request.path !== "/api/event") {
          kv.wantState(); // the controls show the value the effect kept
        }
      }
    }
    kv.sending = false;
    kv.settle();
  };

  // ---- settling: tests and screenshots wait for body[data-settled="true"] --------------------------

  kv.settle = function settle() {
    const settled = !kv.sending && queue.length === 0 && !kv.previewBusy && !kv.stateBusy &&
      !kv.resizePending && kv.shownPreview.version === kv.editVersion;
    document.body.dataset.settled = settled ? "true" : "false";
  };

  // A reply that names a newer edit version wants a new preview.
  kv.heard = function heard(version) {
    if (version !== undefined && version !== kv.editVersion) {
      kv.editVersion = version;
      kv.wantPreview();
    }
    kv.settle();
  };
})();
