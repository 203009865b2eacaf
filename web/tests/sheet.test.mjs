// The workbench's answers taken away from the screen, in the browser VORDANEL_BROWSER names: the
// printed calculation sheet read back from its PDF, the flow units and the head entry against the
// companion, the link to a calculation opened afresh, and the curve as files.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { enter, fill, finish, launch, linkBytes, native, nativeJson, open, press, printed, until } from "./driver.mjs";

let session;
before(async () => { session = await launch(); });
after(async () => { await session?.close(); });

const lines = (bytes) => bytes.toString().trimEnd().split("\n");

test("the printed sheet holds the entries, every answer, the formula, the whole table and the date, and no control", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  await press(page, ["100", "40", "1", "250"], { typed: false });
  await fill(page, [["tableFrom", "10"], ["tableTo", "200"], ["tableStep", "10"], ["project", "<b>第2浄水場</b> 改良"],
                    ["site", "沈砂池 No.3"], ["author", "山田"]]);
  await until(page, "vordanel-table-done", () => page.click("#tableRun"));
  const day = (d) => `${d.getFullYear()}-${String(d.getMonth() + 1).padStart(2, "0")}-${String(d.getDate()).padStart(2, "0")}`;
  const days = [day(new Date())];
  const { text, pages, title } = await printed(page);
  days.push(day(new Date()));  // a print across midnight may carry either
  assert.equal(title, "計算書 <b>第2浄水場</b> 改良 D100");
  const flat = text.replace(/\s+/g, " ");
  assert.ok(pages >= 1 && pages <= 3, `${pages} pages`);
  assert.ok(days.some((d) => text.includes(d)), `no date of today (${days}) on the sheet`);
  const head = lines(native(["head", "-d", "100", "-q", "40", "--min", "1", "--max", "250"]).stdout);
  const rising = lines(native(["head", "-d", "100", "-q", "40"]).stdout);
  const figures = {
    entries: ["100 mm", "40 L/min", "1 mm", "250 mm"],
    "window's answer": [head[0].split(" ").at(-1), head[1].split(" ").at(-1), head[2]],
    "rising side": [rising[0].split(" ").at(-1), `Trial回数 ${rising[1].split(" ").at(-1)}`],
    "other head and peak": [head[3].match(/other is ([0-9.]+) mm/)[1], "上昇側", "203.26 L/min", "149.09 mm"],
    formula: ["0.555", "D/(110·h)", "0.041·h/D", "D^1.5", "10.12·(h/D)^1.975", "2.66·(h/D)^3.76", "m³/min", "適用範囲不詳"],
    "title block, as typed": ["件名 <b>第2浄水場</b> 改良", "地点 沈砂池 No.3", "作成者 山田", "作成 照査 承認"],
  };
  for (const [what, words] of Object.entries(figures))
    for (const word of words) assert.ok(flat.includes(word), `${what}: "${word}" is not on the sheet`);
  // Every row of the table, its cells in order on one line, heads to 0.01 mm and flows to 0.01 L/min.
  const table = lines(native(["table", "-d", "100", "--flows", "10:200:10"]).stdout).slice(1);
  assert.equal(table.length, 20);
  for (const row of table) {
    const [flow, headMm, trials] = row.split(",");
    assert.match(text, new RegExp(`^\\s*${Number(flow).toFixed(2)}\\s+${Number(headMm).toFixed(2)}\\s+${trials}\\b`, "m"), `row ${row}`);
  }
  for (const control of ["表を作る", "CSVを保存", "リンクをコピー", "印刷", "クリヤ", "Alt+W", "Choose File", "ファイルを選択",
                         "Browse", "SVGで保存", "結果を保存", "OK"])
    assert.ok(!flat.includes(control), `"${control}" is printed`);
  // Printed again, the sheet follows what changed since, if only the title block's author.
  await fill(page, [["author", "鈴木"]]);
  const again = (await printed(page)).text.replace(/\s+/g, " ");
  assert.ok(again.includes("作成者 鈴木") && !again.includes("山田"), "the sheet printed again keeps the author before");
  await finish(opened);
});

