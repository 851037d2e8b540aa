// The generated store page in headless Chromium.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { HOSTILE, open, pagesDir, test } from "./harness.mjs";

const text = (page, selector) => page.locator(selector).textContent();
const shownNames = async (page) => {
  while (await page.locator("#more").isVisible()) await page.click("#more");
  return page.locator("#grid .card h2").allTextContents();
};

test("hostile catalogue and settings text is shown literally and runs nothing", async () => {
  const { page, finish } = await open("hostile/index.html");
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
  const { page, finish } = await open("many/index.html");
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
  const { page, finish } = await open("many/index.html");
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
