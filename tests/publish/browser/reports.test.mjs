// The four reports in headless Chromium. The sales report runs in a time
// zone far from UTC with its clock held, so that a date taken in UTC
// instead of local time shows up as the wrong day.
import assert from "node:assert/strict";
import { HOSTILE, open, test } from "./harness.mjs";

// Must match report_browser_pages.cpp.
const ATTRIBUTE_BREAKER = "x\" onmouseover=\"window.__pwned=1\" y=\"";
const IMAGE_TAG = "<img src=x onerror=\"window.__pwned=1\">";

const ZONE = "Pacific/Auckland"; // UTC+13 in March
const SUNDAY_NOON = new Date("2026-03-07T23:00:00Z"); // Sunday 8 March, 12:00 there
const MONDAY_MORNING = new Date("2026-03-08T21:00:00Z"); // Monday 9 March, 10:00 there
const SHOP = "reports/shop/sales-report.html";

const text = (page, selector) => page.locator(selector).textContent();
const column = (page, n) => page.$$eval(`#tb tr td:nth-child(${n})`, (cells) => cells.map((c) => c.textContent));
const cards = (page) => column(page, 2);
const active = (page) => page.$$eval(".periods button.on", (b) => b.map((x) => x.getAttribute("data-p")));
const figures = async (page) => [await text(page, "#sCount"), await text(page, "#sUnits"), await text(page, "#sRev")];
const period = (page, name) => page.click(`.periods button[data-p='${name}']`);
const range = async (page) => [await page.inputValue("#fFrom"), await page.inputValue("#fTo")];
const shownEmpty = (page) => page.locator("#empty").isVisible();
const SEP = " \u00a0\u00b7\u00a0 ";

test("the sales report opens on today in the browser's own time zone", async () => {
  const { page, finish } = await open(SHOP, { timezoneId: ZONE, now: SUNDAY_NOON });
  assert.deepEqual(await active(page), ["today"]);
  assert.deepEqual(await range(page), ["2026-03-08", "2026-03-08"]);
  assert.deepEqual(await page.$$eval("#tb tr", (rows) => rows.map((r) => [...r.cells].map((c) => c.textContent))),
    [["2026-03-08 18:00:00", "Blastoise", "Jungle", "2", "Holo", "Near Mint", "1", "\u20ac5.50", "\u20ac5.50",
      "Market"]]);
  assert.deepEqual(await figures(page), ["1", "1", "\u20ac5.50"]);
  assert.equal(await text(page, "#byCh"), "Revenue by channel \u2014 Market: \u20ac5.50");
  assert.equal(await page.title(), "Ann & Co - Sales Report");
  assert.equal(await text(page, "#h1"), "Ann & Co \u2014 Sales Report");
  assert.match(await text(page, "#sub"), /^Generated \d{1,2} [A-Z][a-z]+ \d{4} \u00b7 6 sales recorded$/);
  // The footer closes the page, below the report.
  assert.equal(await page.$$eval("body > .brandfoot", (f) => f.length), 1);
  await finish();
});

test("each period covers its days; a week starts on Monday", async () => {
  const sunday = await open(SHOP, { timezoneId: ZONE, now: SUNDAY_NOON });
  let page = sunday.page;
  await period(page, "week");
  assert.deepEqual(await range(page), ["2026-03-02", "2026-03-08"]);
  assert.deepEqual(await cards(page), ["Blastoise", "charizard"]);
  assert.deepEqual(await active(page), ["week"]);
  await period(page, "yday");
  assert.deepEqual(await cards(page), []);
  assert.ok(await shownEmpty(page));
  assert.deepEqual(await figures(page), ["0", "0", "\u20ac0.00"]);
  assert.equal(await text(page, "#byCh"), "");
  await period(page, "month");
  assert.deepEqual(await cards(page), ["Blastoise", "charizard", "d-404"]);
  assert.ok(!(await shownEmpty(page)));
  await period(page, "year");
  assert.deepEqual(await cards(page), ["Blastoise", "charizard", "d-404", "Eevee"]);
  await period(page, "all");
  assert.deepEqual(await range(page), ["", ""]);
  assert.deepEqual(await cards(page), ["Alakazam", "Blastoise", "charizard", "d-404", "Eevee", "Farfetch'd"]);
  await sunday.finish();

  const monday = await open(SHOP, { timezoneId: ZONE, now: MONDAY_MORNING });
  page = monday.page;
  assert.deepEqual(await cards(page), ["Alakazam"]);
  await period(page, "week");
  assert.deepEqual(await range(page), ["2026-03-09", "2026-03-09"]);
  assert.deepEqual(await cards(page), ["Alakazam"]);
  await period(page, "yday");
  assert.deepEqual(await cards(page), ["Blastoise"]);
  await monday.finish();
});

