// vordanel.html's window, in the browser VORDANEL_BROWSER names: its geometry, the worked runs
// typed and pressed, failures and their dialog, the keyboard order, and a table of cases against
// the companion's batch command. Needs VORDANEL_PAGE (the built page) and VORDANEL_CLI.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { axeViolations, click, dismiss, enter, finish, launch, native, nativeJson, open, press, retype, shown, until } from "./driver.mjs";

let session;
before(async () => { session = await launch(); });
after(async () => { await session?.close(); });

test("the page shows the designed window whole, every caption whole, asking for nothing beyond itself", async () => {
  const opened = await open(session), { page } = opened;
  assert.equal(await page.title(), "円形堰の越流高さ");
  const twips = {
    Text6: [1680, 480, 1215, 375], Text5: [3120, 4440, 375, 270], Text4: [1680, 3810, 1215, 375],
    Text3: [1680, 2280, 1215, 375], Command2: [2040, 3000, 1215, 495], Command1: [360, 3000, 1215, 495],
    Text2: [1680, 1680, 1215, 375], Text1: [1680, 1080, 1215, 375], Label11: [360, 150, 3135, 255],
    Label10: [345, 4635, 1215, 255], Label9: [450, 4920, 2775, 495], Label8: [240, 5040, 3375, 375],
    Label7: [360, 600, 975, 255], Label6: [360, 4440, 1335, 375], Label1: [2280, 4515, 855, 255],
    Label5: [360, 3840, 1335, 435], Label4: [360, 2340, 1095, 405], Label3: [360, 1725, 1095, 495],
    Label2: [360, 1200, 975, 255],
  };
  const layout = await page.evaluate((ids) => {
    const client = document.getElementById("VORDANEL").getBoundingClientRect();
    const result = { client: [client.x, client.y, client.width, client.height], controls: {} };
    for (const id of ids) {
      const e = document.getElementById(id);
      const wasHidden = e.hidden;
      e.hidden = false;
      const r = e.getBoundingClientRect();
      result.controls[id] = {
        rect: [r.x - client.x, r.y - client.y, r.width, r.height], tag: e.tagName,
        whole: e.scrollWidth <= e.clientWidth && e.scrollHeight <= e.clientHeight,
        background: getComputedStyle(e).backgroundColor, colour: getComputedStyle(e).color,
        font: getComputedStyle(e).fontSize,
      };
      e.hidden = wasHidden;
    }
    result.background = getComputedStyle(document.getElementById("VORDANEL")).backgroundColor;
    return result;
  }, Object.keys(twips));
  assert.deepEqual(layout.client.slice(2), [240, 365]);
  // A caption tied to its box is a label; the others are plain text.
  const labelled = new Set(["Label7", "Label2", "Label3", "Label4", "Label5", "Label1"]);
  const [x, y, width, height] = layout.client;
  assert.ok(x >= 0 && y >= 0 && x + width <= 800 && y + height <= 600, `the window is not whole in view: ${layout.client}`);
  assert.equal(layout.background, "rgb(192, 192, 192)");
  for (const [id, [left, top, width, height]] of Object.entries(twips)) {
    const { rect, tag, whole } = layout.controls[id];
    const expected = [left / 15, top / 15, width / 15, height / 15];
    rect.forEach((v, i) => assert.ok(Math.abs(v - expected[i]) <= 1, `${id}: ${rect} is not ${expected}`));
    assert.equal(tag, id.startsWith("Text") ? "INPUT" : id.startsWith("Command") ? "BUTTON" : labelled.has(id) ? "LABEL" : "DIV", id);
    if (id.startsWith("Label")) assert.ok(whole, `${id}'s caption does not fit its box`);
  }
  const colours = { Label11: "rgb(0, 0, 255)", Label10: "rgb(0, 0, 255)", Label6: "rgb(0, 0, 255)",
                    Label9: "rgb(255, 0, 255)", Label8: "rgb(255, 0, 0)", Text4: "rgb(0, 0, 0)", Text5: "rgb(255, 0, 255)" };
  for (const [id, colour] of Object.entries(colours)) assert.equal(layout.controls[id].colour, colour, id);
  assert.equal(layout.controls.Label11.font, "11px");
  assert.equal(layout.controls.Label7.font, "12px");
  const font = await page.evaluate(() => document.fonts.check('12px "IPA P Gothic VORDANEL"', "堰"));
  assert.ok(font, "the embedded IPA P Gothic is in use");
  assert.equal(await page.evaluate(() => document.activeElement.id), "Text6");
  assert.deepEqual(await page.evaluate(() => [Text4.readOnly, Text5.readOnly]), [true, true]);
  assert.deepEqual(await page.evaluate(() => ["Text6", "Text1", "Text2", "Text3"].map((id) => document.getElementById(id).inputMode)),
                   ["decimal", "decimal", "decimal", "decimal"]);
  await finish(opened);
});