test("every page's running head stays on one line, whole in its figures, the project and site shortened where they must be", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  await press(page, ["300", "5000", "1", "400"], { typed: false });
  const names = [  // project, site
    ["○○浄水場 沈殿池流出堰 改良工事", "第2系列 No.3 円形堰"],
    ["○○浄水場 沈殿池流出堰 改良工事 第二期 その3 附帯設備工事(設計変更を含む)", "第2系列 No.3 円形堰 下流側 観測所横"],
  ];
  await fill(page, [["tableFrom", "100"], ["tableTo", "10000"], ["tableStep", "100"]]);
  await until(page, "vordanel-table-done", () => page.click("#tableRun"));
  for (const [project, site] of names) {
    await fill(page, [["project", project], ["site", site]]);
    const { pages, pageTexts } = await printed(page);
    assert.ok(pages >= 2, `${pages} pages`);
    pageTexts.forEach((text, i) => {
      const head = text.split("\n").find((line) => /計算書\s+円形堰の越流高さ/.test(line)) ?? "";
      for (const whole of ["D = 300 mm", `${i + 1} / ${pages}`, "件名 ○○浄水場", "地点 第2系列"])
        assert.ok(head.includes(whole), `page ${i + 1} of ${project}: "${whole}" is not whole in "${head}"`);
    });
  }
  await finish(opened);
});

test("in each flow unit the head entry, the table by flows and the table by heads are the companion's", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  await enter(page, ["100", "40", "1", "250"], { typed: false });
  const units = {  // a unit, and flows from, to and step in it
    "L/min": "10:200:10", "L/s": "0.5:3:0.5", "m3/s": "0.0005:0.003:0.0005",
    "m3/min": "0.02:0.2:0.02", "m3/h": "1:12:1", "m3/d": "20:280:20",
  };
  // Rising, falling and above the weir, past the zero, a fault; then one head in each other unit,
  // each a change from the one before, so that it is asked for again.
  let heads = ["50", "180", "230", "-5"];
  for (const [unit, flows] of Object.entries(units)) {
    await page.select("#flowUnit", unit);
    const symbol = await page.$eval("#flowUnit", (e) => e.selectedOptions[0].textContent);
    for (const head of heads) {
      await until(page, "vordanel-head-done", () => fill(page, [["headEntry", head]]));
      const said = await page.$eval("#headFlow", (e) => e.textContent);
      const expected = nativeJson(["flow", "-d", "100", "--head", head, "--flow-unit", unit, "--json"]);
      if (expected.outcome === "flow") assert.ok(said.includes(`${expected.flow_text} ${symbol}`), `${unit} ${head}: ${said}`);
      else assert.ok(!/[0-9]/.test(said.replace(/\(.*?\)|（.*?）/g, "")) || expected.outcome === "fault", `${unit} ${head}: ${said}`);
      assert.ok(said !== "" && !/[a-z]_[a-z]/.test(said), `${unit} ${head}: ${said} is not in words`);
    }
    heads = [heads[0] === "180" ? "50" : "180"];
    for (const [by, range] of [["flows", flows], ["heads", "10:240:10"]]) {
      await page.select("#tableBy", by);
      const [from, to, step] = range.split(":");
      await fill(page, [["tableFrom", from], ["tableTo", to], ["tableStep", step]]);
      await until(page, "vordanel-table-done", () => page.click("#tableRun"));
      const expected = native(["table", "-d", "100", `--${by}`, range, "--flow-unit", unit]);
      assert.deepEqual(await linkBytes(page, "a#tableDownload"), expected.stdout, `${unit} by ${by}`);
      const caption = await page.$eval("#tableRows thead", (e) => e.textContent);
      assert.ok(caption.includes(`流量(${symbol})`), `${unit} by ${by}: ${caption}`);
    }
  }
  await finish(opened);
});

