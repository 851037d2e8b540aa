// Opens the pages that the page-writing program wrote, in headless Chromium,
// served from loopback; a request that leaves it, or a script error, fails
// the test. Test files register with test(); runTests() prints
// "N passed, N failed".
import { chromium } from "playwright-core";
import assert from "node:assert/strict";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";

export const pagesDir = path.resolve(process.argv[2] || ".");

// Must match kHostile in store_page_browser_pages.cpp.
export const HOSTILE = "</script><img src=x onerror=\"window.__pwned=1\"> O'Brien's \\ \"q\" \x01\x1f\t\n" +
  "\u2028\u2029 Pok\u00e9mon <b>bold</b> &amp; <!-- x";

const server = http.createServer((req, res) => {
  const file = path.join(pagesDir, path.normalize(decodeURIComponent(new URL(req.url, "http://x").pathname)));
  fs.readFile(file, (err, data) => {
    const ok = !err && file.startsWith(pagesDir + path.sep);
    res.writeHead(ok ? 200 : 404, { "Content-Type": file.endsWith(".html") ? "text/html; charset=utf-8" : "" });
    res.end(ok ? data : "");
  });
});
await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await chromium.launch({
  executablePath: ["/usr/lib/chromium/chromium", "/usr/bin/chromium"].find((p) => fs.existsSync(p)),
  args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update"],
});

// Opens a page (a path under pagesDir), optionally in a time zone and with
// the clock held at an instant; finish() fails on script errors or requests
// that left the server.
export async function open(pagePath, { timezoneId, now } = {}) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 900 }, timezoneId });
  const page = await context.newPage();
  const errors = [];
  await context.route("**/*", (route) => {
    const url = route.request().url();
    if (url.startsWith(origin + "/") || url.startsWith("blob:")) return route.continue();
    errors.push(`left the server: ${url}`);
    return route.abort();
  });
  page.on("pageerror", (error) => errors.push(String(error)));
  page.on("dialog", (dialog) => dialog.accept());
  if (now) await page.clock.setFixedTime(now);
  await page.goto(`${origin}/${pagePath}`);
  return { page, finish: async () => { assert.deepEqual(errors, []); await context.close(); } };
}

const tests = [];
export const test = (name, body) => tests.push({ name, body });

// Runs every registered test, closes the browser and the server, and
// returns the number that failed.
export async function runTests() {
  let passed = 0, failed = 0;
  for (const { name, body } of tests) {
    try { await body(); passed++; console.log(`ok   ${name}`); }
    catch (error) { failed++; console.log(`FAIL ${name}\n${error && error.stack || error}`); }
  }
  await closeBrowser();
  console.log(`${passed} passed, ${failed} failed`);
  return failed;
}

export async function closeBrowser() {
  await browser.close();
  server.close();
}