test("the keyboard, a screen reader and axe-core find their way: order, headings, announcements, the read-off", async () => {
  const opened = await open(session, { width: 1280, height: 800 }), { page } = opened;
  const focused = () => page.evaluate(() => document.activeElement.id);
  const tab = async (shift = false) => {
    if (shift) await page.keyboard.down("Shift");
    await page.keyboard.press("Tab");
    if (shift) await page.keyboard.up("Shift");
    return page.evaluate(() => [document.activeElement.id, document.getElementById("workbench").contains(document.activeElement)]);
  };
  // The window's order within, with no positive tabindex; then on to the workbench, and out before it.
  const order = [];
  for (let i = 0; i < 8; ++i) order.push(await tab());
  assert.deepEqual(order.map(([id]) => id), ["Text1", "Text2", "Command1", "Command2", "Text3", "Text4", "Text5", order[7][0]]);
  assert.ok(order[7][1], `Tab from Trial回数 goes on to the workbench, not to ${order[7][0]}`);
  assert.deepEqual(await page.$$eval("[tabindex]", (all) => all.filter((e) => e.tabIndex > 0).map((e) => e.id)), []);
  await page.focus("#Text6");
  const [back] = await tab(true);
  assert.ok(!["Text6", "Text1", "Text2", "Text3", "Text4", "Text5", "Command1", "Command2"].includes(back), `Shift+Tab stayed in the window: ${back}`);
  for (const to of ["curve", "Text6"]) {
    await page.keyboard.down("Alt");
    await page.keyboard.press("KeyW");
    await page.keyboard.up("Alt");
    assert.equal(await focused(), to, "Alt+W");
  }
  // One h1; every section of the workbench under a heading of its own.
  assert.deepEqual(await page.evaluate(() => [document.querySelectorAll("h1").length,
    [...document.querySelectorAll("#workbench section")].filter((s) => !s.querySelector("h2")).map((s) => s.id)]), [1, []]);

  // The answer, a message, and the entry an empty press needs are said through the live region.
  const said = () => page.$eval("#announce", (e) => e.textContent);
  await press(page, ["100", "40", "1", "250"], { typed: false });
  assert.match(await said(), /205\.81.*15.*流量過大のため堰の範囲を越えています。/);
  await press(page, ["100", "40", "60", "99"], { typed: false });
  assert.match(await said(), /解がありません/);
  await press(page, ["100", "40", "", "99"], { typed: false });
  assert.match(await said(), /解の挟込最小値\(mm\)/);
  assert.equal(await page.$eval("#entryNeeded", (e) => e.checkVisibility()), true);

  // The read-off is a slider over the curve's non-negative part, in steps that reach round heads.
  await press(page, ["100", "40", "1", "250"], { typed: false });
  assert.deepEqual(await axeViolations(page).then(allowed), [], "after a calculation");
  await page.$eval("#curve", (e) => e.focus());
  const slider = () => page.$eval("#curve", (e) => [e.getAttribute("role"), Number(e.getAttribute("aria-valuenow")), e.getAttribute("aria-valuetext")]);
  await page.keyboard.press("Home");
  for (const key of ["PageUp", "PageUp", "PageUp", "PageUp", "ArrowLeft", "ArrowLeft", "ArrowLeft", "ArrowLeft", "ArrowLeft"])
    await page.keyboard.press(key);
  const at35 = await slider();
  assert.deepEqual(at35.slice(0, 2), ["slider", 35]);
  assert.ok(at35[2].includes(`越流高さ 35 mm`) && at35[2].includes(`${nativeJson(["flow", "-d", "100", "--head", "35", "--json"]).flow_text} L/min`), at35[2]);
  await page.keyboard.press("End");
  const end = await slider();
  const zero = Number(await page.$eval("#curve", (e) => e.getAttribute("aria-valuemax")));
  assert.ok(end[1] === zero && zero > 210 && zero < 212, `End: ${end}`);
  assert.match(end[2], /流量 [0-9.]+ L\/min/, "End reads a flow of zero or above");
  await until(page, "vordanel-table-done", () => page.click("#tableRun"));
  assert.deepEqual(await axeViolations(page).then(allowed), [], "after a table");
  await finish(opened);
});