test("a link opens the same entries, unit, head and table settings in a fresh browser, unpressed", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  const state = () => page.evaluate(() => Object.fromEntries(
    ["Text6", "Text1", "Text2", "Text3", "Text4", "headEntry", "flowUnit", "tableBy", "tableFrom", "tableTo", "tableStep",
     "project", "site", "author", "gaugeZero", "gaugeStep"]
      .map((id) => [id, document.getElementById(id).value]).concat([["tableBracket", tableBracket.checked]])));
  await enter(page, ["123.4", "56.78", "0.5", "200&#x"], { typed: false });
  await fill(page, [["project", "A&B #1"], ["site", "堰 3"], ["author", "佐藤"], ["gaugeZero", "12.5"], ["gaugeStep", "0.5"]]);
  await page.select("#flowUnit", "m3/h");
  await page.select("#tableBy", "heads");
  await fill(page, [["tableFrom", "5"], ["tableTo", "50"], ["tableStep", "5"], ["headEntry", "35"]]);
  await page.$eval("#tableBracket", (e) => { e.checked = true; e.dispatchEvent(new Event("input", { bubbles: true })); });
  await page.waitForFunction(() => shareLink.href.includes("head=35") && shareLink.href.includes("bracket"));
  const sent = await state(), link = await page.$eval("a#shareLink", (a) => a.href);
  await finish(opened);

  const fresh = await session.browser.createBrowserContext();
  try {
    const page = await fresh.newPage();
    await page.goto(link);
    await page.waitForFunction(() => document.documentElement.dataset.vordanel === "ready" && risingHead.textContent !== "—");
    assert.deepEqual(await page.evaluate(() => Object.fromEntries(
      ["Text6", "Text1", "Text2", "Text3", "Text4", "headEntry", "flowUnit", "tableBy", "tableFrom", "tableTo", "tableStep",
       "project", "site", "author", "gaugeZero", "gaugeStep"]
        .map((id) => [id, document.getElementById(id).value]).concat([["tableBracket", tableBracket.checked]]))), sent);
    assert.equal(await page.$eval("#VORDANEL", (e) => e.dataset.answers), undefined, "計算 is not pressed");
    assert.ok(await page.$eval("#curveLine", (e) => e.getTotalLength() > 0), "the curve is drawn");
    // A plain open of the page is as it always was.
    await page.goto(link.replace(/#.*$/, ""));
    await page.waitForFunction(() => document.documentElement.dataset.vordanel === "ready");
    assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll("#VORDANEL input")].map((e) => e.value).join("")), "");
  } finally {
    await fresh.close();
  }
});

test("the curve downloads as a standalone SVG with its captions and as a PNG at least 1200 px wide", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  await page.select("#flowUnit", "L/min");  // the unit is remembered from the tests before
  await press(page, ["100", "40", "1", "250"], { typed: false });
  await page.waitForFunction(() => curvePng.href !== "");
  const svg = (await linkBytes(page, "a#curveSvg")).toString();
  // Each text as it reads, a label set on two lines read as one.
  const texts = [...svg.matchAll(/<text[^>]*>(.*?)<\/text>/g)].map((m) => m[1].replace(/<[^>]+>/g, ""));
  for (const caption of ["越流高さ(mm) [底部から]", "流量(L/min)", "D = 100 mm", "最大 203.26 L/min・149.09 mm", "計算 205.81 mm"])
    assert.ok(texts.some((t) => t.includes(caption)), `the SVG lacks ${caption}`);
  assert.match(svg, /^<svg [^>]*xmlns="http:\/\/www.w3.org\/2000\/svg"/);
  assert.ok(svg.includes("<style>") && !svg.includes("role="), "the SVG carries its own style, not the page's roles");
  const png = await linkBytes(page, "a#curvePng");
  assert.equal(png.subarray(1, 4).toString(), "PNG");
  assert.ok(png.readUInt32BE(16) >= 1200, `${png.readUInt32BE(16)} px wide`);
  assert.deepEqual(await page.$$eval("a#curveSvg, a#curvePng", (all) => all.map((a) => a.download)),
                   ["vordanel-curve-D100.svg", "vordanel-curve-D100.png"]);
  await finish(opened);
});