test("a header sorts by its column and a second click reverses it", async () => {
  const { page, finish } = await open(SHOP, { timezoneId: ZONE, now: SUNDAY_NOON });
  await period(page, "all");
  const byName = ["Alakazam", "Blastoise", "charizard", "d-404", "Eevee", "Farfetch'd"];
  await page.click("th[data-k='d']");
  assert.deepEqual(await cards(page), ["Farfetch'd", "Eevee", "d-404", "charizard", "Blastoise", "Alakazam"]);
  await page.click("th[data-k='card']");
  assert.deepEqual(await cards(page), byName);
  await page.click("th[data-k='card']");
  assert.deepEqual(await cards(page), [...byName].reverse());
  await page.click("th[data-k='d']");
  assert.deepEqual(await cards(page), byName);
  await page.click("th[data-k='total']");
  assert.deepEqual(await column(page, 9), ["\u20ac2.00", "\u20ac3.75", "\u20ac5.50", "\u20ac7.00", "\u20ac20.00",
    "\u20ac100.00"]);
  await finish();
});

test("channel, set, search and dates filter together and Clear resets them", async () => {
  const { page, finish } = await open(SHOP, { timezoneId: ZONE, now: SUNDAY_NOON });
  const values = (id) => page.$$eval(`#${id} option`, (o) => o.map((x) => x.value));
  assert.deepEqual(await values("fCh"), ["", "Facebook", "Market", "Website", "eBay"]);
  assert.deepEqual(await values("fSet"), ["", "Base", "Fossil", "Jungle"]);
  await period(page, "all");
  assert.deepEqual(await figures(page), ["6", "9", "\u20ac138.25"]);
  assert.equal(await text(page, "#byCh"), "Revenue by channel \u2014 (none): \u20ac100.00" + SEP +
    "Facebook: \u20ac3.75" + SEP + "Market: \u20ac5.50" + SEP + "Website: \u20ac2.00" + SEP + "eBay: \u20ac27.00");

  await page.selectOption("#fCh", "eBay");
  assert.deepEqual(await cards(page), ["Alakazam", "Eevee"]);
  assert.equal(await text(page, "#byCh"), "Revenue by channel \u2014 eBay: \u20ac27.00");
  await page.selectOption("#fSet", "Base");
  assert.deepEqual(await cards(page), ["Alakazam"]);
  await page.selectOption("#fCh", "");
  assert.deepEqual(await cards(page), ["Alakazam", "charizard"]); // the uncatalogued sale has no set
  await page.fill("#fQ", "CHAR");
  assert.deepEqual(await cards(page), ["charizard"]);

  await page.click("th[data-k='card']");
  await page.click("#fClear");
  assert.deepEqual(await active(page), ["all"]);
  assert.deepEqual([await page.inputValue("#fCh"), await page.inputValue("#fSet"), await page.inputValue("#fQ")],
    ["", "", ""]);
  assert.deepEqual(await cards(page), ["Alakazam", "Blastoise", "charizard", "d-404", "Eevee", "Farfetch'd"]);

  // A range typed by hand is no preset.
  await page.fill("#fFrom", "2026-03-01");
  await page.fill("#fTo", "2026-03-02");
  assert.deepEqual(await active(page), []);
  assert.deepEqual(await cards(page), ["charizard", "d-404"]);
  await finish();
});

test("an empty ledger shows the empty message under the plain title and a dollar sign", async () => {
  const { page, finish } = await open("reports/empty/sales-report.html", { timezoneId: ZONE, now: SUNDAY_NOON });
  await period(page, "all");
  assert.ok(await shownEmpty(page));
  assert.deepEqual(await figures(page), ["0", "0", "$0.00"]);
  assert.equal(await page.title(), "Sales Report");
  assert.equal(await text(page, "#h1"), "Sales Report");
  assert.match(await text(page, "#sub"), / \u00b7 0 sales recorded$/);
  await finish();
});

test("hostile text in the sales report is shown literally and runs nothing", async () => {
  const { page, finish } = await open("reports/hostile/sales-report.html", { timezoneId: ZONE, now: SUNDAY_NOON });
  assert.deepEqual(await cards(page), [HOSTILE, HOSTILE, HOSTILE]);
  assert.deepEqual(await column(page, 3), [HOSTILE, HOSTILE, HOSTILE]);
  assert.deepEqual(await column(page, 10), [IMAGE_TAG, ATTRIBUTE_BREAKER, HOSTILE]);
  assert.deepEqual(await column(page, 8), [HOSTILE + "4.25", HOSTILE + "3.00", HOSTILE + "1.50"]);
  assert.equal(await text(page, "#h1"), HOSTILE + " \u2014 Sales Report");
  assert.equal(await page.locator("#byCh b").count(), 3);
  // Each channel's option selects exactly its own sales.
  const options = await page.$$eval("#fCh option", (o) => o.map((x) => x.value));
  assert.deepEqual(options, ["", HOSTILE, IMAGE_TAG, ATTRIBUTE_BREAKER].sort());
  for (const channel of [HOSTILE, IMAGE_TAG, ATTRIBUTE_BREAKER]) {
    await page.selectOption("#fCh", { value: channel });
    assert.deepEqual(await column(page, 10), [channel]);
  }
  await page.selectOption("#fCh", "");
  for (const cell of await page.locator("#tb td").all()) await cell.hover();
  assert.equal(await page.locator("img, [onmouseover], #tb b").count(), 0);
  assert.equal(await page.evaluate(() => window.__pwned), undefined);
  await finish();
});

