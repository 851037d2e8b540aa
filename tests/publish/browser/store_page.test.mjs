// The generated store page in headless Chromium, served from loopback; a
// request that leaves it fails the test. Prints "N passed, N failed".
import { chromium } from "playwright-core";
import assert from "node:assert/strict";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";

const pagesDir = path.resolve(process.argv[2] || "");
if (!process.argv[2] || !fs.existsSync(path.join(pagesDir, "many", "index.html"))) process.exit(2);

// Must match kHostile in store_page_browser_pages.cpp.
const HOSTILE = "</script><img src=x onerror=\"window.__pwned=1\"> O'Brien's \\ \"q\" \x01\x1f\t\n" +
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

// Opens a page; finish() fails on script errors or requests that left the server.
async function open(name) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 900 } });
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
  await page.goto(`${origin}/${name}/index.html`);
  return { page, finish: async () => { assert.deepEqual(errors, []); await context.close(); } };
}

const text = (page, selector) => page.locator(selector).textContent();
const shownNames = async (page) => {
  while (await page.locator("#more").isVisible()) await page.click("#more");
  return page.locator("#grid .card h2").allTextContents();
};

const tests = [];
const test = (name, body) => tests.push({ name, body });

test("hostile catalogue and settings text is shown literally and runs nothing", async () => {
  const { page, finish } = await open("hostile");
  await page.waitForTimeout(300);
  assert.equal(await page.locator("img[src='x'], #grid b, #ttl b, #notes b").count(), 0);
  for (const id of ["#ttl", "#tag", "#contact", "#notes", "#banner"]) assert.equal(await text(page, id), HOSTILE, id);
  const card = page.locator("#grid .card").first();
  assert.equal(await card.locator("h2").textContent(), HOSTILE);
  assert.equal(await card.locator(".cn").textContent(), HOSTILE);
  assert.ok((await page.locator("#setf option").evaluateAll((o) => o.map((x) => x.value))).includes(HOSTILE));
  // cards.json holds exactly what the page holds.
  const cards = await page.evaluate(() => CARDS);
  assert.deepEqual(JSON.parse(fs.readFileSync(path.join(pagesDir, "hostile", "cards.json"), "utf8")), cards);
  assert.equal(cards[0].name, HOSTILE);
  assert.equal(await page.evaluate(() => window.__pwned), undefined);
  await finish();
});

test("a price band holds the prices on its edges", async () => {
  const { page, finish } = await open("many");
  const cards = await page.evaluate(() => CARDS);
  // 5, 10, 25, 50 belong to their "up to" band, 50 and 100 to 50-100; the
  // pages hold prices on both sides of every edge.
  const bands = { "5": (p) => p <= 5, "10": (p) => p <= 10, "25": (p) => p <= 25, "50": (p) => p <= 50,
    "50-100": (p) => p >= 50 && p <= 100, "100": (p) => p > 100, "all": () => true };
  for (const [band, inBand] of Object.entries(bands)) {
    await page.click(`#pf button[data-p='${band}']`);
    const names = cards.filter((c) => c.conditions.some((d) => inBand(d.price))).map((c) => c.name);
    assert.ok(names.length > 0, band);
    assert.deepEqual(await shownNames(page), names, band);
  }
  await finish();
});

test("selections survive filtering and make the total", async () => {
  const { page, finish } = await open("many");
  const pick = async (name, condition, times) => {
    await page.fill("#s", name.toLowerCase());
    const row = page.locator("#grid .card", { has: page.locator("h2", { hasText: new RegExp(`^${name}$`) }) })
      .locator("li", { has: page.locator(".cn", { hasText: new RegExp(`^${condition}$`) }) });
    for (let i = 0; i < times; i++) await row.locator(".wqb[data-s='1']").click();
  };
  await pick("Card 001", "Near Mint", 2);  // 2 x 5.00
  await pick("Card 012", "Near Mint", 1);  // 1 x 250.00
  await pick("Card 005", "Played", 2);     // 2 x 0.50
  await page.fill("#s", "card 012");
  assert.deepEqual(await shownNames(page), ["Card 012"]);
  assert.match(await text(page, "#bn"), /^5 /);
  assert.match(await text(page, "#bt"), /261\.00$/);
  await finish();
});

let passed = 0, failed = 0;
for (const { name, body } of tests) {
  try { await body(); passed++; console.log(`ok   ${name}`); }
  catch (error) { failed++; console.log(`FAIL ${name}\n${error && error.stack || error}`); }
}
await browser.close();
server.close();
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