test("the staff gauge downloads as the companion draws it and prints true to scale, a tall one on pieces that join true", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  const rows = [  // diameter, unit, gauge zero, step, and the A4 pages its staff takes
    ["100", "L/min", "", "", 1],
    ["300", "m3/h", "120", "", 2],
    ["600", "L/s", "", "5", 3],
    ["800", "m3/min", "", "", 4],
    ["1000", "m3/h", "50", "", 5],
  ];
  for (const [d, unit, zero, step, pages] of rows) {
    const name = `D ${d} in ${unit}, zero ${zero || 0}, step ${step || "round"}`;
    await page.select("#flowUnit", unit);
    await fill(page, [["Text6", d], ["gaugeZero", zero], ["gaugeStep", step], ["project", "試験"], ["site", "第1堰"]]);
    const today = await page.evaluate(() => app.sheet.today());
    await until(page, "vordanel-gauge-done", () => page.click("#gaugeRun"));
    const expected = native(["gauge", "-d", d, "--flow-unit", unit, ...(zero ? ["--gauge-zero", zero] : []),
                             ...(step ? ["--step", step] : []), "--date", today]);
    assert.equal(expected.status, 0, name);
    assert.deepEqual(await linkBytes(page, "a#gaugeDownload"), expected.stdout, name);
    await page.evaluate(() => { document.body.dataset.print = "gauge"; });
    const { text, pages: got, words, title } = await printed(page);
    await page.evaluate(() => { delete document.body.dataset.print; });
    assert.equal(got, pages, name);
    assert.equal(title, `量水標 試験 D${d}`, name);
    for (let n = 1; n <= pages; ++n) assert.ok(text.includes(`${n} / ${pages}`) && text.includes("第1堰"), `${name}: page ${n}`);
    // The pieces laid as their join marks say: each page shifted so that its join with the page
    // before stands where that page has it. Then, over all pages, the flows' numbers stand as far
    // apart as their heights on the companion's staff, and the centimetres' numbers as far as they
    // count, within 0.2 mm.
    const toMm = 25.4 / 72;
    const join = (n, k) => {
      const found = words.filter((w) => w.page === n && w.text === `◆${k}`);
      assert.equal(found.length, 1, `${name}: join ${k} on page ${n}`);
      return found[0].yMax;
    };
    const shift = [0, 0];
    for (let n = 2; n <= pages; ++n) shift[n] = shift[n - 1] + join(n - 1, n - 1) - join(n, n - 1);
    assert.ok(pages === 1 || !words.some((w) => /^◆\d+$/.test(w.text) && w.page === 1 && w.text !== "◆1"), `${name}: page 1 marks only its own join`);
    const svg = expected.stdout.toString();
    const marks = new Map([...svg.matchAll(/data-flow="[^"]*" data-height-mm="([0-9.]+)"[^>]*><line[^>]*\/><text[^>]*>([^<]+)<\/text>/g)]
      .map((m) => [m[2], Number(m[1])]));
    // The flows' numbers start at one x, right of the staff; the centimetres' end at one x, left of it.
    const mode = (values) => [...values.reduce((m, v) => m.set(v, (m.get(v) ?? 0) + 1), new Map())].sort((a, b) => b[1] - a[1])[0]?.[0];
    const numbers = words.filter((w) => /^[0-9.]+$/.test(w.text)).map((w) => ({ ...w, y: w.yMax + shift[w.page] }));
    const start = mode(numbers.filter((w) => marks.has(w.text)).map((w) => Math.round(w.xMin)));
    const flows = numbers.filter((w) => Math.round(w.xMin) === start && marks.has(w.text));
    const end = mode(numbers.filter((w) => !flows.includes(w)).map((w) => Math.round(w.xMax)));
    const centimetres = numbers.filter((w) => Math.round(w.xMax) === end).sort((a, b) => a.y - b.y);
    assert.ok(centimetres.length >= 2 * pages && flows.length >= 2, `${name}: ${centimetres.length} centimetres, ${flows.length} flows`);
    // Numbers of one size stand alike above their marks: each compared with the next of its size.
    const sized = [...flows.reduce((m, w) => m.set(Math.round((w.yMax - w.yMin) * 4), [...(m.get(Math.round((w.yMax - w.yMin) * 4)) ?? []), w]), new Map()).values()]
      .map((group) => group.sort((a, b) => a.y - b.y));
    for (const [a, b] of sized.flatMap((group) => group.slice(1).map((w, i) => [group[i], w]))) {
      const printedApart = (a.y - b.y) * toMm, drawnApart = marks.get(b.text) - marks.get(a.text);
      assert.ok(Math.abs(printedApart - drawnApart) < 0.2,
                `${name}: flows ${a.text} (page ${a.page}) and ${b.text} (page ${b.page}) are ${printedApart} mm apart, not ${drawnApart}`);
    }
    for (const [a, b] of centimetres.slice(1).map((w, i) => [centimetres[i], w])) {
      const printedApart = (b.y - a.y) * toMm, counted = 10 * (Number(a.text) - Number(b.text));
      assert.ok(Math.abs(printedApart - counted) < 0.2, `${name}: centimetres ${a.text} (page ${a.page}) and ${b.text} (page ${b.page}) ${printedApart} mm apart`);
    }
  }
  // A gauge that cannot be drawn is told in Japanese, and the last one is gone.
  await fill(page, [["gaugeZero", "-5"]]);
  await until(page, "vordanel-gauge-done", () => page.click("#gaugeRun"));
  assert.match(await page.$eval("#gaugeSummary", (e) => e.textContent), /^量水標を作れませんでした: 量水標の零点\(mm\)は 0 以上に/);
  assert.equal(await page.$eval("a#gaugeDownload", (a) => a.hasAttribute("href")), false);
  await finish(opened);
});

