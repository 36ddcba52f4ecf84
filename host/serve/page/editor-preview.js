// The graded preview, rendered to fit the view (or at full size), before or after, and the histogram
// drawn under it.
"use strict";

(() => {
  const kv = window.kvEditor;
  const { $, settle } = kv;
  const preview = $("preview");
  let previewAgain = false;

  kv.wantPreview = function wantPreview() {
    if (kv.previewBusy) {
      previewAgain = true;
      return;
    }
    loadPreview();
  };

  async function loadPreview() {
    kv.previewBusy = true;
    settle();
    do {
      previewAgain = false;
      const frame = $("preview-frame");
      const ratio = window.devicePixelRatio || 1;
      const width = Math.max(1, Math.round(frame.clientWidth * ratio));
      const height = Math.max(1, Math.round(frame.clientHeight * ratio));
      const query = `width=${width}&height=${height}&full=${kv.fullSize ? 1 : 0}&before=${kv.before ? 1 : 0}`;
      try {
        const reply = await kv.api("GET", `/api/preview?${query}`);
        await showPreview(reply, ratio);
        await kv.showPanel(reply.panel);
      } catch (error) {
        kv.say(`preview: ${error.message}`, true);
        kv.shownPreview.version = kv.editVersion; // nothing newer will come of this edit
      }
    } while (previewAgain);
    kv.previewBusy = false;
    settle();
  }

  async function showPreview(reply, ratio) {
    preview.src = `data:image/png;base64,${reply.png}`;
    // At full size one rendered pixel is one device pixel; otherwise the picture fills the view as the
    // whole input would (max-width and max-height keep it inside).
    preview.style.width = `${(reply.width * (kv.fullSize ? 1 : reply.downsample)) / ratio}px`;
    try {
      await preview.decode();
    } catch {
      // replaced by a newer picture
    }
    kv.shownPreview = { version: reply.version };
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
    kv.before = !kv.before;
    $("before-after").setAttribute("aria-pressed", String(kv.before));
    kv.shownPreview.version = -1;
    kv.wantPreview();
    settle();
  });
  $("full-size").addEventListener("click", () => {
    kv.fullSize = !kv.fullSize;
    $("full-size").setAttribute("aria-pressed", String(kv.fullSize));
    $("preview-frame").classList.toggle("full", kv.fullSize);
    kv.shownPreview.version = -1;
    kv.wantPreview();
    settle();
  });
})();