const headings = (page) => page.locator("h2").allTextContents();
const firstCells = (page) => page.$$eval("tbody tr td:first-child", (cells) => cells.map((c) => c.textContent));
const footerClosesThePage = (page) =>
  page.$eval(".wrap", (wrap) =>
    wrap.lastElementChild.className === "brandfoot" && wrap.parentElement === document.body);

test("the card reports list each set under one heading, the footer inside the page", async () => {
  for (const [file, sets, names] of [
    ["wishlist-report.html", ["(no set)", "Base", "base", "Jungle"],
      ["lost-1", "Alakazam", "Blastoise", "Lower", "Jigglypuff"]],
    ["trade-list.html", ["(no set)", "Base", "base"], ["lost-1", "Blastoise", "Lower"]],
    ["set-completion.html", ["Base"], ["Alakazam", "Blastoise"]],
  ]) {
    const { page, finish } = await open(`reports/sets/${file}`);
    assert.deepEqual(await headings(page), sets, file);
    assert.deepEqual(await firstCells(page), names, file);
    assert.ok(await footerClosesThePage(page), file);
    assert.equal(await page.locator(".noprint button").textContent(), "Print");
    await finish();
  }
});

test("hostile text in the card reports is shown literally and runs nothing", async () => {
  for (const [file, word] of [["wishlist-report.html", "Wishlist"], ["trade-list.html", "Trade / Swap List"],
    ["set-completion.html", "Set Completion"]]) {
    const { page, finish } = await open(`reports/hostile/${file}`);
    assert.equal(await text(page, "h1"), HOSTILE + " \u2014 " + word, file);
    assert.deepEqual(await headings(page), [HOSTILE], file);
    assert.deepEqual(await firstCells(page), [HOSTILE, HOSTILE], file);
    assert.ok((await page.$$eval("tbody td", (c) => c.map((x) => x.textContent))).includes(HOSTILE), file);
    assert.equal(await page.locator("img, td b, h1 b, h2 b").count(), 0, file);
    assert.ok(await footerClosesThePage(page), file);
    assert.equal(await page.evaluate(() => window.__pwned), undefined, file);
    await finish();
  }
});

test("a long table draws the rows near the window and every row for printing", async () => {
  const { page, finish } = await open("reports/long/sales-report.html", { timezoneId: ZONE, now: SUNDAY_NOON });
  await period(page, "all");
  assert.equal(await text(page, "#sCount"), "3000");
  const drawn = () => page.$$eval("#tb tr:not(.gap) td:first-child + td", (c) => c.map((x) => x.textContent));
  assert.ok((await drawn()).length < 500);
  // The sale at a point of the window is the one that belongs there, once
  // the scroll has reached the page.
  const saleAt = (fraction) => page.evaluate((fraction) => new Promise((done) => setTimeout(() => {
    const y = Math.round(window.innerHeight * fraction);
    const row = document.elementFromPoint(300, y).closest("tr");
    const tbody = document.getElementById("tb").getBoundingClientRect();
    const rows = document.querySelectorAll("#tb tr:not(.gap)");
    const height = (rows[rows.length - 1].getBoundingClientRect().top - rows[1].getBoundingClientRect().top) /
      (rows.length - 2);
    done({ shown: row.className === "gap" ? "gap" : row.cells[1].textContent,
      expected: Math.floor((y - tbody.top) / height), total: Math.round(tbody.height / height) });
  }, 100)), fraction);
  const expectRightSale = async (fraction) => {
    const { shown, expected, total } = await saleAt(fraction);
    assert.equal(total, 3000);
    const index = Number(shown.slice(5));
    assert.ok(shown.startsWith("sale-") && Math.abs(index - expected) <= 1, `${shown} at row ${expected}`);
  };
  for (const y of [1234, 40000, 70000]) {
    await page.evaluate((y) => window.scrollTo(0, y), y);
    await expectRightSale(0.5);
  }
  await page.evaluate(() => window.scrollTo(0, document.body.scrollHeight));
  await expectRightSale(0.5);
  const end = await drawn();
  assert.equal(end[end.length - 1], "sale-2999");

  await page.evaluate(() => window.dispatchEvent(new Event("beforeprint")));
  const all = await drawn();
  assert.equal(all.length, 3000);
  assert.deepEqual([all[0], all[2999]], ["sale-0000", "sale-2999"]);
  assert.equal(await page.locator("#tb tr.gap").count(), 0);
  await page.evaluate(() => window.dispatchEvent(new Event("afterprint")));
  assert.ok((await drawn()).length < 500);
  await finish();
});