test("every page of a sheet says what it belongs to and which it is; no heading ends a page; decimal points stand in columns", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  const rows = [  // entries, unit, the table's flows, the project and site, the places of the flows
    [["100", "40", "1", "250"], "L/min", "10:200:10", "浄水場 更新", "第1沈砂池", 2],
    [["1000", "4000", "1", "250"], "m3/h", "1:1000:1", "Dam & Co.", "堰 A-2", 4],
  ];
  for (const [entries, unit, flows, project, site, places] of rows) {
    const name = `D ${entries[0]} in ${unit}`;
    await page.select("#flowUnit", unit);
    await press(page, entries, { typed: false });
    const [from, to, step] = flows.split(":");
    await fill(page, [["tableFrom", from], ["tableTo", to], ["tableStep", step], ["project", project], ["site", site]]);
    await until(page, "vordanel-table-done", () => page.click("#tableRun"));
    const { pages, pageTexts, words } = await printed(page);
    const today = await page.evaluate(() => app.sheet.today());
    assert.match(pageTexts[0], /作成\s+照査\s+承認/, `${name}: the stamp boxes`);
    const headings = ["入力", "計算式", "結果", "流量曲線", "流量表"];
    pageTexts.forEach((text, i) => {
      for (const part of ["計算書", `件名 ${project}`, `地点 ${site}`, `D = ${entries[0]} mm`, today, `${i + 1} / ${pages}`])
        assert.ok(text.includes(part), `${name}: page ${i + 1} lacks ${part}`);
      const last = text.trimEnd().split("\n").at(-1).trim();
      assert.ok(!headings.includes(last) && !last.startsWith(`D = ${entries[0]} mm、`), `${name}: page ${i + 1} ends in "${last}"`);
    });
    // The table's flows and heads, as the companion gives them, each column right-aligned at fixed places.
    const csv = lines(native(["table", "-d", entries[0], "--flows", flows, "--flow-unit", unit]).stdout).slice(1).map((l) => l.split(","));
    const heading = words.find((w) => w.text === "流量表");
    const below = (w) => w.page > heading.page || (w.page === heading.page && w.yMin > heading.yMin);
    for (const [column, decimals] of [[0, places], [1, 2]]) {
      const filled = csv.filter((r) => r[column] !== ""), texts = new Set(filled.map((r) => Number(r[column]).toFixed(decimals)));
      const ends = words.filter((w) => texts.has(w.text) && below(w)).map((w) => w.xMax);
      assert.ok(ends.length >= filled.length * 0.9, `${name}: column ${column} found ${ends.length} times of ${filled.length}`);
      assert.ok(Math.max(...ends) - Math.min(...ends) < 0.5, `${name}: column ${column} ends between ${Math.min(...ends)} and ${Math.max(...ends)}`);
    }
  }
  await finish(opened);
});

