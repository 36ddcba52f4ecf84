// The panel the plug-in draws: sized to the page in whole device pixels, the mouse on it sent as the
// host's events, and the cursor the plug-in asks for.
"use strict";

(() => {
  const kv = window.kvEditor;
  const { $, enqueue, settle } = kv;
  const panel = $("panel");

  // Panel pixels map onto whole device pixels (k of them), so the plug-in's drawing stays crisp at any
  // device pixel ratio.
  function panelScale() {
    const ratio = window.devicePixelRatio || 1;
    return { ratio, k: Math.max(1, Math.round(ratio)) };
  }

  function sizePanel() {
    const { ratio, k } = panelScale();
    panel.style.width = `${(kv.shownPanel.width * k) / ratio}px`;
    panel.style.height = `${(kv.shownPanel.height * k) / ratio}px`;
  }

  kv.showPanel = async function showPanel(picture) {
    if (!picture || picture.png === undefined || picture.version <= kv.shownPanel.version) {
      return;
    }
    kv.shownPanel = { version: picture.version, width: picture.width, height: picture.height };
    panel.src = `data:image/png;base64,${picture.png}`;
    sizePanel();
    try {
      await panel.decode();
    } catch {
      // a newer picture replaced this one before it was decoded
    }
    panel.dataset.version = String(picture.version);
  };

  function wantedPanelWidth() {
    const { ratio, k } = panelScale();
    const css = $("panel-frame").clientWidth;
    const min = kv.state ? kv.state.panel.minWidth : 280;
    const max = kv.state ? kv.state.panel.maxWidth : 4096;
    return Math.min(max, Math.max(min, Math.floor((css * ratio) / k)));
  }

  let resizeTimer = 0;
  kv.followPageWidth = function followPageWidth() {
    clearTimeout(resizeTimer);
    kv.resizePending = true;
    settle();
    resizeTimer = setTimeout(() => {
      kv.resizePending = false;
      const width = wantedPanelWidth();
      if (width !== kv.shownPanel.width) {
        enqueue("/api/panel", { width }, "panel");
      } else {
        sizePanel();
        settle();
      }
    }, 120);
  };

  function panelPoint(event) {
    const box = panel.getBoundingClientRect();
    return {
      x: Math.floor(((event.clientX - box.left) * kv.shownPanel.width) / box.width),
      y: Math.floor(((event.clientY - box.top) * kv.shownPanel.height) / box.height),
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
    await kv.showPanel(reply.panel);
    kv.setUndoRedo(reply.undo, reply.redo);
    $("unsaved").hidden = !reply.unsaved;
    if (reply.changed || !reply.gesture) {
      kv.wantState();
    }
    kv.heard(reply.version);
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
      navigator.sendBeacon(`/api/event?token=${encodeURIComponent(kv.token)}`,
        JSON.stringify({ type: "release", ...lastPoint }));
    }
  });
})();
