// kvhost serve in a real browser: Debian's Chromium driven by playwright-core grades the colour chart with
// the mouse as a person would. Run through ctest (label "browser"), which sets KV_KVHOST, KV_MORROWBY,
// KV_TARNWICK, KV_EXAMPLES and KV_BROWSER_OUT (where the README's screenshot is written).
import assert from "node:assert/strict";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { after, before, test } from "node:test";
import {
  examples, launchChromium, meanBrightness, morrowby, outputFolder, panelToPage, pixelsOf, samePixels,
  settled, startServer, tarnwick,
} from "./support.mjs";

const chart = path.join(examples, "colour-chart-8bit.png");
let chrome;

before(async () => {
  chrome = await launchChromium();
});
after(async () => {
  await chrome?.close();
});

// A page on a new kvhost serve; close() checks that the page raised no error and that the server set the
// effect down cleanly on SIGTERM. A test that fails before close() still stops its server.
async function openEditor(t, plugin, args = []) {
  const server = startServer([plugin, chart, ...args]);
  t.after(() => server.stop());
  const address = await server.address;
  const page = await chrome.context.newPage();
  t.after(() => page.close());
  const errors = [];
  page.on("pageerror", (error) => errors.push(error.message));
  await page.goto(address);
  await settled(page);
  return {
    page,
    address,
    async close() {
      await page.close();
      const stopped = await server.stop();
      assert.equal(stopped.code, 0, stopped.err);
      assert.doesNotMatch(stopped.err, /leak|locked|not checked in/);
      assert.deepEqual(errors, []);
    },
  };
}

// Panel pixels of the plot for curve units of the default view (x and y 0..1 in the Absolute effect,
// y -1..1 in the Relative one): plot 70 .. width - 19 by 10 .. 268.
async function plotPoint(page, x, y, relative = false) {
  const width = await page.$eval("#panel", (img) => img.naturalWidth);
  const v = relative ? (y + 1) / 2 : y;
  return panelToPage(page, 70 + (width - 89) * x, 268 - 258 * v);
}

async function drag(page, from, to, modifiers = []) {
  await page.mouse.move(from.x, from.y);
  for (const key of modifiers) {
    await page.keyboard.down(key);
  }
  await page.mouse.down();
  for (let step = 1; step <= 8; step++) {
    await page.mouse.move(from.x + ((to.x - from.x) * step) / 8, from.y + ((to.y - from.y) * step) / 8);
  }
  await page.mouse.up();
  for (const key of modifiers) {
    await page.keyboard.up(key);
  }
  await settled(page);
}

async function click(page, at, modifiers = []) {
  await drag(page, at, at, modifiers);
}

async function setTime(page, seconds) {
  await page.$eval("#time", (slider, value) => {
    slider.value = String(value);
    slider.dispatchEvent(new Event("input", { bubbles: true }));
  }, seconds);
  await settled(page);
}

const panel = (page) => pixelsOf(page, "#panel");
const preview = (page) => pixelsOf(page, "#preview");

// The same panel but for anti-aliased edge pixels a step or two apart: a state that comes back from its
// stored text (6 significant digits) is drawn within that of the state it was saved from.
function nearlySame(a, b) {
  if (a.width !== b.width || a.height !== b.height) {
    return false;
  }
  let differing = 0;
  for (let i = 0; i < a.data.length; i++) {
    const step = Math.abs(a.data[i] - b.data[i]);
    if (step > 2) {
      return false;
    }
    differing += step > 0 ? 1 : 0;
  }
  return differing <= 16;
}

function meanOf(image, channel) {
  let sum = 0;
  for (let i = channel; i < image.data.length; i += 4) {
    sum += image.data[i];
  }
  return sum / (image.data.length / 4);
}

test("dragging a node of the rgb curve upwards brightens the preview; before shows the input", async (t) => {
  const editor = await openEditor(t, morrowby);
  const { page } = editor;
  const flat = await preview(page);
  assert.equal(await page.locator('[data-param="node x (input)"]').isDisabled(), true);

  const middle = await plotPoint(page, 0.5, 0.5);
  await page.mouse.move(middle.x, middle.y);
  await page.waitForFunction(() => document.querySelector("#panel").dataset.cursor === "pen add");
  await drag(page, middle, await plotPoint(page, 0.5, 0.8));
  const graded = await preview(page);
  assert.ok(meanBrightness(graded) > meanBrightness(flat) + 15,
    `${meanBrightness(graded)} against ${meanBrightness(flat)}`);
  assert.equal(await page.locator('[data-param="node x (input)"]').isDisabled(), false);
  assert.ok(Math.abs(Number(await page.inputValue('[data-param="node y (output)"]')) - 0.8) < 0.01);

  await page.click("#before-after");
  await settled(page);
  assert.ok(samePixels(await preview(page), flat), "before shows the input as it is");
  await page.click("#before-after");
  await settled(page);
  assert.ok(samePixels(await preview(page), graded));
  await page.click("#full-size");
  await settled(page);
  assert.equal(await page.$eval("#preview", (img) => img.dataset.downsample), "1");

  // The panel follows the page's width.
  const wide = await page.$eval("#panel", (img) => img.naturalWidth);
  await page.setViewportSize({ width: 800, height: 900 });
  await page.waitForFunction((before) => document.querySelector("#panel").naturalWidth < before, wide);
  assert.ok(await page.$eval("#panel", (img) => img.naturalWidth) >= 280);
  await editor.close();
});