test("the operator's card lists flows at whole-millimetre staff readings, neighbours within 10 %, on one page in large print", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  const rows = [  // diameter, unit, gauge zero
    ["300", "L/s", "50"],
    ["100", "L/min", ""],
    ["600", "m3/h", "37.5"],
    ["1500", "m3/h", "12.5"],
  ];
  for (const [d, unit, zero] of rows) {
    const name = `D ${d} in ${unit}, zero ${zero || 0}`;
    await page.select("#flowUnit", unit);
    await fill(page, [["Text6", d], ["gaugeZero", zero], ["project", "カード試験"], ["site", "第2堰"]]);
    await until(page, "vordanel-card-done", () => page.click("#cardRun"));
    await page.evaluate(() => { document.body.dataset.print = "card"; });
    const { text, pages, title } = await printed(page);
    await page.evaluate(() => { delete document.body.dataset.print; });
    assert.equal(pages, 1, name);
    assert.equal(title, `掲示用カード カード試験 D${d}`, name);
    assert.ok(text.includes("カード試験") && text.includes("第2堰") && text.includes(`${d} mm`), `${name}: ${text.slice(0, 200)}`);
    // The title on a line of its own, clear of the code beside what follows it.
    const cardTitle = (await page.$eval("#cardSheet .card-title", (e) => e.textContent)).replace(/\s+/g, "");
    assert.ok(text.split("\n").some((l) => l.replace(/\s+/g, "") === cardTitle), `${name}: "${cardTitle}" is not whole on a line`);
    // Each printed line holds a row of every column (reading, flow, reading, flow…): read down each
    // column, then the next.
    const lines = text.split("\n").map((l) => l.trim().split(/\s+/))
      .filter((cells) => cells.length >= 2 && cells.length % 2 === 0 && cells.every((c, i) => (i % 2 ? /^[0-9]+(\.[0-9]+)?$/ : /^[0-9]+$/).test(c)));
    const columns = Math.max(...lines.map((cells) => cells.length / 2));
    const figures = [];
    for (let c = 0; c < columns; ++c) for (const cells of lines) if (cells.length > 2 * c) figures.push(cells.slice(2 * c, 2 * c + 2));
    assert.ok(figures.length >= 10 && figures.length <= 90, `${name}: ${figures.length} rows`);
    const readings = figures.map(([r]) => Number(r)), flows = figures.map(([, f]) => Number(f));
    assert.equal(readings[0], Math.ceil(Number(zero || 0)), name);
    // The top: the opening's or the greatest flow's head, whichever is lower.
    const above = native(["head", "-d", d, "-q", "1e30"]);
    const peak = Number(`${above.stdout}${above.stderr}`.match(/head of ([0-9.]+) mm/)[1]);
    assert.equal(readings.at(-1), Math.floor(Number(zero || 0) + Math.min(Number(d), peak)), `${name}: up to ${readings.at(-1)}`);
    figures.forEach(([reading], i) => {
      const flow = nativeJson(["flow", "-d", d, "--head", reading, "--flow-unit", unit, ...(zero ? ["--gauge-zero", zero] : []), "--json"]);
      assert.equal(flows[i], Number(flow.flow_text ?? 0), `${name}: reading ${reading}`);
      if (i === 0) return;
      assert.ok(readings[i] > readings[i - 1], `${name}: reading ${reading} after ${readings[i - 1]}`);
      // Neighbours within 10 % (or 1 % of the top flow), save where a millimetre is the least step;
      // 0.5 % for the flows' rounding.
      const near = flows[i] <= flows[i - 1] * 1.105 || flows[i] - flows[i - 1] <= 0.0105 * flows.at(-1) || readings[i] - readings[i - 1] === 1;
      assert.ok(near, `${name}: ${readings[i - 1]} → ${reading}: ${flows[i - 1]} → ${flows[i]}`);
    });
  }
  await finish(opened);
});

