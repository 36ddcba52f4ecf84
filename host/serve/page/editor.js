// The browser side of kvhost serve: shows the panel the plug-in draws and the graded preview, sends the
// mouse on the panel as the host's events, and builds a control for every parameter the effect registered.
// Everything goes through one ordered queue of requests; consecutive drags, moves, slider values and time
// changes replace each other in it, so a fast mouse never piles up requests behind a slow render.
"use strict";

(() => {
  const token = new URLSearchParams(location.search).get("token") || "";
  const $ = (id) => document.getElementById(id);
  const panel = $("panel");
  const preview = $("preview");
  const paramsForm = $("params");
  const timeSlider = $("time");

  let state = null; // the last state the server sent
  let editVersion = 0; // the server's edit version as last heard of
  let shownPanel = { version: -1, width: 600, height: 340 };
  let shownPreview = { version: -1, key: "" };
  let before = false;
  let fullSize = false;
  let selectedKeyframe = null; // {name, time}

  // ---- requests ---------------------------------------------------------------------------------

  async function api(method, path, body, headers = {}) {
    const options = { method, headers: { "X-Kvhost-Token": token, ...headers } };
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
  }

  function say(text, isError = false) {
    const status = $("status");
    status.textContent = text;
    status.classList.toggle("error", isError);
  }

  // One ordered queue: {path, body, coalesce, done}. A request with the same coalesce key as the last one
  // waiting replaces it.
  const queue = [];
  let sending = false;

  function enqueue(path, body, coalesce, done) {
    const last = queue[queue.length - 1];
    if (coalesce && last && last.coalesce === coalesce) {
      queue[queue.length - 1] = { path, body, coalesce, done };
    } else {
      queue.push({ path, body, coalesce, done });
    }
    pump();
  }

  async function pump() {
    if (sending) {
      return;
    }
    sending = true;
    settle();
    while (queue.length > 0) {
      const request = queue.shift();
      try {
        const reply = await api("POST", request.path, request.body, request.headers);
        await (request.done || applyState)(reply);
      } catch (error) {
        say(error.message, true);
        if (request.path !== "/api/event") {
          wantState(); // the controls show the value the effect kept
        }
      }
    }
    sending = false;
    settle();
  }

  // ---- settling: tests and screenshots wait for body[data-settled="true"] --------------------------

  let previewBusy = false;
  let previewAgain = false;
  let stateBusy = false;
  let stateAgain = false;

  function settle() {
    const settled = !sending && queue.length === 0 && !previewBusy && !stateBusy && !resizePending &&
      shownPreview.version === editVersion;
    document.body.dataset.settled = settled ? "true" : "false";
  }

  // ---- the panel --------------------------------------------------------------------------------

  // Panel pixels map onto whole device pixels (k of them), so the plug-in's drawing stays crisp at any
  // device pixel ratio.
  function panelScale() {
    const ratio = window.devicePixelRatio || 1;
    return { ratio, k: Math.max(1, Math.round(ratio)) };
  }

  function sizePanel() {
    const { ratio, k } = panelScale();
    panel.style.width = `${(shownPanel.width * k) / ratio}px`;
    panel.style.height = `${(shownPanel.height * k) / ratio}px`;
  }

  async function showPanel(picture) {
    if (!picture || picture.png === undefined || picture.version <= shownPanel.version) {
      return;
    }
    shownPanel = { version: picture.version, width: picture.width, height: picture.height };
    panel.src = `data:image/png;base64,${picture.png}`;
    sizePanel();
    try {
      await panel.decode();
    } catch {
      // a newer picture replaced this one before it was decoded
    }
    panel.dataset.version = String(picture.version);
  }

  function wantedPanelWidth() {
    const { ratio, k } = panelScale();
    const css = $("panel-frame").clientWidth;
    const min = state ? state.panel.minWidth : 280;
    const max = state ? state.panel.maxWidth : 4096;
    return Math.min(max, Math.max(min, Math.floor((css * ratio) / k)));
  }

  let resizeTimer = 0;
  let resizePending = false;
  function followPageWidth() {
    clearTimeout(resizeTimer);
    resizePending = true;
    settle();
    resizeTimer = setTimeout(() => {
      resizePending = false;
      const width = wantedPanelWidth();
      if (width !== shownPanel.width) {
        enqueue("/api/panel", { width }, "panel");
      } else {
        sizePanel();
        settle();
      }
    }, 120);
  }

  function panelPoint(event) {
    const box = panel.getBoundingClientRect();
    return {
      x: Math.floor(((event.clientX - box.left) * shownPanel.width) / box.width),
      y: Math.floor(((event.clientY - box.top) * shownPanel.height) / box.height),
    };
  }

  function modifiers(event) {
    return { shift: event.shiftKey, ctrl: event.ctrlKey || event.metaKey, alt: event.altKey };
  }

  const penCursor = (mark) =>
    `url("data:image/svg+xml,${encodeURIComponent(
      `<svg xmlns='http://www.w3.org/2000/svg' width='24' height='24'>` +
        `<path d='M2 22 L5 14 L16 3 L21 8 L10 19 Z' fill='white' stroke='black' stroke-width='1.2'/>` +
        `<path d='M2 22 L5 14 L10 19 Z' fill='black'/>${mark}</svg>`)}") 2 22, crosshair`;
  const cursors = {
    default: "default", arrow: "default", "hollow arrow": "default", watch: "wait",
    magnify: "zoom-in", "magnify plus": "zoom-in", "magnify minus": "zoom-out",
    crosshairs: "crosshair", "cross rect": "crosshair", "cross oval": "crosshair",
    "cross rotate": "crosshair", pan: "move", eyedropper: "crosshair", hand: "grab",
    pen: penCursor(""), "pen close": penCursor(""),
    "pen add": penCursor("<path d='M15 17 h8 M19 13 v8' stroke='black' stroke-width='2.4'/>" +
      "<path d='M15 17 h8 M19 13 v8' stroke='white' stroke-width='1'/>"),
    "pen delete": penCursor("<path d='M15 18 h8' stroke='black' stroke-width='2.4'/>" +
      "<path d='M15 18 h8' stroke='white' stroke-width='1'/>"),
    "pen drag": penCursor("<rect x='15' y='14' width='7' height='7' fill='white' stroke='black'/>"),
  };
  let pluginCursor = "default";

  function showCursor() {
    const css = cursors[pluginCursor] || "default";
    panel.style.cursor = dragging && pluginCursor === "hand" ? "grabbing" : css;
    panel.dataset.cursor = pluginCursor;
  }

  let dragging = false;
  let lastPoint = null;
  let lastSent = 0;
  let holdTimer = 0;
  let lastDown = { time: -1e9, x: -100, y: -100, count: 0 };

  function sendEvent(event, coalesce) {
    lastSent = performance.now();
    enqueue("/api/event", event, coalesce, onEventReply);
  }

  async function onEventReply(reply) {
    if (reply.cursor) {
      pluginCursor = reply.cursor;
      showCursor();
    }
    await showPanel(reply.panel);
    setUndoRedo(reply.undo, reply.redo);
    $("unsaved").hidden = !reply.unsaved;
    if (reply.changed || !reply.gesture) {
      wantState();
    }
    heard(reply.version);
  }

  function heard(version) {
    if (version !== undefined && version !== editVersion) {
      editVersion = version;
      wantPreview();
    }
    settle();
  }

  panel.addEventListener("pointerdown", (event) => {
    if (event.button !== 0) {
      return;
    }
    event.preventDefault();
    panel.setPointerCapture(event.pointerId);
    const point = panelPoint(event);
    const now = performance.now();
    const near = Math.abs(point.x - lastDown.x) <= 4 && Math.abs(point.y - lastDown.y) <= 4;
    const count = now - lastDown.time < 500 && near && lastDown.count === 1 ? 2 : 1;
    lastDown = { time: now, x: point.x, y: point.y, count };
    dragging = true;
    lastPoint = point;
    sendEvent({ type: "click", ...point, ...modifiers(event), double: count === 2 });
    clearInterval(holdTimer);
    // A button held still tells the server the gesture is alive; a page that goes away stops telling.
    holdTimer = setInterval(() => {
      if (dragging && performance.now() - lastSent > 400) {
        sendEvent({ type: "hold" }, "hold");
      }
    }, 500);
  });

  panel.addEventListener("pointermove", (event) => {
    const point = panelPoint(event);
    if (dragging) {
      if (point.x !== lastPoint.x || point.y !== lastPoint.y) {
        lastPoint = point;
        sendEvent({ type: "drag", ...point, ...modifiers(event) }, "drag");
      }
    } else {
      sendEvent({ type: "move", ...point, ...modifiers(event) }, "move");
    }
  });

  function release(event) {
    if (!dragging) {
      return;
    }
    dragging = false;
    clearInterval(holdTimer);
    const point = event && event.clientX !== undefined ? panelPoint(event) : lastPoint;
    sendEvent({ type: "release", ...point, ...(event ? modifiers(event) : {}) });
    showCursor();
  }
  panel.addEventListener("pointerup", release);
  panel.addEventListener("pointercancel", () => release(null));
  panel.addEventListener("lostpointercapture", () => release(null));
  panel.addEventListener("contextmenu", (event) => event.preventDefault());
  panel.addEventListener("dragstart", (event) => event.preventDefault());
  window.addEventListener("pagehide", () => {
    if (dragging && lastPoint) {
      navigator.sendBeacon(`/api/event?token=${encodeURIComponent(token)}`,
        JSON.stringify({ type: "release", ...lastPoint }));
    }
  });

  // ---- the preview ------------------------------------------------------------------------------

  function wantPreview() {
    if (previewBusy) {
      previewAgain = true;
      return;
    }
    loadPreview();
  }

  async function loadPreview() {
    previewBusy = true;
    settle();
    do {
      previewAgain = false;
      const frame = $("preview-frame");
      const ratio = window.devicePixelRatio || 1;
      const width = Math.max(1, Math.round(frame.clientWidth * ratio));
      const height = Math.max(1, Math.round(frame.clientHeight * ratio));
      const query = `width=${width}&height=${height}&full=${fullSize ? 1 : 0}&before=${before ? 1 : 0}`;
      try {
        const reply = await api("GET", `/api/preview?${query}`);
        await showPreview(reply, ratio);
        await showPanel(reply.panel);
      } catch (error) {
        say(`preview: ${error.message}`, true);
        shownPreview.version = editVersion; // nothing newer will come of this edit
      }
    } while (previewAgain);
    previewBusy = false;
    settle();
  }

  async function showPreview(reply, ratio) {
    preview.src = `data:image/png;base64,${reply.png}`;
    // At full size one rendered pixel is one device pixel; otherwise the picture fills the view as the
    // whole input would (max-width and max-height keep it inside).
    preview.style.width = `${(reply.width * (fullSize ? 1 : reply.downsample)) / ratio}px`;
    try {
      await preview.decode();
    } catch {
      // replaced by a newer picture
    }
    shownPreview = { version: reply.version };
    preview.dataset.version = String(reply.version);
    preview.dataset.before = String(reply.before);
    preview.dataset.downsample = String(reply.downsample);
    $("preview-info").textContent = `${reply.before ? "before" : "after"}, ` +
      `${reply.width} x ${reply.height}${reply.downsample > 1 ? ` (1/${reply.downsample})` : " (full size)"}`;
    if (!reply.before) {
      drawHistogram(reply.histogram);
    }
  }

  function drawHistogram(histogram) {
    const canvas = $("histogram");
    const ratio = window.devicePixelRatio || 1;
    canvas.width = Math.max(1, Math.round(canvas.clientWidth * ratio));
    canvas.height = Math.max(1, Math.round(canvas.clientHeight * ratio));
    const context = canvas.getContext("2d");
    context.clearRect(0, 0, canvas.width, canvas.height);
    const caption = $("histogram-caption");
    if (!histogram) {
      caption.textContent = "No histogram: the panel's histogram button turns it on.";
      return;
    }
    const modeTwo = histogram.mode === 2;
    const arrays = modeTwo ? histogram.bins : histogram.bins.slice(0, 2);
    const colours = modeTwo ? ["#ff5a5a", "#5aff5a", "#5a8cff"] : ["#b0a070", "#e0e0e0"];
    caption.textContent = modeTwo ? "Histogram: red, green, blue of the result"
      : "Histogram: input (dark) and result (light) of the channel shown";
    let top = 1;
    for (const bins of arrays) {
      for (const count of bins) {
        top = Math.max(top, count);
      }
    }
    context.globalCompositeOperation = "lighter";
    arrays.forEach((bins, which) => {
      context.fillStyle = colours[which];
      context.globalAlpha = 0.55;
      const columns = canvas.width;
      for (let column = 0; column < columns; column++) {
        const first = Math.floor((column * bins.length) / columns);
        const last = Math.max(first + 1, Math.floor(((column + 1) * bins.length) / columns));
        let sum = 0;
        for (let bin = first; bin < last; bin++) {
          sum += bins[bin];
        }
        const height = Math.min(1, Math.sqrt(sum / (last - first) / top)) * canvas.height;
        context.fillRect(column, canvas.height - height, 1, height);
      }
    });
    context.globalCompositeOperation = "source-over";
    context.globalAlpha = 1;
  }

  $("before-after").addEventListener("click", () => {
    before = !before;
    $("before-after").setAttribute("aria-pressed", String(before));
    shownPreview.version = -1;
    wantPreview();
    settle();
  });
  $("full-size").addEventListener("click", () => {
    fullSize = !fullSize;
    $("full-size").setAttribute("aria-pressed", String(fullSize));
    $("preview-frame").classList.toggle("full", fullSize);
    shownPreview.version = -1;
    wantPreview();
    settle();
  });

  // ---- state, controls, time and keyframes ------------------------------------------------------

  function wantState() {
    if (stateBusy) {
      stateAgain = true;
      return;
    }
    loadState();
  }

  async function loadState() {
    stateBusy = true;
    settle();
    do {
      stateAgain = false;
      try {
        await applyState(await api("GET", "/api/state"));
      } catch (error) {
        say(error.message, true);
      }
    } while (stateAgain);
    stateBusy = false;
    settle();
  }

  function setUndoRedo(undo, redo) {
    if (undo === undefined) {
      return;
    }
    $("undo").disabled = undo === 0;
    $("redo").disabled = redo === 0;
    $("undo").title = `Undo (Ctrl+Z): ${undo} step${undo === 1 ? "" : "s"}`;
    $("redo").title = `Redo (Ctrl+Shift+Z): ${redo} step${redo === 1 ? "" : "s"}`;
  }

  async function applyState(next) {
    const first = state === null;
    state = next;
    $("effect-name").textContent = next.effect;
    $("input-name").textContent = `${next.input.path.split("/").pop()} (${next.input.width} x ` +
      `${next.input.height}, ${next.input.depth === 32 ? "float" : `${next.input.depth}-bit`})`;
    $("input-name").title = next.input.path;
    document.title = `${next.effect} - kvhost editor`;
    $("unsaved").hidden = !next.unsaved;
    $("save-project").title = next.saveProject
      ? `Save to ${next.saveProject} and download it` : "Download the project";
    setUndoRedo(next.undo, next.redo);
    showTime(next);
    showParameters(next.parameters);
    showKeyframes(next);
    await showPanel(next.panel);
    if (first) {
      followPageWidth();
    }
    heard(next.version);
  }

  let timeHeld = false;
  function showTime(next) {
    timeSlider.max = String(next.duration);
    timeSlider.step = String(next.frameDuration);
    if (!timeHeld && queue.every((request) => request.coalesce !== "time")) {
      timeSlider.value = String(next.time);
    }
    const frame = Math.round(next.time / next.frameDuration);
    $("time-text").textContent = `${next.time.toFixed(3)} s, frame ${frame}`;
  }
  timeSlider.addEventListener("input", () => {
    enqueue("/api/time", { seconds: Number(timeSlider.value) }, "time");
  });
  timeSlider.addEventListener("pointerdown", () => { timeHeld = true; });
  timeSlider.addEventListener("pointerup", () => { timeHeld = false; });

  function setParameter(name, value, coalesce) {
    enqueue("/api/param", { name, value }, coalesce);
  }

  function keyHere(parameter) {
    const half = state ? state.frameDuration / 2 : 0.02;
    return parameter.keyframes.find((time) => Math.abs(time - state.time) < half);
  }

  const rows = new Map(); // name -> {row, update(parameter)}

  function element(tag, properties = {}, ...children) {
    const made = document.createElement(tag);
    for (const [key, value] of Object.entries(properties)) {
      if (key === "dataset") {
        Object.assign(made.dataset, value);
      } else {
        made[key] = value;
      }
    }
    made.append(...children);
    return made;
  }

  function digits(parameter) {
    return Math.max(0, Math.min(6, parameter.precision || 0));
  }

  function makeControl(parameter) {
    const name = parameter.name;
    switch (parameter.type) {
      case "popup":
      case "layer": {
        const select = element("select", { dataset: { param: name } });
        parameter.choices.forEach((choice, i) => {
          const separator = parameter.type === "popup" && choice === "(-";
          const option = element("option", {
            value: parameter.type === "popup" ? String(i + 1) : choice,
            textContent: separator ? "──────" : choice || "None",
            disabled: separator,
          });
          select.append(option);
        });
        select.addEventListener("change", () =>
          setParameter(name, parameter.type === "popup" ? Number(select.value) : select.value));
        return {
          control: select,
          update(p) {
            select.value = String(p.value);
            select.disabled = p.disabled;
          },
        };
      }
      case "float slider":
      case "slider":
      case "fixed slider": {
        const range = element("input", { type: "range", dataset: { slider: name } });
        const box = element("input", { type: "number", dataset: { param: name } });
        range.addEventListener("input", () => {
          box.value = Number(range.value).toFixed(digits(parameter));
          setParameter(name, Number(range.value), `param:${name}`);
        });
        box.addEventListener("change", () => {
          if (box.value !== "" && Number.isFinite(Number(box.value))) {
            setParameter(name, Number(box.value));
          }
        });
        return {
          control: element("span", { className: "control" }, range, box),
          update(p) {
            const step = 10 ** -digits(p);
            range.min = String(p.sliderMin);
            range.max = String(p.sliderMax);
            range.step = String(step);
            box.min = String(p.validMin);
            box.max = String(p.validMax);
            box.step = String(step);
            if (document.activeElement !== box) {
              box.value = Number(p.value).toFixed(digits(p));
            }
            if (document.activeElement !== range) {
              range.value = String(p.value);
            }
            range.disabled = box.disabled = p.disabled;
          },
        };
      }
      case "checkbox": {
        const box = element("input", { type: "checkbox", dataset: { param: name } });
        box.addEventListener("change", () => setParameter(name, box.checked));
        return {
          control: element("label", { className: "control" }, box, parameter.label || ""),
          update(p) {
            box.checked = p.value;
            box.disabled = p.disabled;
          },
        };
      }
      case "colour": {
        const picker = element("input", { type: "color", dataset: { param: name } });
        let alpha = 255;
        picker.addEventListener("change", () => {
          const hex = picker.value;
          const channel = (i) => parseInt(hex.slice(1 + 2 * i, 3 + 2 * i), 16);
          setParameter(name, [channel(0), channel(1), channel(2), alpha]);
        });
        return {
          control: picker,
          update(p) {
            alpha = p.value[3];
            picker.value = `#${p.value.slice(0, 3).map((c) => c.toString(16).padStart(2, "0")).join("")}`;
            picker.disabled = p.disabled;
          },
        };
      }
      case "angle": {
        const box = element("input", { type: "number", step: "0.1", dataset: { param: name } });
        box.addEventListener("change", () => setParameter(name, Number(box.value)));
        return {
          control: element("span", { className: "control" }, box, "°"),
          update(p) {
            if (document.activeElement !== box) {
              box.value = String(p.value);
            }
            box.disabled = p.disabled;
          },
        };
      }
      case "arbitrary data":
        // The custom control is the panel above: #panel carries this parameter's data-param.
        return {
          control: element("span", { className: "note" },
            parameter.custom ? "edited in the panel above" : "not shown"),
          update() {},
        };
      default: {
        const out = element("output", { dataset: { param: name } });
        return {
          control: out,
          update(p) {
            out.textContent = JSON.stringify(p.value ?? "");
          },
        };
      }
    }
  }

  function showParameters(parameters) {
    const seen = new Set();
    for (const parameter of parameters) {
      const identity = `${parameter.index}:${parameter.type}:${parameter.name}`;
      seen.add(identity);
      let entry = rows.get(identity);
      if (!entry) {
        const made = makeControl(parameter);
        const key = parameter.timeVarying
          ? element("button", { type: "button", className: "key", textContent: "◆", dataset: { key: parameter.name } })
          : element("span", { className: "key-spacer" });
        if (parameter.timeVarying) {
          key.addEventListener("click", () => {
            const current = state.parameters.find((p) => p.name === parameter.name);
            const here = current && keyHere(current);
            enqueue("/api/keyframe", here === undefined
              ? { name: parameter.name, action: "add", time: state.time }
              : { name: parameter.name, action: "remove", time: here });
          });
        }
        const row = element("div", { className: "param", dataset: { row: parameter.name } },
          key, element("label", { textContent: parameter.name }), made.control);
        entry = { row, key, update: made.update };
        rows.set(identity, entry);
        paramsForm.append(row);
      }
      entry.row.hidden = parameter.hidden;
      entry.update(parameter);
      if (parameter.timeVarying) {
        const here = keyHere(parameter) !== undefined;
        entry.key.classList.toggle("animated", parameter.keyframes.length > 0);
        entry.key.classList.toggle("here", here);
        entry.key.title = here ? `Remove the keyframe of "${parameter.name}" at this time`
          : `Keyframe "${parameter.name}" at this time`;
      }
    }
    for (const [identity, entry] of rows) {
      if (!seen.has(identity)) {
        entry.row.remove();
        rows.delete(identity);
      }
    }
  }

  function showKeyframes(next) {
    const lanes = $("keyframes");
    lanes.replaceChildren();
    for (const parameter of next.parameters) {
      if (parameter.keyframes.length === 0) {
        continue;
      }
      const lane = element("div", { className: "lane", dataset: { track: parameter.name } });
      for (const time of parameter.keyframes) {
        const mark = element("button", {
          type: "button",
          className: "keyframe",
          title: `"${parameter.name}" at ${time.toFixed(3)} s`,
          dataset: { keyframe: parameter.name, time: String(time) },
        });
        mark.style.left = `${(time / next.duration) * 100}%`;
        if (selectedKeyframe && selectedKeyframe.name === parameter.name && selectedKeyframe.time === time) {
          mark.classList.add("selected");
        }
        dragKeyframe(mark, lane, parameter.name, time, next);
        lane.append(mark);
      }
      lanes.append(element("span", { className: "track-name", textContent: parameter.name }), lane,
        element("span"));
    }
  }

  function dragKeyframe(mark, lane, name, time, next) {
    let moved = false;
    mark.addEventListener("pointerdown", (event) => {
      event.preventDefault();
      mark.setPointerCapture(event.pointerId);
      moved = false;
      selectedKeyframe = { name, time };
      document.querySelectorAll(".keyframe.selected").forEach((m) => m.classList.remove("selected"));
      mark.classList.add("selected");
    });
    const timeAt = (event) => {
      const box = lane.getBoundingClientRect();
      const fraction = Math.min(1, Math.max(0, (event.clientX - box.left) / box.width));
      return Math.round((fraction * next.duration) / next.frameDuration) * next.frameDuration;
    };
    mark.addEventListener("pointermove", (event) => {
      if (mark.hasPointerCapture(event.pointerId)) {
        moved = true;
        mark.style.left = `${(timeAt(event) / next.duration) * 100}%`;
      }
    });
    mark.addEventListener("pointerup", (event) => {
      if (!moved) {
        enqueue("/api/time", { seconds: time }, "time");
        return;
      }
      const to = timeAt(event);
      if (Math.abs(to - time) > next.frameDuration / 2) {
        selectedKeyframe = { name, time: to };
        enqueue("/api/keyframe", { name, action: "move", time, to });
      } else {
        mark.style.left = `${(time / next.duration) * 100}%`;
      }
    });
    mark.addEventListener("dblclick", () => removeKeyframe(name, time));
  }

  function removeKeyframe(name, time) {
    selectedKeyframe = null;
    enqueue("/api/keyframe", { name, action: "remove", time });
  }

  // ---- undo, redo, projects ---------------------------------------------------------------------

  $("undo").addEventListener("click", () => enqueue("/api/undo", {}));
  $("redo").addEventListener("click", () => enqueue("/api/redo", {}));

  document.addEventListener("keydown", (event) => {
    const typing = event.target instanceof HTMLInputElement &&
      ["text", "number"].includes(event.target.type);
    if ((event.ctrlKey || event.metaKey) && !event.altKey && !typing) {
      const key = event.key.toLowerCase();
      if (key === "z" || key === "y") {
        event.preventDefault();
        enqueue(key === "y" || event.shiftKey ? "/api/redo" : "/api/undo", {});
      }
      return;
    }
    if ((event.key === "Delete" || event.key === "Backspace") && selectedKeyframe && !typing) {
      event.preventDefault();
      removeKeyframe(selectedKeyframe.name, selectedKeyframe.time);
    } else if ((event.key === "b" || event.key === "B") && !typing && !event.ctrlKey) {
      $("before-after").click();
    }
  });

  $("save-project").addEventListener("click", () => {
    enqueue("/api/project/save", {}, null, async (reply) => {
      const name = reply.savedTo ? reply.savedTo.split("/").pop() : "project.json";
      const link = element("a", {
        href: URL.createObjectURL(new Blob([reply.project], { type: "application/json" })),
        download: name,
      });
      document.body.append(link);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(link.href), 10000);
      say(reply.savedTo ? `Saved to ${reply.savedTo} and downloaded as ${name}.` : `Downloaded ${name}.`);
      await applyState(reply);
    });
  });

  $("open-project").addEventListener("change", async () => {
    const file = $("open-project").files[0];
    $("open-project").value = "";
    if (!file) {
      return;
    }
    const text = await file.text();
    queue.push({
      path: "/api/project/open",
      body: text,
      headers: { "X-Kvhost-File-Name": file.name.replace(/[^\x20-\x7e]/g, "_") },
      done: async (reply) => {
        say(`Opened ${file.name}.`);
        await applyState(reply);
      },
    });
    pump();
  });

  // ---- start ------------------------------------------------------------------------------------

  new ResizeObserver(followPageWidth).observe($("panel-frame"));
  new ResizeObserver(() => {
    shownPreview.version = -1;
    wantPreview();
  }).observe($("preview-frame"));
  matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener("change", followPageWidth);
  if (!token) {
    say("No token in the address: open the address kvhost printed, with its ?token=...", true);
  }
  wantState();
})();
