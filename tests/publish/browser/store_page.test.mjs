// The generated store page in headless Chromium. The pages are written
// beforehand by store_page_browser_pages.exe into the folder given as the
// only argument; they are served from a loopback server, and any request
// that leaves it is refused and fails the test that made it.
// Prints one line per test and "N passed, N failed" at the end.
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

// A decodable 1x1 picture for the remote link that works.
const GOOD_PNG = Buffer.from(
  "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==", "base64");
fs.mkdirSync(path.join(pagesDir, "images", "remote"), { recursive: true });
fs.writeFileSync(path.join(pagesDir, "images", "remote", "good.png"), GOOD_PNG);

const served = [];
const server = http.createServer((req, res) => {
  const pathname = decodeURIComponent(new URL(req.url, "http://loopback").pathname);
  served.push(pathname);
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

// Opens one generated page in a fresh context; collects script errors,
// dialogs and any request that would leave the loopback server.
async function open(name) {
  const context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1280, height: 900 } });
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
const cardCount = (page) => page.locator("#grid .card").count();
const shownNames = (page) => page.locator("#grid .card h2").allTextContents();
const card = (page, name) => page.locator("#grid .card", { has: page.locator("h2", { hasText: new RegExp(`^${name}$`) }) });
async function showAll(page) {
  while (await page.locator("#more").isVisible()) await page.click("#more");
}
function money(cs, value) { return cs + value.toFixed(2); }

// The page's own matching rule, restated, to check what the filters show.
function expectedNames(cards, { term = "", set = "", rarity = "", band = "all" }) {
  const inBand = (p) => band === "all" || (band === "100" ? p > 100 : band === "50-100" ? p >= 50 && p <= 100 : p <= Number(band));
  return cards.filter((c) => (!term || `${c.name} ${c.set} ${c.number}`.toLowerCase().includes(term)) &&
    (!set || c.set === set) && (!rarity || c.rarity === rarity) && c.conditions.some((d) => inBand(d.price)))
    .map((c) => c.name);
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
  assert.equal(await page.evaluate(() => getComputedStyle(document.documentElement).getPropertyValue("--accent").trim()),
    "#a1b2c3");
  // A hostile name goes into the wish list as plain text too.
  await hostileCard.locator(".wqb[data-s='1']").click();
  await page.evaluate(() => { navigator.clipboard.writeText = async (t) => { window.__copied = t; }; });
  await page.click("#bcopy");
  await page.waitForFunction(() => window.__copied !== undefined);
  const list = await page.evaluate(() => window.__copied);
  assert.ok(list.includes(`1 x ${HOSTILE}  (${HOSTILE} #${HOSTILE})  ${HOSTILE}  -  ${HOSTILE}1.50 ea  =  ${HOSTILE}1.50`));
  assert.ok(list.endsWith(`From ${HOSTILE} (updated ${await page.evaluate(() => STORE.date)})`));
  assert.equal(await page.evaluate(() => window.__pwned), undefined);
  await finish();
});

test("a page without cards shows the empty state and its defaults", async () => {
  const { page, finish } = await open("empty");
  assert.equal(await text(page, "#grid"), "No cards currently in stock.");
  assert.equal(await page.locator("#grid p.empty").count(), 1);
  assert.equal(await text(page, "#n"), "");
  assert.ok(!(await page.locator("#more").isVisible()));
  assert.equal(await page.title(), "Pok\u00e9mon Cards");
  assert.equal(await text(page, "#ttl"), "Pok\u00e9mon Cards");
  for (const id of ["#tag", "#contact", "#notes", "#banner", "#bar"]) assert.ok(!(await page.locator(id).isVisible()), id);
  const date = await page.evaluate(() => STORE.date);
  assert.equal(await text(page, "#sub"), `0 cards (0 copies) in stock - updated ${date}`);
  assert.equal(await text(page, "#pf button[data-p='50-100']"), "$50 \u2013 $100");
  // Nothing reacts: no handlers were attached.
  await page.fill("#s", "anything");
  await page.click("#pf button[data-p='5']");
  assert.equal(await text(page, "#n"), "");
  assert.equal(await page.locator("#setf option").count(), 0);
  assert.equal(await page.locator("#pf button.on").getAttribute("data-p"), "all");
  await finish();
});

