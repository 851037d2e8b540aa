#include "publish/store_page_template.h"

const char kStorePageMoreButton[] = R"(<button type="button" id="more" class="more" style="display:none"></button>)";

const char kStorePageTemplate[] = R"html(<!DOCTYPE html>
<html lang="en-AU">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Pok&eacute;mon Cards</title>
<style>
:root{--accent:#1f4e78}
*,*::before,*::after{box-sizing:border-box}
body{margin:0;font-family:Arial,Helvetica,sans-serif;background:#f5f7fa;color:#172033}
.w{max-width:1180px;margin:0 auto;padding:18px 14px 120px}
h1{margin:0 0 4px;font-size:1.6rem}
.m{margin:0 0 12px;color:#5b6b7c;font-size:.9rem}
.banner{background:var(--accent);color:#fff;font-weight:bold;text-align:center;padding:10px 14px;border-radius:9px;margin-bottom:12px}
.tag{margin:0 0 10px;color:#3a4a5c;font-size:1.05rem}
.notes{background:#fff;border:1px solid #c9d5df;border-radius:9px;padding:11px 13px;margin-bottom:12px;font-size:.9rem;white-space:pre-wrap}
.c{background:var(--accent);color:#fff;padding:11px 13px;border-radius:9px;margin-bottom:12px;font-size:.95rem}
.tip{background:#fff8e6;border:1px solid #e8d5a0;color:#6b5410;padding:10px 12px;border-radius:9px;margin-bottom:12px;font-size:.9rem}
.controls{display:flex;flex-wrap:wrap;gap:8px;margin-bottom:10px;align-items:center}
#s{flex:1 1 260px;min-width:200px;padding:11px 12px;border:1px solid #aebdca;border-radius:7px;font-size:16px}
select{padding:10px 12px;border:1px solid #aebdca;border-radius:7px;font-size:15px;background:#fff}
.f{display:flex;flex-wrap:wrap;gap:6px;margin-bottom:10px}
.f button{background:#fff;border:1px solid #aebdca;border-radius:7px;padding:8px 12px;cursor:pointer;font-size:.9rem}
.f button.on{background:var(--accent);border-color:var(--accent);color:#fff}
#n{margin:6px 0 12px;font-size:.85rem;color:#5b6b7c}
.grid{display:grid;grid-template-columns:repeat(auto-fill,minmax(230px,1fr));gap:16px}
.more{display:block;width:100%;max-width:340px;margin:18px auto 0;padding:12px 16px;font-weight:bold;border:1px solid var(--accent);background:#fff;color:var(--accent);border-radius:8px;cursor:pointer}
.more:hover{background:#eef3f8}
.card{background:#fff;border:1px solid #c9d5df;border-radius:10px;overflow:hidden;display:flex;flex-direction:column}
.card.sel{border-color:var(--accent);box-shadow:0 0 0 2px rgba(31,78,120,.18)}
.thumb{background:#f0f4f8;display:flex;align-items:center;justify-content:center;padding:12px}
.thumb img{max-width:100%;height:190px;object-fit:contain}
.info{padding:11px 13px 14px}
.info h2{margin:0 0 3px;font-size:1rem}
.meta{margin:0 0 9px;color:#5b6b7c;font-size:.82rem}
.conds{list-style:none;margin:0;padding:0}
.conds li{display:flex;align-items:center;gap:8px;padding:6px 0;border-top:1px solid #e6edf3;font-size:.9rem}
.cn{color:#3a4a5c}
.pr{font-weight:bold;color:var(--accent);margin-left:auto}
.qy{color:#8090a0;font-size:.78rem;white-space:nowrap}
.wqs{display:inline-flex;flex-shrink:0}
.wqb{width:30px;height:34px;padding:0;border:1px solid #aebdca;background:#fff;color:var(--accent);font-size:1.15rem;font-weight:bold;line-height:1;cursor:pointer}
.wqb:hover{background:#eef3f8}
.wqb:first-child{border-radius:6px 0 0 6px}
.wqb:last-child{border-radius:0 6px 6px 0}
.wq{width:42px;height:34px;padding:4px 2px;border:1px solid #aebdca;border-left:0;border-right:0;border-radius:0;font-size:.9rem;text-align:center;-moz-appearance:textfield;appearance:textfield}
.wq::-webkit-outer-spin-button,.wq::-webkit-inner-spin-button{-webkit-appearance:none;margin:0}
#bar{position:fixed;left:0;right:0;bottom:0;display:none;background:var(--accent);color:#fff;padding:11px 14px;box-shadow:0 -2px 10px rgba(0,0,0,.25)}
#bar .in{max-width:1180px;margin:0 auto;display:flex;flex-wrap:wrap;gap:9px;align-items:center}
#bar b{font-size:1.05rem;margin-right:4px}
#bar button{background:#fff;color:var(--accent);border:1px solid #fff;border-radius:7px;padding:9px 13px;cursor:pointer}
#bar button.gh{background:transparent;color:#fff}
.empty{color:#5b6b7c;text-align:center;padding:60px 0}
@media print{.controls,.f,#n,#bar,.tip,.wqs,.more{display:none!important}body{background:#fff}}
</style>
</head>
<body>
<div class="w">
<div id="banner" class="banner" style="display:none"></div>
<h1 id="ttl">Pok&eacute;mon Cards</h1>
<p id="tag" class="tag" style="display:none"></p>
<p id="sub" class="m"></p>
<div id="contact" class="c" style="display:none"></div>
<div id="notes" class="notes" style="display:none"></div>
<div class="tip"><b>Want some?</b> Tick the cards you want, then copy or save your list at the bottom and send it to me.</div>
<div class="controls"><input id="s" type="search" placeholder="Search name, set or number..."><select id="setf"></select><select id="rarf"></select></div>
<div id="pf" class="f"><button type="button" data-p="all" class="on">All prices</button><button type="button" data-p="5">&le; $5</button><button type="button" data-p="10">&le; $10</button><button type="button" data-p="25">&le; $25</button><button type="button" data-p="50">&le; $50</button><button type="button" data-p="50-100">$50 &ndash; $100</button><button type="button" data-p="100">over $100</button></div>
<div id="n"></div>
<div id="grid" class="grid"></div>
<button type="button" id="more" class="more" style="display:none"></button>
</div>
<div id="bar"><div class="in"><b id="bn">0 selected</b><b id="bt">$0.00</b><button type="button" id="bcopy">Copy list</button><button type="button" id="bsave">Save as file</button><button type="button" id="bclr" class="gh">Clear</button></div></div>
<script>
)html";

const char kStorePageScript[] = R"js((function () {
"use strict";
var PAGE = 100;
var CS = STORE.cursym || "$";
var wanted = {};
var term = "", setFilter = "", rarityFilter = "", band = "all";
var filtered = [], shown = 0;

function byId(id) { return document.getElementById(id); }
function esc(text) {
  return String(text).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;");
}
function money(value) { return CS + (Number(value) || 0).toFixed(2); }
function conditionsOf(card) { return Array.isArray(card.conditions) ? card.conditions : []; }
function numberOr0(value) { var n = Number(value); return isFinite(n) ? n : 0; }

var grid = byId("grid"), more = byId("more");

var copies = 0;
CARDS.forEach(function (card) {
  conditionsOf(card).forEach(function (cond) { copies += numberOr0(cond.qty); });
});
var sub = CARDS.length + " cards (" + copies + " copies) in stock";
if (STORE.curcode) sub += " - prices in " + STORE.curcode;
byId("sub").textContent = sub + " - updated " + STORE.date;

var bands = byId("pf").querySelectorAll("button");
if (CS !== "$") {
  Array.prototype.forEach.call(bands, function (button) {
    button.textContent = button.textContent.split("$").join(CS);
  });
}
if (STORE.title) {
  byId("ttl").textContent = STORE.title;
  document.title = STORE.title;
}
[["contact", STORE.contact], ["tag", STORE.tagline], ["notes", STORE.notes], ["banner", STORE.banner]]
  .forEach(function (pair) {
    if (!pair[1]) return;
    var element = byId(pair[0]);
    element.textContent = pair[1];
    element.style.display = "";
  });

if (!CARDS.length) {
  grid.innerHTML = '<p class="empty">No cards currently in stock.</p>';
  byId("n").textContent = "";
  return;
}

function fillChoices(select, allText, field) {
  var seen = {}, values = [];
  CARDS.forEach(function (card) {
    var value = String(card[field]);
    if (!Object.prototype.hasOwnProperty.call(seen, value)) { seen[value] = true; values.push(value); }
  });
  values.sort();
  select.innerHTML = '<option value="">' + allText + "</option>" + values.map(function (value) {
    return '<option value="' + esc(value) + '">' + esc(value) + "</option>";
  }).join("");
}
fillChoices(byId("setf"), "All sets", "set");
fillChoices(byId("rarf"), "All rarities", "rarity");

function inBand(price) {
  if (band === "all") return true;
  if (band === "100") return price > 100;
  if (band === "50-100") return price >= 50 && price <= 100;
  return price <= Number(band);
}
function matches(card) {
  if (term && (card.name + " " + card.set + " " + card.number).toLowerCase().indexOf(term) < 0) return false;
  if (setFilter && card.set !== setFilter) return false;
  if (rarityFilter && card.rarity !== rarityFilter) return false;
  return band === "all" || conditionsOf(card).some(function (cond) { return inBand(Number(cond.price)); });
}

function isSelected(ci) {
  return conditionsOf(CARDS[ci]).some(function (cond, di) { return wanted[ci + ":" + di] > 0; });
}
function cardHtml(ci) {
  var card = CARDS[ci], rows = "";
  conditionsOf(card).forEach(function (cond, di) {
    rows += '<li><span class="cn">' + esc(cond.condition) + '</span><span class="pr">' + esc(money(cond.price)) +
      '</span><span class="qy">' + esc(cond.qty + " avail") + '</span><span class="wqs">' +
      '<button type="button" class="wqb" data-s="-1">&minus;</button><input class="wq" type="number" data-c="' + ci +
      '" data-d="' + di + '" min="0" max="' + esc(cond.qty) + '" value="' + (wanted[ci + ":" + di] || 0) +
      '" step="1" inputmode="numeric" aria-label="Quantity wanted">' +
      '<button type="button" class="wqb" data-s="1">+</button></span></li>';
  });
  return '<div class="card' + (isSelected(ci) ? " sel" : "") + '" data-i="' + ci + '"><div class="thumb">' +
    '<img loading="lazy" src="' + esc(card.image) + '" alt="' + esc(card.name) + '"></div><div class="info"><h2>' +
    esc(card.name) + '</h2><p class="meta">' + esc(card.set + " - #" + card.number + " - " + card.rarity) +
    '</p><ul class="conds">' + rows + "</ul></div></div>";
}

function renderMore() {
  var end = Math.min(shown + PAGE, filtered.length), html = "";
  for (var k = shown; k < end; k++) html += cardHtml(filtered[k]);
  grid.insertAdjacentHTML("beforeend", html);
  shown = end;
  var left = filtered.length - shown;
  if (left > 0) {
    more.textContent = "Show more (" + left + " left)";
    more.style.display = "";
  } else {
    more.style.display = "none";
  }
}
function applyFilter() {
  filtered = [];
  CARDS.forEach(function (card, ci) { if (matches(card)) filtered.push(ci); });
  grid.innerHTML = "";
  shown = 0;
  renderMore();
  byId("n").textContent = "Showing " + filtered.length + " of " + CARDS.length + " cards";
}

function keepWanted(box) {
  var key = box.getAttribute("data-c") + ":" + box.getAttribute("data-d");
  if (box.value === "") {
    delete wanted[key];
  } else {
    var max = Number(box.getAttribute("max"));
    if (!isFinite(max)) max = 0;
    var v = Math.floor(Number(box.value));
    if (!isFinite(v)) v = 0;
    v = Math.max(0, Math.min(max, v));
    if (box.value !== String(v)) box.value = v;
    if (v > 0) wanted[key] = v; else delete wanted[key];
  }
  var cardElement = box.closest(".card");
  if (cardElement) cardElement.classList.toggle("sel", isSelected(Number(cardElement.getAttribute("data-i"))));
}
function step(button) {
  var box = button.parentNode.querySelector(".wq");
  var max = Number(box.getAttribute("max"));
  if (!isFinite(max)) max = 0;
  var v = (Math.floor(Number(box.value)) || 0) + Number(button.getAttribute("data-s"));
  box.value = Math.max(0, Math.min(max, v));
  keepWanted(box);
  updateBar();
}

// Every wanted (card, condition) in page order, whether shown or not.
function eachWanted(visit) {
  CARDS.forEach(function (card, ci) {
    conditionsOf(card).forEach(function (cond, di) {
      var q = wanted[ci + ":" + di];
      if (q > 0) visit(card, cond, q);
    });
  });
}
function totals() {
  var sum = { items: 0, total: 0 };
  eachWanted(function (card, cond, q) { sum.items += q; sum.total += numberOr0(cond.price) * q; });
  return sum;
}
function updateBar() {
  var sum = totals();
  byId("bar").style.display = sum.items > 0 ? "block" : "none";
  byId("bn").textContent = sum.items + " selected";
  byId("bt").textContent = money(sum.total);
}
function listText() {
  var lines = ["POKEMON CARDS I WOULD LIKE", "==========================", ""];
  eachWanted(function (card, cond, q) {
    var price = numberOr0(cond.price);
    lines.push(q + " x " + card.name + "  (" + card.set + " #" + card.number + ")  " + cond.condition + "  -  " +
      money(price) + " ea  =  " + money(price * q));
  });
  var sum = totals();
  lines.push("", sum.items + " items   Total " + money(sum.total), "");
  lines.push((STORE.name ? "From " + STORE.name + " " : "") + "(updated " + STORE.date + ")");
  return lines.join("\n");
}

function copied() { alert("Copied. Paste it into a message to me."); }
function copyThroughPage(text) {
  var area = document.createElement("textarea");
  area.value = text;
  area.setAttribute("readonly", "");
  area.style.position = "fixed";
  area.style.left = "-9999px";
  document.body.appendChild(area);
  area.select();
  try {
    document.execCommand("copy");
    copied();
  } catch (e) {
    prompt("Copy this list:", text);
  }
  document.body.removeChild(area);
}
byId("bcopy").addEventListener("click", function () {
  var text = listText();
  if (navigator.clipboard && navigator.clipboard.writeText) {
    navigator.clipboard.writeText(text).then(copied, function () { copyThroughPage(text); });
  } else {
    copyThroughPage(text);
  }
});
byId("bsave").addEventListener("click", function () {
  var url = URL.createObjectURL(new Blob([listText()], { type: "text/plain;charset=utf-8" }));
  var link = document.createElement("a");
  link.href = url;
  link.download = "pokemon_cards_i_want.txt";
  document.body.appendChild(link);
  link.click();
  document.body.removeChild(link);
  setTimeout(function () { URL.revokeObjectURL(url); }, 0);
});
byId("bclr").addEventListener("click", function () {
  wanted = {};
  Array.prototype.forEach.call(grid.querySelectorAll(".wq"), function (box) { box.value = 0; });
  Array.prototype.forEach.call(grid.querySelectorAll(".card.sel"), function (card) { card.classList.remove("sel"); });
  updateBar();
});

byId("s").addEventListener("input", function () {
  term = this.value.toLowerCase().trim();
  applyFilter();
});
byId("setf").addEventListener("change", function () { setFilter = this.value; applyFilter(); });
byId("rarf").addEventListener("change", function () { rarityFilter = this.value; applyFilter(); });
Array.prototype.forEach.call(bands, function (button) {
  button.addEventListener("click", function () {
    Array.prototype.forEach.call(bands, function (other) { other.classList.remove("on"); });
    button.classList.add("on");
    band = button.getAttribute("data-p");
    applyFilter();
  });
});
more.addEventListener("click", renderMore);
grid.addEventListener("input", function (event) {
  if (event.target.classList.contains("wq")) {
    keepWanted(event.target);
    updateBar();
  }
});
grid.addEventListener("click", function (event) {
  var button = event.target.closest(".wqb");
  if (button) step(button);
});
// A self-hosted picture that fails is tried once from its remote link.
grid.addEventListener("error", function (event) {
  var img = event.target;
  if (img.tagName !== "IMG" || img.getAttribute("data-fb")) return;
  var card = CARDS[Number(img.closest(".card").getAttribute("data-i"))];
  if (!card.remote || card.image === card.remote) return;
  img.setAttribute("data-fb", "1");
  img.src = card.remote;
}, true);

applyFilter();
updateBar();
})();
</script>
</body>
</html>
)js";