// What axe-core finds, less the contrast of the window's own colours (the messages' magenta and
// red, and the trial count's magenta), which stay as they were designed.
function allowed(violations) {
  return violations.map(({ id, targets }) => ({ id, targets: targets.filter((t) => !(id === "color-contrast" && ["#Label8", "#Label9", "#Text5"].includes(t))) }))
    .filter(({ targets }) => targets.length);
}

// One row per kind of outcome the window shows (the worked runs themselves are the core's): a head
// and its trials, a head above the weir, no head, and entries typed as an input method types them.
test("the window shows a head, its trials and its messages as 計算 answers them; クリヤ empties every box", async () => {
  const opened = await open(session), { page } = opened;
  const rows = [
    [["100", "40", "1", "99"], "47.1", "12", false, false],
    [["50", "60", "1", "70"], "57.26", "10", true, false],
    [["100", "40", "60", "99"], "", "", false, true],
    [["１００", "４０", "１", "９９"], "47.1", "12", false, false],
  ];
  for (const [i, [entries, head, trials, label8, label9]] of rows.entries()) {
    // Typed key by key where the keys are what is tested; set at once elsewhere, which is quicker.
    const s = await press(page, entries, { typed: i === 0 || entries.some((e) => /[^0-9.]/.test(e)) });
    assert.deepEqual([s.head, s.trials, s.label8, s.label9], [head, trials, label8, label9], entries.join(" "));
  }
  await enter(page, ["100", "40", "", "99"]);
  await click(page);
  assert.deepEqual(await shown(page), { head: "", trials: "", label8: false, label9: false, dialog: null });
  await press(page, ["50", "60", "1", "70"]);
  await page.click("#Command2");
  assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll("#VORDANEL input")].map((e) => e.value).join("")), "");
  assert.deepEqual(await shown(page), { head: "", trials: "", label8: false, label9: false, dialog: null });
  await finish(opened);
});

test("a failure is told in a modal dialog naming the entry; the entries stay and the focus goes back", async () => {
  const opened = await open(session), { page } = opened;
  const rows = [
    [["abc", "40", "1", "99"], "堰の径(mm): 数値ではありません。", "Text6"],
    [["100", "40", "0", "99"], "解の挟込最小値(mm): ゼロによる除算です。0 より大きい値を入力して下さい。", "Text2"],
    [["100", "1e400", "1", "99"], "流量(L/min): 値が大きすぎるか小さすぎて、計算できる範囲を超えています。", "Text1"],
    [["1e300", "40", "1", "99"], "堰の径(mm): 値が大きすぎるか小さすぎて、計算できる範囲を超えています。", "Text6"],
    [["1e-320", "40", "1", "99"], "堰の径(mm): 値が大きすぎるか小さすぎて、計算できる範囲を超えています。", "Text6"],
    [["100", "40", "1", "-99"], "挟込最大値(mm): 不正な引数です（負の値）。0 より大きい値を入力して下さい。", "Text3"],
  ];
  for (const [entries, message, entry] of rows) {
    const s = await press(page, entries);
    assert.equal(s.dialog, message);
    assert.equal(await page.evaluate(() => document.querySelector("dialog:modal")?.id), "failure");
    await page.keyboard.press("Enter");
    await page.waitForFunction(() => !document.getElementById("failure").open);
    await page.waitForFunction((id) => document.activeElement.id === id, { timeout: 2000 }, entry).catch(() => {});
    assert.equal(await page.evaluate(() => document.activeElement.id), entry, message);
    assert.deepEqual(await page.evaluate(() => ["Text6", "Text1", "Text2", "Text3"].map((id) => document.getElementById(id).value)),
                     entries);
  }
  // Nothing typed breaks the page: a flood of text, lone surrogates, control characters.
  for (const junk of ["9".repeat(200000), "\ud800\udfff\ud800", "100\u0000abc", "😀", "1e99999999999999999999"]) {
    await page.evaluate((text) => { document.getElementById("Text6").value = text; }, junk);
    for (const [id, text] of [["Text1", "40"], ["Text2", "1"], ["Text3", "99"]]) await retype(page, id, text);
    await click(page);
    if (await page.evaluate(() => document.getElementById("failure").open)) await dismiss(page);
  }
  assert.equal((await press(page, ["100", "40", "1", "99"])).head, "47.1");
  await finish(opened);
});