test("250 cards page by 100 and any filter change starts again at 100", async () => {
  const { page, finish } = await open("many");
  assert.equal(await cardCount(page), 100);
  assert.equal(await text(page, "#more"), "Show more (150 left)");
  assert.equal(await text(page, "#n"), "Showing 250 of 250 cards");
  await page.click("#more");
  assert.equal(await cardCount(page), 200);
  assert.equal(await text(page, "#more"), "Show more (50 left)");
  await page.click("#more");
  assert.equal(await cardCount(page), 250);
  assert.ok(!(await page.locator("#more").isVisible()));
  await page.selectOption("#rarf", "Common");
  assert.equal(await cardCount(page), 100);
  assert.equal(await text(page, "#more"), "Show more (25 left)");
  assert.equal(await text(page, "#n"), "Showing 125 of 250 cards");
  await page.selectOption("#rarf", "");
  await page.click("#more");
  await page.fill("#s", "card");
  assert.equal(await cardCount(page), 100);
  await page.click("#more");
  await page.click("#pf button[data-p='50-100']");
  assert.ok((await cardCount(page)) <= 100);
  await finish();
});

test("the counts line, title and price labels use the store's settings", async () => {
  const { page, finish } = await open("many");
  const cards = await page.evaluate(() => CARDS);
  const copies = cards.reduce((n, c) => n + c.conditions.reduce((m, d) => m + d.qty, 0), 0);
  const date = await page.evaluate(() => STORE.date);
  assert.equal(await text(page, "#sub"), `250 cards (${copies} copies) in stock - prices in EUR - updated ${date}`);
  assert.equal(await page.title(), "Kov\u2019s Test Shop");
  assert.deepEqual(await page.locator("#pf button").allTextContents(),
    ["All prices", "\u2264 \u20ac5", "\u2264 \u20ac10", "\u2264 \u20ac25", "\u2264 \u20ac50", "\u20ac50 \u2013 \u20ac100", "over \u20ac100"]);
  const first = cards[0];
  assert.deepEqual(await page.locator("#grid .card").first().locator(".pr").allTextContents(),
    first.conditions.map((d) => money("\u20ac", d.price)));
  assert.deepEqual(await page.locator("#setf option").allTextContents(), ["All sets", "Base", "Fossil", "Jungle"]);
  assert.deepEqual(await page.locator("#rarf option").allTextContents(), ["All rarities", "Common", "Rare Holo"]);
  await finish();
});

test("search, set, rarity and price-band filters", async () => {
  const { page, finish } = await open("many");
  const cards = await page.evaluate(() => CARDS);
  const check = async (filter) => {
    await showAll(page);
    const names = expectedNames(cards, filter);
    assert.deepEqual(await shownNames(page), names, JSON.stringify(filter));
    assert.equal(await text(page, "#n"), `Showing ${names.length} of 250 cards`);
    return names;
  };
  await page.fill("#s", "  Card 01 ");
  assert.equal((await check({ term: "card 01" })).length, 10);
  await page.fill("#s", "42");
  assert.ok((await check({ term: "42" })).includes("Card 041")); // its number is 42
  await page.fill("#s", "jungle");
  assert.equal((await check({ term: "jungle" })).length, 83);
  await page.fill("#s", "");
  await page.selectOption("#setf", "Jungle");
  assert.equal((await check({ set: "Jungle" })).length, 83);
  await page.selectOption("#rarf", "Common");
  await check({ set: "Jungle", rarity: "Common" });
  await page.selectOption("#setf", "");
  await page.selectOption("#rarf", "");

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
    const names = await check({ band });
    for (const name of expected.in) assert.ok(names.includes(name), `${name} in ${band}`);
    for (const name of expected.out) assert.ok(!names.includes(name), `${name} not in ${band}`);
  }
  await page.click("#pf button[data-p='all']");
  await check({});
  await finish();
});