test("each printed document carries a QR code that a decoder reads as the link reopening its calculation; a card's opens for a staff reading", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  await page.select("#flowUnit", "m3/h");
  await press(page, ["300", "60", "1", "400"], { typed: false });
  await fill(page, [["gaugeZero", "120"], ["headEntry", "150"], ["project", "○○浄水場 沈殿池流出堰 改良工事"], ["site", "第2系列 No.3"]]);
  const link = () => page.$eval("a#shareLink", (a) => a.href);
  await page.waitForFunction(() => shareLink.href.includes("zero=120") && shareLink.href.includes("head=150"));
  const sheetLink = await link(), cardLink = `${sheetLink.replace("&head=150", "")}&read=head`;
  await until(page, "vordanel-gauge-done", () => page.click("#gaugeRun"));
  await until(page, "vordanel-card-done", () => page.click("#cardRun"));
  const rows = [  // what prints, the link each of its pages reads as
    ["sheet", sheetLink],
    ["gauge", sheetLink],
    ["card", cardLink],
  ];
  for (const [what, expected] of rows) {
    await page.evaluate((what) => { if (what !== "sheet") document.body.dataset.print = what; }, what);
    const { pages, codes } = await printed(page, { codes: true });
    await page.evaluate(() => { delete document.body.dataset.print; });
    assert.deepEqual(codes.map((c) => c.text), Array(what === "sheet" ? 1 : pages).fill(expected), what);
  }
  // Scanned, the card opens the calculation unpressed, with its entries, zero and title block, and
  // the head entry empty and ready for the reading.
  const fresh = await session.browser.createBrowserContext();
  try {
    const card = await fresh.newPage();
    await card.goto(cardLink);
    await card.waitForFunction(() => document.documentElement.dataset.vordanel === "ready" && Text6.value !== "");
    assert.deepEqual(await card.evaluate(() => [Text6.value, Text1.value, flowUnit.value, gaugeZero.value, project.value, headEntry.value,
                                                document.activeElement.id, VORDANEL.dataset.answers ?? null]),
                     ["300", "60", "m3/h", "120", "○○浄水場 沈殿池流出堰 改良工事", "", "headEntry", null]);
  } finally {
    await fresh.close();
  }
  // A link too long for a code of the box's size: no code that cannot be read, the link in text.
  await fill(page, [["project", "改良工事".repeat(60)]]);
  await page.waitForFunction(() => shareLink.href.length > 2000);
  const long = await link();
  const { codes, text } = await printed(page, { codes: true });
  assert.deepEqual(codes, [], "a code is printed for a link too long for its box");
  assert.ok(await page.$eval("#sheetLead", (e, length) => !e.querySelector("svg") && e.textContent.includes(String(length)), long.length),
            "the sheet does not say the link is too long");
  assert.ok(text.replace(/\s+/g, "").includes(long.slice(-60)), "the long link is not printed in text");
  await finish(opened);
});

