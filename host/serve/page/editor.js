// The browser side of kvhost serve, last of its scripts: the effect's state as the server reports it, time,
// undo and redo, saving and opening projects, the keyboard, and the start. The scripts before it (loaded in
// order, sharing window.kvEditor) hold the request queue, the panel, the preview and the controls.
"use strict";

(() => {
  const kv = window.kvEditor;
  const { $, enqueue, settle, queue } = kv;
  const timeSlider = $("time");
  let stateAgain = false;

  // ---- state and time ---------------------------------------------------------------------------

  kv.wantState = function wantState() {
    if (kv.stateBusy) {
      stateAgain = true;
      return;
    }
    loadState();
  };

  async function loadState() {
    kv.stateBusy = true;
    settle();
    do {
      stateAgain = false;
      try {
        await kv.applyState(await kv.api("GET", "/api/state"));
      } catch (error) {
        kv.say(error.message, true);
      }
    } while (stateAgain);
    kv.stateBusy = false;
    settle();
  }

  kv.setUndoRedo = function setUndoRedo(undo, redo) {
    if (undo === undefined) {
      return;
    }
    $("undo").disabled = undo === 0;
    $("redo").disabled = redo === 0;
    $("undo").title = `Undo (Ctrl+Z): ${undo} step${undo === 1 ? "" : "s"}`;
    $("redo").title = `Redo (Ctrl+Shift+Z): ${redo} step${redo === 1 ? "" : "s"}`;
  };

  kv.applyState = async function applyState(next) {
    const first = kv.state === null;
    kv.state = next;
    $("effect-name").textContent = next.effect;
    $("input-name").textContent = `${next.input.path.split("/").pop()} (${next.input.width} x ` +
      `${next.input.height}, ${next.input.depth === 32 ? "float" : `${next.input.depth}-bit`})`;
    $("input-name").title = next.input.path;
    document.title = `${next.effect} - kvhost editor`;
    $("unsaved").hidden = !next.unsaved;
    $("save-project").title = next.saveProject
      ? `Save to ${next.saveProject} and download it` : "Download the project";
    kv.setUndoRedo(next.undo, next.redo);
    showTime(next);
    kv.showParameters(next.parameters);
    kv.showKeyframes(next);
    await kv.showPanel(next.panel);
    if (first) {
      kv.followPageWidth();
    }
    kv.heard(next.version);
  };

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
    if ((event.key === "Delete" || event.key === "Backspace") && kv.selectedKeyframe && !typing) {
      event.preventDefault();
      kv.removeKeyframe(kv.selectedKeyframe.name, kv.selectedKeyframe.time);
    } else if ((event.key === "b" || event.key === "B") && !typing && !event.ctrlKey) {
      $("before-after").click();
    }
  });

  $("save-project").addEventListener("click", () => {
    enqueue("/api/project/save", {}, null, async (reply) => {
      const name = reply.savedTo ? reply.savedTo.split("/").pop() : "project.json";
      const link = kv.element("a", {
        href: URL.createObjectURL(new Blob([reply.project], { type: "application/json" })),
        download: name,
      });
      document.body.append(link);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(link.href), 10000);
      kv.say(reply.savedTo ? `Saved to ${reply.savedTo} and downloaded as ${name}.` : `Downloaded ${name}.`);
      await kv.applyState(reply);
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
        kv.say(`Opened ${file.name}.`);
        await kv.applyState(reply);
      },
    });
    kv.pump();
  });

  // ---- start ------------------------------------------------------------------------------------

  new ResizeObserver(kv.followPageWidth).observe($("panel-frame"));
  new ResizeObserver(() => {
    kv.shownPreview.version = -1;
    kv.wantPreview();
  }).observe($("preview-frame"));
  matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener("change", kv.followPageWidth);
  if (!kv.token) {
    kv.say("No token in the address: open the address kvhost printed, with its ?token=...", true);
  }
  kv.wantState();
})();