test("a quantity can never exceed the stock", async () => {
  const { page, finish } = await open("many");
  await page.fill("#s", "card 00");
  const box = card(page, "Card 001").locator(".wq"); // 2 in stock
  const plus = card(page, "Card 001").locator(".wqb[data-s='1']");
  const minus = card(page, "Card 001").locator(".wqb[data-s='-1']");
  assert.equal(await box.inputValue(), "0");
  await minus.click();
  assert.equal(await box.inputValue(), "0");
  for (let i = 0; i < 3; i++) await plus.click();
  assert.equal(await box.inputValue(), "2");
  assert.equal(await text(page, "#bn"), "2 selected");
  await minus.click();
  assert.equal(await box.inputValue(), "1");
  await box.fill("9");
  assert.equal(await box.inputValue(), "2");
  const four = card(page, "Card 003").locator(".wq"); // 4 in stock
  await four.fill("2.7");
  assert.equal(await four.inputValue(), "2");
  assert.equal(await text(page, "#bn"), "4 selected");
  assert.ok(await card(page, "Card 003").evaluate((e) => e.classList.contains("sel")));
  await four.fill("");
  assert.ok(!(await card(page, "Card 003").evaluate((e) => e.classList.contains("sel"))));
  await four.fill("-3");
  assert.equal(await four.inputValue(), "0");
  await box.fill("0");
  assert.ok(!(await page.locator("#bar").isVisible()));
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

  // Without the clipboard interface the page copies through a text area.
  await page.evaluate(() => { Object.defineProperty(navigator, "clipboard", { value: undefined }); });
  await page.click("#bcopy");
  assert.equal(seen.dialogs.length, 2);
  assert.equal(await page.locator("textarea").count(), 0);

  const [download] = await Promise.all([page.waitForEvent("download"), page.click("#bsave")]);
  assert.equal(download.suggestedFilename(), "pokemon_cards_i_want.txt");
  assert.equal(fs.readFileSync(await download.path(), "utf8"), expected);

  // A card rebuilt later shows what was kept for it.
  await page.fill("#s", "");
  await page.fill("#s", "card 001");
  assert.equal(await card(page, "Card 001").locator(".wq").first().inputValue(), "2");
  assert.ok(await card(page, "Card 001").evaluate((e) => e.classList.contains("sel")));

  await page.emulateMedia({ media: "print" });
  for (const selector of [".controls", "#pf", "#n", "#bar", ".tip", ".wqs", "#more"])
    assert.ok(!(await page.locator(selector).first().isVisible()), `${selector} printed`);
  await page.emulateMedia({ media: "screen" });

  await page.fill("#s", "card 00");
  await page.click("#bclr");
  assert.ok(!(await page.locator("#bar").isVisible()));
  assert.equal(await page.locator("#grid .card.sel").count(), 0);
  assert.equal(await card(page, "Card 001").locator(".wq").first().inputValue(), "0");
  await page.fill("#s", "card 012");
  assert.equal(await card(page, "Card 012").locator(".wq").first().inputValue(), "0");
  await finish();
});

test("a picture that fails falls back to its remote link once and only once", async () => {
  served.length = 0;
  const { page, finish } = await open("images");
  const img = (name) => card(page, name).locator("img");
  await page.waitForFunction(() => {
    const imgs = [...document.querySelectorAll("#grid img")];
    return imgs.length === 3 && imgs.every((i) => i.complete) && imgs.some((i) => i.naturalWidth === 1);
  });
  await page.waitForTimeout(500);
  assert.equal(await img("Falls back and loads").getAttribute("src"), "remote/good.png");
  assert.equal(await img("Falls back and loads").evaluate((i) => i.naturalWidth), 1);
  assert.equal(await img("Falls back and fails").getAttribute("src"), "remote/missing.png");
  assert.equal(await img("Only remote").getAttribute("src"), "remote/absent.png");
  const count = (p) => served.filter((s) => s === p).length;
  assert.equal(count("/images/images/img-a.png"), 1);
  assert.equal(count("/images/remote/good.png"), 1);
  assert.equal(count("/images/images/img-b.png"), 1);
  assert.equal(count("/images/remote/missing.png"), 1);
  assert.equal(count("/images/remote/absent.png"), 1);
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
