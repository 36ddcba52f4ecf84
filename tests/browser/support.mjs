// What the browser tests share: a kvhost serve process on loopback, Debian's Chromium through
// playwright-core, and reading pictures out of the page.
import { spawn } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { chromium } from "playwright-core";

export const kvhost = process.env.KV_KVHOST;
export const morrowby = process.env.KV_MORROWBY;
export const tarnwick = process.env.KV_TARNWICK;
export const examples = process.env.KV_EXAMPLES;
export const outputFolder = process.env.KV_BROWSER_OUT || tmpdir();
for (const [name, value] of Object.entries({ KV_KVHOST: kvhost, KV_MORROWBY: morrowby, KV_TARNWICK: tarnwick,
  KV_EXAMPLES: examples })) {
  if (!value) {
    throw new Error(`${name} is not set: run these tests through ctest (tests/browser/CMakeLists.txt)`);
  }
}

// Every wait is bounded; a test that needs longer has found a fault.
export const kWait = 20000;

// Starts `kvhost serve` and resolves with the address it printed. stop() sends SIGTERM and resolves with
// the exit code and standard error once the process has ended (killing it after kWait).
export function startServer(args) {
  const child = spawn(kvhost, ["serve", ...args, "--port", "0"], { stdio: ["ignore", "pipe", "pipe"] });
  let out = "";
  let err = "";
  const ended = new Promise((resolve) => child.on("exit", (code, signal) => resolve({ code, signal })));
  child.stderr.on("data", (chunk) => { err += chunk; });
  const address = new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`kvhost serve printed no address: ${err}`)), kWait);
    child.stdout.on("data", (chunk) => {
      out += chunk;
      const line = out.split("\n")[0];
      if (out.includes("\n")) {
        clearTimeout(timer);
        const match = /^kvhost: editor at (http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{32})$/.exec(line);
        if (match) {
          resolve(match[1]);
        } else {
          reject(new Error(`unexpected first line: ${line}`));
        }
      }
    });
    child.on("exit", (code) => reject(new Error(`kvhost serve ended with ${code}: ${err}`)));
  });
  return {
    address,
    async stop() {
      if (child.exitCode === null && child.signalCode === null) {
        child.kill("SIGTERM");
      }
      const timer = setTimeout(() => child.kill("SIGKILL"), kWait);
      const { code, signal } = await ended;
      clearTimeout(timer);
      return { code, signal, err };
    },
  };
}

export async function launchChromium() {
  const profile = mkdtempSync(path.join(tmpdir(), "kvhost-chromium-"));
  const browser = await chromium.launchPersistentContext(profile, {
    executablePath: "/usr/bin/chromium",
    headless: true,
    acceptDownloads: true,
    viewport: { width: 1400, height: 900 },
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
    timeout: kWait,
  });
  browser.setDefaultTimeout(kWait);
  return {
    context: browser,
    async close() {
      await browser.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Waits until the page has sent everything and shows the preview of the latest edit.
export async function settled(page) {
  await page.waitForFunction(() => document.body.dataset.settled === "true", null, { timeout: kWait });
}

// The pixels of an <img> of the page: {width, height, data (RGBA bytes)} read through a canvas and handed
// over as base64 (a plain array of a million numbers takes seconds to cross).
export async function pixelsOf(page, selector) {
  const picture = await page.$eval(selector, (img) => {
    const canvas = document.createElement("canvas");
    canvas.width = img.naturalWidth;
    canvas.height = img.naturalHeight;
    const context = canvas.getContext("2d");
    context.drawImage(img, 0, 0);
    const data = context.getImageData(0, 0, canvas.width, canvas.height).data;
    let text = "";
    for (let i = 0; i < data.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    }
    return { width: canvas.width, height: canvas.height, base64: btoa(text) };
  });
  return { width: picture.width, height: picture.height, data: Buffer.from(picture.base64, "base64") };
}

export function meanBrightness(image) {
  let sum = 0;
  for (let i = 0; i < image.data.length; i += 4) {
    sum += (image.data[i] + image.data[i + 1] + image.data[i + 2]) / 3;
  }
  return sum / (image.data.length / 4);
}

export function samePixels(a, b) {
  return a.width === b.width && a.height === b.height && a.data.every((value, i) => value === b.data[i]);
}

// A point of the panel in page coordinates from panel pixels.
export async function panelToPage(page, x, y) {
  const box = await page.locator("#panel").boundingBox();
  const size = await page.$eval("#panel", (img) => [img.naturalWidth, img.naturalHeight]);
  return { x: box.x + ((x + 0.5) * box.width) / size[0], y: box.y + ((y + 0.5) * box.height) / size[1] };
}
