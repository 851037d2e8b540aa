#include "publish/report_sales_page.h"

const char kSalesReportTemplate[] = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width,initial-scale=1">
<title>Sales Report</title>
<style>
body{margin:0;font-family:Arial,Helvetica,sans-serif;background:#f5f7fa;color:#172033}
.wrap{max-width:1120px;margin:0 auto;padding:16px}
h1{color:#1f4e78;font-size:1.4rem;margin:0 0 3px}
.sub{color:#5a6b7b;font-size:.9rem;margin-bottom:14px}
.cards{display:flex;gap:10px;flex-wrap:wrap;margin-bottom:12px}
.stat{background:#1f4e78;color:#fff;border-radius:9px;padding:10px 14px;min-width:110px}
.stat .n{font-size:1.3rem;font-weight:bold;line-height:1.1}
.stat .l{font-size:.75rem;opacity:.85}
.byrow{margin:0 0 14px;font-size:.85rem;color:#3a4a58}
.byrow b{color:#1f4e78}
.periods{display:flex;gap:6px;flex-wrap:wrap;margin-bottom:12px}
.periods button{padding:6px 12px}
.periods button.on{background:#1f4e78;border-color:#1f4e78;color:#fff}
.periods button.on:hover{background:#1a4368}
.f{display:flex;gap:8px;flex-wrap:wrap;align-items:flex-end;margin-bottom:12px}
.f label{display:flex;flex-direction:column;font-size:.72rem;color:#5a6b7b;gap:3px}
input,select{padding:8px 10px;border:1px solid #aebdca;border-radius:7px;font-size:14px;background:#fff}
button{font:inherit;padding:8px 13px;border:1px solid #aebdca;background:#fff;border-radius:7px;cursor:pointer}
button:hover{background:#eef3f8}
.tw{background:#fff;border:1px solid #c9d5df;border-radius:10px;overflow:hidden}
table{width:100%;border-collapse:collapse}
th,td{padding:8px 10px;text-align:left;border-bottom:1px solid #e9eff4;font-size:.85rem;white-space:nowrap}
th{background:#eef3f8;color:#1f4e78;cursor:pointer;user-select:none}
th.num,td.num{text-align:right}
tbody tr:hover td{background:#f7fafd}
tbody tr:last-child td{border-bottom:none}
tbody tr.gap td{padding:0;border:none;background:none}
.empty{padding:22px;text-align:center;color:#7a8896}
@media print{.f button,.periods{display:none}.f{gap:14px}body{background:#fff}.tw{border:none}}
</style>
</head>
<body>
<div class="wrap">
<h1 id="h1">Sales Report</h1>
<div class="sub" id="sub"></div>
<div class="periods">
<button type="button" data-p="today">Today</button>
<button type="button" data-p="yday">Yesterday</button>
<button type="button" data-p="week">This week</button>
<button type="button" data-p="month">This month</button>
<button type="button" data-p="year">This year</button>
<button type="button" data-p="all">All</button>
</div>
<div class="cards">
<div class="stat"><div class="n" id="sCount">0</div><div class="l">Sales shown</div></div>
<div class="stat"><div class="n" id="sUnits">0</div><div class="l">Units sold</div></div>
<div class="stat"><div class="n" id="sRev">$0.00</div><div class="l">Revenue</div></div>
</div>
<div class="byrow" id="byCh"></div>
<div class="f">
<label>From<input type="date" id="fFrom"></label>
<label>To<input type="date" id="fTo"></label>
<label>Channel<select id="fCh"><option value="">All</option></select></label>
<label>Set<select id="fSet"><option value="">All</option></select></label>
<label>Search card<input type="text" id="fQ" placeholder="name"></label>
<button type="button" id="fClear">Clear</button>
<button type="button" id="fPrint">Print</button>
</div>
<div class="tw"><table><thead><tr>
<th data-k="d">When</th><th data-k="card">Card</th><th data-k="set">Set</th><th data-k="num">No.</th>
<th data-k="var">Variant</th><th data-k="cond">Condition</th><th data-k="qty" class="num">Qty</th>
<th data-k="price" class="num">Unit</th><th data-k="total" class="num">Total</th><th data-k="ch">Channel</th>
</tr></thead><tbody id="tb"></tbody></table>
<div class="empty" id="empty" style="display:none">No sales match the current filters.</div></div>
</div>
<script>
)html";

// Everything that comes from the data reaches the page as text (text nodes,
// textContent, an option's value), never as markup: a channel or card name
// may hold anything.
const char kSalesReportScript[] = R"js(
(function () {
  "use strict";
  var rows = SALES;
  rows.forEach(function (r) { r.total = r.qty * r.price; });
  var sortKey = "d", sortDesc = true;
  var byId = function (id) { return document.getElementById(id); };
  var fFrom = byId("fFrom"), fTo = byId("fTo"), fCh = byId("fCh"), fSet = byId("fSet"), fQ = byId("fQ");
  var tb = byId("tb");
  var periodButtons = Array.prototype.slice.call(document.querySelectorAll(".periods button"));

  function money(n) { return (META.cursym || "$") + (n || 0).toFixed(2); }
  function uniq(values) {
    var seen = Object.create(null), out = [];
    values.forEach(function (v) { if (v && !seen[v]) { seen[v] = true; out.push(v); } });
    return out.sort();
  }
  function two(n) { return (n < 10 ? "0" : "") + n; }
  function ymd(date) { return date.getFullYear() + "-" + two(date.getMonth() + 1) + "-" + two(date.getDate()); }

  function fillOptions(select, values) {
    values.forEach(function (v) { select.appendChild(new Option(v, v)); });
  }
  fillOptions(fCh, uniq(rows.map(function (r) { return r.ch; })));
  fillOptions(fSet, uniq(rows.map(function (r) { return r.set; })));

  function setActive(name) {
    periodButtons.forEach(function (b) { b.classList.toggle("on", !!name && b.getAttribute("data-p") === name); });
  }

  function setPeriod(name) {
    var now = new Date();
    var y = now.getFullYear(), m = now.getMonth(), d = now.getDate();
    var from = "", to = ymd(now);
    if (name === "today") from = to;
    else if (name === "yday") from = to = ymd(new Date(y, m, d - 1));
    else if (name === "week") from = ymd(new Date(y, m, d - (now.getDay() + 6) % 7));
    else if (name === "month") from = ymd(new Date(y, m, 1));
    else if (name === "year") from = ymd(new Date(y, 0, 1));
    else to = "";
    fFrom.value = from;
    fTo.value = to;
    setActive(name);
    render();
  }

  function filtered() {
    var from = fFrom.value, to = fTo.value, ch = fCh.value, set = fSet.value, q = fQ.value.toLowerCase();
    return rows.filter(function (r) {
      var day = r.d.substring(0, 10);
      if (from && day < from) return false;
      if (to && day > to) return false;
      if (ch && r.ch !== ch) return false;
      if (set && r.set !== set) return false;
      if (q && r.card.toLowerCase().indexOf(q) < 0) return false;
      return true;
    });
  }

  // Each row's key is worked out once, not at every comparison; the sort is
  // stable, so equal keys keep the ledger's order.
  function sorted(data) {
    var key = sortKey;
    var text = data.some(function (r) { return typeof r[key] === "string"; });
    var keyed = data.map(function (r) {
      var v = r[key];
      return { r: r, k: text ? (v == null ? "" : String(v)).toLowerCase() : v };
    });
    var dir = sortDesc ? -1 : 1;
    keyed.sort(function (a, b) { return a.k < b.k ? -dir : a.k > b.k ? dir : 0; });
    return keyed.map(function (e) { return e.r; });
  }

  var rowTemplate = document.createElement("tr");
  ["", "", "", "", "", "", "num", "num", "num", ""].forEach(function (cls) {
    var td = document.createElement("td");
    if (cls) td.className = cls;
    rowTemplate.appendChild(td);
  });
  function saleRow(r) {
    var tr = rowTemplate.cloneNode(true), cells = tr.childNodes;
    cells[0].textContent = r.d;
    cells[1].textContent = r.card;
    cells[2].textContent = r.set;
    cells[3].textContent = r.num;
    cells[4].textContent = r["var"];
    cells[5].textContent = r.cond;
    cells[6].textContent = r.qty;
    cells[7].textContent = money(r.price);
    cells[8].textContent = money(r.total);
    cells[9].textContent = r.ch;
    return tr;
  }
  function gapRow(rowCount) {
    var tr = document.createElement("tr"), td = document.createElement("td");
    tr.className = "gap";
    td.colSpan = 10;
    td.style.height = rowCount * rowHeight + "px";
    tr.appendChild(td);
    return tr;
  }

  // A browser lays out a table of tens of thousands of rows for seconds, and
  // again whenever it changes. So the table holds the rows in and near the
  // window, with gaps of the same height for the others, and is redrawn as
  // the page scrolls; printing draws every row.
  var shown = [], drawnFrom = 0, drawnTo = 0, rowHeight = 34, printing = false, remeasured = false;
  var AROUND = 60;
  function draw(force) {
    var n = shown.length, from = 0, to = n;
    if (printing && !force) return;
    if (!printing) {
      var top = tb.getBoundingClientRect().top;
      var first = Math.max(0, Math.floor(-top / rowHeight));
      var last = Math.ceil((window.innerHeight - top) / rowHeight);
      if (!force && first >= drawnFrom && Math.min(last, n) <= drawnTo) return;
      from = Math.min(n, Math.max(0, first - AROUND));
      to = Math.min(n, Math.max(from, last + AROUND));
    }
    var body = document.createDocumentFragment();
    if (from > 0) body.appendChild(gapRow(from));
    for (var i = from; i < to; i++) body.appendChild(saleRow(shown[i]));
    if (to < n) body.appendChild(gapRow(n - to));
    tb.textContent = "";
    tb.appendChild(body);
    drawnFrom = from;
    drawnTo = to;
    // Rows are one line each, so one pitch fits all: measured between the
    // second drawn row and the last, as the row beside a gap sits half a
    // border off. A changed pitch redraws once.
    var firstRow = from > 0 ? 1 : 0;
    if (!printing && !remeasured && to - from >= 3) {
      var pitch = (tb.childNodes[firstRow + to - from - 1].getBoundingClientRect().top -
                   tb.childNodes[firstRow + 1].getBoundingClientRect().top) / (to - from - 2);
      if (Math.abs(pitch - rowHeight) > 0.01) {
        rowHeight = pitch;
        remeasured = true;
        draw(true);
        remeasured = false;
      }
    }
  }
  // Scroll and resize events come at most once a frame, before it is drawn.
  var redraw = function () { draw(false); };
  window.addEventListener("scroll", redraw);
  window.addEventListener("resize", redraw);
  window.addEventListener("beforeprint", function () { printing = true; draw(true); });
  window.addEventListener("afterprint", function () { printing = false; draw(true); });

  var shownState = null;
  function render() {
    // A select fires both input and change; the second finds nothing to do.
    var state = [fFrom.value, fTo.value, fCh.value, fSet.value, fQ.value, sortKey, sortDesc].join("\u0000");
    if (state === shownState) return;
    shownState = state;

    shown = sorted(filtered());
    var units = 0, revenue = 0, perChannel = Object.create(null);
    shown.forEach(function (r) {
      units += r.qty;
      revenue += r.total;
      var key = r.ch || "(none)";
      perChannel[key] = (perChannel[key] || 0) + r.total;
    });

    byId("empty").style.display = shown.length ? "none" : "block";
    byId("sCount").textContent = shown.length;
    byId("sUnits").textContent = units;
    byId("sRev").textContent = money(revenue);

    var line = byId("byCh");
    line.textContent = "";
    var keys = Object.keys(perChannel).sort();
    if (keys.length) {
      line.appendChild(document.createTextNode("Revenue by channel \u2014 "));
      keys.forEach(function (key, i) {
        if (i) line.appendChild(document.createTextNode(" \u00a0\u00b7\u00a0 "));
        line.appendChild(document.createTextNode(key + ": "));
        var b = document.createElement("b");
        b.textContent = money(perChannel[key]);
        line.appendChild(b);
      });
    }
    // Last: the lines above decide where the table starts.
    draw(true);
  }

  Array.prototype.forEach.call(document.querySelectorAll("th[data-k]"), function (th) {
    th.addEventListener("click", function () {
      var key = th.getAttribute("data-k");
      if (key === sortKey) sortDesc = !sortDesc;
      else { sortKey = key; sortDesc = key === "d"; }
      render();
    });
  });
  periodButtons.forEach(function (b) {
    b.addEventListener("click", function () { setPeriod(b.getAttribute("data-p")); });
  });
  [fFrom, fTo].forEach(function (input) {
    ["input", "change"].forEach(function (type) {
      input.addEventListener(type, function () { setActive(""); render(); });
    });
  });
  [fCh, fSet, fQ].forEach(function (control) {
    ["input", "change"].forEach(function (type) { control.addEventListener(type, render); });
  });
  byId("fClear").addEventListener("click", function () {
    fCh.value = "";
    fSet.value = "";
    fQ.value = "";
    setPeriod("all");
  });
  byId("fPrint").addEventListener("click", function () { window.print(); });

  if (META.store) {
    document.title = META.store + " - Sales Report";
    byId("h1").textContent = META.store + " \u2014 Sales Report";
  }
  var count = SALES.length;
  byId("sub").textContent = "Generated " + META.generated + " \u00b7 " + count + " sale" + (count === 1 ? "" : "s") +
    " recorded";

  setPeriod("today");
})();
</script>
</body>
</html>
)js";
