// The controls: one row for every parameter the effect registered, with its keyframe button, and the
// keyframe lanes under the timeline.
"use strict";

(() => {
  const kv = window.kvEditor;
  const { $, enqueue } = kv;
  const paramsForm = $("params");

  function setParameter(name, value, coalesce) {
    enqueue("/api/param", { name, value }, coalesce);
  }

  function keyHere(parameter) {
    const half = kv.state ? kv.state.frameDuration / 2 : 0.02;
    return parameter.keyframes.find((time) => Math.abs(time - kv.state.time) < half);
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
  kv.element = element;

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

  kv.showParameters = function showParameters(parameters) {
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
            const current = kv.state.parameters.find((p) => p.name === parameter.name);
            const here = current && keyHere(current);
            enqueue("/api/keyframe", here === undefined
              ? { name: parameter.name, action: "add", time: kv.state.time }
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
  };

  kv.showKeyframes = function showKeyframes(next) {
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
        const selected = kv.selectedKeyframe;
        if (selected && selected.name === parameter.name && selected.time === time) {
          mark.classList.add("selected");
        }
        dragKeyframe(mark, lane, parameter.name, time, next);
        lane.append(mark);
      }
      lanes.append(element("span", { className: "track-name", textContent: parameter.name }), lane,
        element("span"));
    }
  };

  function dragKeyframe(mark, lane, name, time, next) {
    let moved = false;
    mark.addEventListener("pointerdown", (event) => {
      event.preventDefault();
      mark.setPointerCapture(event.pointerId);
      moved = false;
      kv.selectedKeyframe = { name, time };
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
        kv.selectedKeyframe = { name, time: to };
        enqueue("/api/keyframe", { name, action: "move", time, to });
      } else {
        mark.style.left = `${(time / next.duration) * 100}%`;
      }
    });
    mark.addEventListener("dblclick", () => kv.removeKeyframe(name, time));
  }

  kv.removeKeyframe = function removeKeyframe(name, time) {
    kv.selectedKeyframe = null;
    enqueue("/api/keyframe", { name, action: "remove", time });
  };
})();
