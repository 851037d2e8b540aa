// The generated store page in headless Chromium, served from loopback; a
// request that leaves it fails the test. Prints "N passed, N failed".
import { chromium } from "playwright-core";
import assert from "node:assert/strict";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";

const pagesDir = path.resolve(process.argv[2] || "");
if (!process.argv[2] || !fs.existsSync(path.join(pagesDir, "many", "index.html"))) {
  console.error("usage: node store_page.test.mjs <folder of generated pages>");
  process.exit(2);
}

// Must match kHostile in store_page_browser_pages.cpp.
const HOSTILE = "</script><img src=x onerror=\"window.__pwned=1\"> O'Brien's \\ \"q\" \x01\x1f\t\n" +
  "\u2028\u2029 Pok\u00e9mon <b>bold</b> &amp; <!-- x";

const server = http.createServer((req, res) => {
  const pathname = decodeURIComponent(new URL(req.url, "http://loopback").pathname);
  const file = path.join(pagesDir, path.normalize(pathname));
  const type = file.endsWith(".html") ? "text/html; charset=utf-8" : file.endsWith(".json") ?
    "application/json" : file.endsWith(".png") ? "image/png" : "application/octet-stream";
  fs.readFile(file, (err, data) => {
    const ok = !err && file.startsWith(pagesDir + path.sep);
    res.writeHead(ok ? 200 : 404, { "Content-Type": ok ? type : "text/plain", "Cache-Control": "no-store" });
    res.end(ok ? data : "not found");
  });
});
await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
const origin = `http://127.0.0.1:${server.address().port}`;

const executablePath = ["/usr/lib/chromium/chromium", "/usr/bin/chromium"].find((p) => fs.existsSync(p));
const browser = await chromium.launch({
  executablePath,
  headless: true,
  args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update"],
});

async function open(name) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 900 } });
  const page = await context.newPage();
  const seen = { errors: [], dialogs: [], foreign: [] };
  await context.route("**/*", (route) => {
    const url = route.request().url();
    if (url.startsWith(origin + "/") || url.startsWith("blob:")) return route.continue();
    seen.foreign.push(url);
    return route.abort();
  });
  page.on("pageerror", (error) => seen.errors.push(String(error)));
  page.on("dialog", (dialog) => { seen.dialogs.push(dialog.message()); dialog.accept(); });
  await page.goto(`${origin}/${name}/index.html`);
  const finish = async () => {
    assert.deepEqual(seen.errors, [], "script errors");
    assert.deepEqual(seen.foreign, [], "requests that left the page's own server");
    await context.close();
  };
  return { page, seen, finish };
}

const text = (page, selector) => page.locator(selector).textContent();
const shownNames = (page) => page.locator("#grid .card h2").allTextContents();
const card = (page, name) => page.locator("#grid .card", { has: page.locator("h2", { hasText: new RegExp(`^${name}$`) }) });
async function showAll(page) {
  while (await page.locator("#more").isVisible()) await page.click("#more");
}

// The cards a price band should show.
function expectedNames(cards, band) {
  const inBand = (p) => band === "all" || (band === "100" ? p > 100 : band === "50-100" ? p >= 50 && p <= 100 : p <= Number(band));
  return cards.filter((c) => c.conditions.some((d) => inBand(d.price))).map((c) => c.name);
}

const tests = [];
const test = (name, body) => tests.push({ name, body });