test("modifiers reach the editor: shift-click adds a node, alt-click deletes it, ctrl-drag pans", async (t) => {
  const editor = await openEditor(t, morrowby);
  const { page } = editor;
  const flat = await preview(page);

  // Shift adds a node off the curve, on the line below the mouse; a drag then lifts it.
  const above = await plotPoint(page, 0.3, 0.8);
  await drag(page, above, { x: above.x, y: above.y - 50 }, ["Shift"]);
  const lifted = await preview(page);
  assert.ok(meanBrightness(lifted) > meanBrightness(flat) + 5);
  const nodeX = Number(await page.inputValue('[data-param="node x (input)"]'));
  const nodeY = Number(await page.inputValue('[data-param="node y (output)"]'));
  assert.ok(Math.abs(nodeX - 0.3) < 0.01, `node x ${nodeX}`);

  // Alt on the node deletes it: no node is active (the plug-in shows 0) and the curve is another.
  await click(page, await plotPoint(page, nodeX, nodeY), ["Alt"]);
  assert.equal(Number(await page.inputValue('[data-param="node x (input)"]')), 0);
  const dropped = await preview(page);
  assert.ok(!samePixels(dropped, lifted));

  // Ctrl in the plot pans the view (the editor's rule: it adds no node): the panel moves, the picture not.
  const before = await panel(page);
  const from = await plotPoint(page, 0.8, 0.2);
  await drag(page, from, { x: from.x - 60, y: from.y - 50 }, ["Control"]);
  assert.ok(!samePixels(await panel(page), before), "the view moved");
  assert.ok(samePixels(await preview(page), dropped), "no node was added");
  await editor.close();
});

test("another channel chosen in the popup is shown and graded", async (t) => {
  const editor = await openEditor(t, morrowby);
  const { page } = editor;
  const flat = await preview(page);
  await page.selectOption('[data-param="channel"]', { label: "red" });
  await settled(page);
  const middle = await plotPoint(page, 0.5, 0.5);
  const shown = await panel(page);
  const at = await page.$eval("#panel", (img, p) => {
    const box = img.getBoundingClientRect();
    return [Math.floor(((p.x - box.left) * img.naturalWidth) / box.width),
      Math.floor(((p.y - box.top) * img.naturalHeight) / box.height)];
  }, middle);
  let reddest = 0; // the curve is three pixels thick around the middle of the plot
  for (let y = at[1] - 4; y <= at[1] + 4; y++) {
    const i = (y * shown.width + at[0]) * 4;
    reddest = Math.max(reddest, shown.data[i] - Math.max(shown.data[i + 1], shown.data[i + 2]));
  }
  assert.ok(reddest > 150, `the red curve at the middle: ${reddest}`);

  await drag(page, middle, await plotPoint(page, 0.5, 0.8));
  const graded = await preview(page);
  assert.ok(meanOf(graded, 0) > meanOf(flat, 0) + 15);
  assert.ok(Math.abs(meanOf(graded, 1) - meanOf(flat, 1)) < 0.5, "green stays");
  assert.equal(await page.inputValue('[data-param="channel"]'), "5");
  await editor.close();
});

test("a Relative curve with \"based on\" changed grades by the new property", async (t) => {
  const editor = await openEditor(t, tarnwick);
  const { page } = editor;
  const flat = await preview(page);
  const greyBar = await panel(page);
  await page.selectOption('[data-param="based on"]', { label: "hue" });
  await settled(page);
  const hueBar = await panel(page);
  // The input colour bar under the plot shows hues now.
  const width = hueBar.width;
  const row = 340 - 63;
  let coloured = 0;
  for (let x = 80; x < width - 30; x += 10) {
    const i = (row * width + x) * 4;
    coloured += Math.max(hueBar.data[i], hueBar.data[i + 1], hueBar.data[i + 2]) -
      Math.min(hueBar.data[i], hueBar.data[i + 1], hueBar.data[i + 2]) > 30 ? 1 : 0;
    assert.equal(greyBar.data[i], greyBar.data[i + 1]);
  }
  assert.ok(coloured > 10, `${coloured} coloured columns`);

  await drag(page, await plotPoint(page, 0.5, 0, true), await plotPoint(page, 0.5, 0.6, true));
  const graded = await preview(page);
  assert.ok(!samePixels(graded, flat));
  assert.equal(await page.inputValue('[data-param="based on"]'), "3");
  await editor.close();
});