test("a table's notes print as keys explained once below it; a short table on one page, a long one never ending in a row or two", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  await page.select("#flowUnit", "L/min");
  await press(page, ["100", "40", "1", "250"], { typed: false });
  // The rows a page holds, from a table longer than any page: those the table's first page takes
  // after the curve, and a page of its own.
  const tableRows = (text) => text.split("\n").filter((l) => /^\s*\d+\.\d\d(\s+\d+\.\d\d)?(\s+\d+)?(\s+※\d+)*\s*$/.test(l)).length;
  const runTable = async (by, range) => {
    await page.select("#tableBy", by);
    const [from, to, step] = range.split(":");
    await fill(page, [["tableFrom", from], ["tableTo", to], ["tableStep", step]]);
    await until(page, "vordanel-table-done", () => page.click("#tableRun"));
  };
  await runTable("heads", "1:300:1");
  const counts = (await printed(page)).pageTexts.map(tableRows).filter((n) => n > 0);
  const [first, full] = counts;
  const rows = [  // name, the table's kind and range, its rows, pages it may take at most
    ["a 14-row heads table past the peak", "heads", "20:280:20", 14, 1],
    ["a 14-row heads table of D 100 to the weir top and above", "heads", "10:140:10", 14, 1],
    ["a 20-row flow table", "flows", "10:200:10", 20, 1],
    ["a table two rows longer than two pages", "heads", `1:${first + full + 2}:1`, first + full + 2, 3],
  ];
  for (const [name, by, range, count, most] of rows) {
    await runTable(by, range);
    const { pageTexts } = await printed(page);
    const perPage = pageTexts.map(tableRows).filter((n) => n > 0);
    assert.equal(perPage.reduce((a, b) => a + b, 0), count, `${name}: ${perPage}`);
    assert.ok(perPage.length <= most, `${name}: on ${perPage.length} pages (${perPage})`);
    if (perPage.length > 1) assert.ok(perPage.at(-1) >= 4, `${name}: its last page holds ${perPage.at(-1)} rows (${perPage})`);
    // Each row's figures as the companion gives them, and its keys; the legend says each key once,
    // and a row's keys read in turn are the notes the screen's table gives it in full.
    const text = pageTexts.join("\n");
    const csv = lines(native(["table", "-d", "100", `--${by}`, range]).stdout).slice(1).map((l) => l.split(","));
    const screen = await page.$$eval("#tableRows tbody tr", (trs) => trs.map((tr) => tr.cells[tr.cells.length - 1].textContent));
    const legend = new Map();
    for (const [, key, words] of text.matchAll(/^\s*(※\d+)\s+(\S.*)$/gm)) {
      assert.ok(!legend.has(key), `${name}: ${key} is explained twice`);
      legend.set(key, words.trim());
    }
    csv.forEach(([a, b], i) => {
      const figures = by === "heads" ? [Number(a).toFixed(2), b === "" ? "" : Number(b).toFixed(2)] : [Number(a).toFixed(2), Number(b).toFixed(2)];
      const line = text.split("\n").find((l) => new RegExp(`^\\s*${figures[0]}\\s+${figures[1] ? `${figures[1]}\\b` : "(?!\\d)"}`).test(l));
      assert.ok(line, `${name}: row ${i + 1} (${figures.join(" ")}) is not printed`);
      const keys = line.match(/※\d+/g) ?? [];
      for (const key of keys) assert.ok(legend.has(key), `${name}: ${key} is not explained`);
      assert.equal(keys.map((k) => legend.get(k)).join("").replace(/\s+/g, ""), screen[i].replace(/\s+/g, ""), `${name}: row ${i + 1}'s notes`);
    });
  }
  await finish(opened);
});