test("hostile catalogue and settings text is shown literally and runs nothing", async () => {
  const { page, finish } = await open("hostile");
  await page.waitForTimeout(300);
  assert.equal(await page.evaluate(() => window.__pwned), undefined);
  assert.equal(await page.locator("img[src='x']").count(), 0);
  assert.equal(await page.locator("#grid b, #ttl b, #notes b").count(), 0);
  for (const id of ["#ttl", "#tag", "#contact", "#notes", "#banner"]) {
    assert.equal(await text(page, id), HOSTILE, id);
    assert.ok(await page.locator(id).isVisible(), id);
  }
  const hostileCard = page.locator("#grid .card").first();
  assert.equal(await hostileCard.locator("h2").textContent(), HOSTILE);
  assert.equal(await hostileCard.locator(".meta").textContent(), `${HOSTILE} - #${HOSTILE} - ${HOSTILE}`);
  assert.equal(await hostileCard.locator(".cn").textContent(), HOSTILE);
  assert.equal(await hostileCard.locator(".pr").textContent(), HOSTILE + "1.50");
  assert.equal(await hostileCard.locator("img").getAttribute("alt"), HOSTILE);
  assert.ok((await page.locator("#setf option").evaluateAll((o) => o.map((x) => x.value))).includes(HOSTILE));
  assert.equal(await text(page, "#pf button[data-p='5']"), `\u2264 ${HOSTILE}5`);
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
  const check = async (band) => {
    await showAll(page);
    const names = expectedNames(cards, band);
    assert.deepEqual(await shownNames(page), names, band);
    assert.equal(await text(page, "#n"), `Showing ${names.length} of 250 cards`);
    return names;
  };
  // Edges: 5, 10, 25, 50 belong to their "up to" band; 50 and 100 to the
  // 50-100 band; only above 100 is "over 100". Every fifth card also has a
  // Played copy at 0.50, so it is in every "up to" band.
  const edges = {
    "5": { in: ["Card 001"], out: ["Card 002"] },
    "10": { in: ["Card 003"], out: ["Card 004"] },
    "25": { in: ["Card 018"], out: ["Card 006"] },
    "50": { in: ["Card 008", "Card 007"], out: ["Card 009"] },
    "50-100": { in: ["Card 008", "Card 009", "Card 023"], out: ["Card 011", "Card 007"] },
    "100": { in: ["Card 011", "Card 012"], out: ["Card 023"] },
  };
  for (const [band, expected] of Object.entries(edges)) {
    await page.click(`#pf button[data-p='${band}']`);
    assert.equal(await page.locator("#pf button.on").getAttribute("data-p"), band);
    assert.equal(await page.locator("#pf button.on").count(), 1);
    const names = await check(band);
    for (const name of expected.in) assert.ok(names.includes(name), `${name} in ${band}`);
    for (const name of expected.out) assert.ok(!names.includes(name), `${name} not in ${band}`);
  }
  await page.click("#pf button[data-p='all']");
  await check("all");
  await finish();
});

test("selections survive filtering and make the wish list and total", async () => {
  const { page, finish, seen } = await open("many");
  const pick = async (name, condition, times) => {
    await page.fill("#s", name.toLowerCase());
    const row = card(page, name).locator("li", { has: page.locator(".cn", { hasText: new RegExp(`^${condition}$`) }) });
    for (let i = 0; i < times; i++) await row.locator(".wqb[data-s='1']").click();
  };
  await pick("Card 001", "Near Mint", 2);  // 2 x 5.00
  await pick("Card 012", "Near Mint", 1);  // 1 x 250.00
  await pick("Card 005", "Played", 2);     // 2 x 0.50
  await page.fill("#s", "card 012");
  assert.deepEqual(await shownNames(page), ["Card 012"]);
  assert.equal(await text(page, "#bn"), "5 selected");
  assert.equal(await text(page, "#bt"), "\u20ac261.00");
  assert.ok(await page.locator("#bar").isVisible());

  const date = await page.evaluate(() => STORE.date);
  const expected = [
    "POKEMON CARDS I WOULD LIKE", "==========================", "",
    "1 x Card 012  (Base #13)  Near Mint  -  \u20ac250.00 ea  =  \u20ac250.00",
    "2 x Card 005  (Fossil #6)  Played  -  \u20ac0.50 ea  =  \u20ac1.00",
    "2 x Card 001  (Jungle #2)  Near Mint  -  \u20ac5.00 ea  =  \u20ac10.00",
    "", "5 items   Total \u20ac261.00", "",
    `From Kov\u2019s Test Shop (updated ${date})`,
  ].join("\n");
  await page.evaluate(() => { navigator.clipboard.writeText = async (t) => { window.__copied = t; }; });
  await page.click("#bcopy");
  await page.waitForFunction(() => window.__copied !== undefined);
  assert.equal(await page.evaluate(() => window.__copied), expected);
  assert.deepEqual(seen.dialogs, ["Copied. Paste it into a message to me."]);
  await finish();
});

let passed = 0, failed = 0;
for (const { name, body } of tests) {
  try {
    await body();
    passed++;
    console.log(`ok   ${name}`);
  } catch (error) {
    failed++;
    console.log(`FAIL ${name}\n     ${String(error && error.stack || error).split("\n").join("\n     ")}`);
  }
}
await browser.close();
server.close();
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