test("two keyframes of the curve, and the time scrubbed between them", async (t) => {
  const editor = await openEditor(t, morrowby);
  const { page } = editor;
  const flat = meanBrightness(await preview(page));
  // The node goes in on the line first, so that both keys have it and the plug-in blends it.
  await click(page, await plotPoint(page, 0.5, 0.5));
  await page.click('[data-key="curve"]');
  await settled(page);
  await setTime(page, 2);
  await drag(page, await plotPoint(page, 0.5, 0.5), await plotPoint(page, 0.5, 0.85));
  assert.equal(await page.locator('[data-keyframe="curve"]').count(), 2);
  const bright = meanBrightness(await preview(page));
  assert.ok(bright > flat + 15);

  await setTime(page, 1);
  const between = meanBrightness(await preview(page));
  assert.ok(between > flat + 3 && between < bright - 3, `${flat} < ${between} < ${bright}`);
  await setTime(page, 0);
  assert.ok(Math.abs(meanBrightness(await preview(page)) - flat) < 0.01);
  await setTime(page, 3);
  assert.ok(Math.abs(meanBrightness(await preview(page)) - bright) < 0.01);
  await editor.close();
});

test("undo restores the panel and the preview, redo the grade", async (t) => {
  const editor = await openEditor(t, morrowby);
  const { page } = editor;
  const firstPanel = await panel(page);
  const firstPreview = await preview(page);
  await drag(page, await plotPoint(page, 0.4, 0.4), await plotPoint(page, 0.4, 0.75));
  const gradedPreview = await preview(page);
  assert.ok(!samePixels(gradedPreview, firstPreview));

  await page.keyboard.press("Control+z");
  await settled(page);
  assert.ok(nearlySame(await panel(page), firstPanel), "the panel as it was");
  assert.ok(samePixels(await preview(page), firstPreview), "the preview as it was");
  assert.equal(await page.locator("#undo").isDisabled(), true);

  await page.keyboard.press("Control+Shift+z");
  await settled(page);
  assert.ok(samePixels(await preview(page), gradedPreview));
  await editor.close();
});

test("a saved project, the page reloaded and the project opened: the same panel and preview", async (t) => {
  const folder = mkdtempSync(path.join(tmpdir(), "kvhost-browser-"));
  const saveTo = path.join(folder, "grade.json");
  const editor = await openEditor(t, morrowby, ["--save-project", saveTo]);
  const { page } = editor;
  await drag(page, await plotPoint(page, 0.6, 0.6), await plotPoint(page, 0.6, 0.8));
  // A click away from the curve clears the selection, which a project does not keep.
  await click(page, await plotPoint(page, 0.9, 0.1));
  // Undo and redo draw the grade from its stored form, as opening the project will: a handle end, rounded
  // up to whole pixels, may land a pixel away from where the live drag drew it.
  await page.keyboard.press("Control+z");
  await settled(page);
  await page.keyboard.press("Control+Shift+z");
  await settled(page);
  const savedPanel = await panel(page);
  const savedPreview = await preview(page);

  const [download] = await Promise.all([page.waitForEvent("download"), page.click("#save-project")]);
  await settled(page);
  const downloaded = path.join(folder, "downloaded.json");
  await download.saveAs(downloaded);
  assert.equal(download.suggestedFilename(), "grade.json");
  assert.match(await page.textContent("#status"), /Saved to .*grade\.json/);

  await drag(page, await plotPoint(page, 0.2, 0.2), await plotPoint(page, 0.2, 0.5), ["Shift"]); // a node anywhere
  assert.ok(!samePixels(await preview(page), savedPreview));
  await page.reload();
  await settled(page);
  await page.setInputFiles("#open-project", downloaded);
  await page.waitForFunction(() => /Opened/.test(document.querySelector("#status").textContent));
  await settled(page);
  assert.ok(nearlySame(await panel(page), savedPanel), "the panel as saved");
  assert.ok(samePixels(await preview(page), savedPreview), "the preview as saved");
  await editor.close();
  rmSync(folder, { recursive: true, force: true });
});

test("the README's screenshot: an S-curve on the chart with the histogram", async (t) => {
  const editor = await openEditor(t, morrowby);
  const { page } = editor;
  await page.setViewportSize({ width: 1280, height: 800 });
  await page.waitForFunction(() => document.querySelector("#panel").naturalWidth < 800);
  await settled(page);
  await page.selectOption('[data-param="channel"]', { label: "rgb" });
  await drag(page, await plotPoint(page, 0.25, 0.25), await plotPoint(page, 0.25, 0.17));
  await drag(page, await plotPoint(page, 0.75, 0.75), await plotPoint(page, 0.75, 0.85));
  await click(page, await panelToPage(page, 35, 278)); // the histogram button
  await page.waitForFunction(() => !/No histogram/.test(document.querySelector("#histogram-caption").textContent));
  await settled(page);
  await page.screenshot({ path: path.join(outputFolder, "editor.png") });
  await editor.close();
});