test("the page and the companion agree on every case", async () => {
  const cases = [
    ["100", "40", "1", "99"], ["100", "40", "1", "250"], ["50", "60", "1", "70"], ["123.4", "56.78", "0.5", "200.25"],
    ["12.5", "0.3", "0.01", "25"], ["1500", "25000", "1", "3000"], ["100", "40", "60", "99"], ["1e10", "1e14", "1", "1e10"],
    ["0", "40", "1", "99"], ["-100", "40", "1", "99"], ["100", "40", "0", "99"], ["100", "x", "1", "99"],
    ["1e300", "40", "1", "99"], ["1e-300", "40", "1", "99"], ["100", "40", "1e-310", "99"], ["100", "0.001", "0.001", "150"],
    ["0.5", "1e-6", "1e-4", "1"], ["250", "600", "100", "5"], ["100", "203.25", "1", "149"], ["75", "20", "1", "75"],
  ];
  for (let i = 0; i < 20; ++i) {  // and a spread of ordinary weirs, flows and brackets
    const d = 10 + 37 * i, q = (0.7 + 1.9 * i) * (d / 100) ** 1.5 * 10;
    cases.push([String(d), q.toFixed(3), String(1 + i % 3), String((d * (0.6 + 0.11 * i)).toFixed(1))]);
  }
  const csv = "diameter_mm,flow_lpm,min_mm,max_mm\n" + cases.map((c) => c.join(",")).join("\n") + "\n";
  const rows = native(["batch"], csv).stdout.toString().trim().split("\n").slice(1).map((line) => line.split(","));
  assert.equal(rows.length, cases.length);
  // The same sheet headed with the window's captions: its notes are the core's Japanese words, a
  // fault's the caption of its entry and the window's message, as the dialog says it.
  const japanese = native(["batch"], csv.replace(/^[^\n]*/, "堰の径(mm),流量(L/min),解の挟込最小値(mm),挟込最大値(mm)"))
    .stdout.toString().trim().split("\n").slice(1).map((line) => line.split(",").at(-1));
  const opened = await open(session), { page } = opened;
  // Pressed inside the page, one case after another, each once its answer is out: what is compared
  // here is the answer, and a round trip to the browser for every key would only cost time.
  const answers = await page.evaluate(async (cases) => {
    const $ = (id) => document.getElementById(id), out = [];
    for (const entries of cases) {
      ["Text6", "Text1", "Text2", "Text3"].forEach((id, i) => { $(id).value = entries[i]; });
      const answered = new Promise((resolve) => $("VORDANEL").addEventListener("vordanel-answered", resolve, { once: true }));
      $("Command1").click();
      await answered;
      out.push({ head: $("Text4").value, trials: $("Text5").value, label8: !$("Label8").hidden, label9: !$("Label9").hidden,
                 dialog: $("failure").open ? $("failureMessage").textContent : null });
      if ($("failure").open) $("failure").close();
    }
    return out;
  }, cases);
  for (const [i, entries] of cases.entries()) {
    const [, , , , head, trials, note] = rows[i];
    const notes = note.split(";");
    const s = answers[i];
    const faulted = ["not_a_number", "division_by_zero", "invalid_argument", "overflow"].includes(notes[0].split(":")[0]);
    assert.deepEqual([s.head, s.trials, s.label8, s.label9, s.dialog],
                     [head, trials, notes.includes("above_weir"), notes.includes("no_solution"), faulted ? japanese[i] : null],
                     entries.join(" "));
  }
  await finish(opened);
});
