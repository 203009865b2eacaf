// Sizes a finger and an eye need, on a phone and a desktop: every control of the workbench at least
// 24×24 px, or clear of every other by a 24 px circle about its centre (WCAG 2.2's target size);
// every text of the curve at least 11 px as drawn, however narrow the curve has become.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { finish, launch, open, press } from "./driver.mjs";

let session;
before(async () => { session = await launch(); });
after(async () => { await session?.close(); });

const viewports = { "phone, 360 px": { width: 360, height: 640 }, "desktop, 1280 px": { width: 1280, height: 800 } };
for (const [name, viewport] of Object.entries(viewports)) {
  test(`targets and the curve's text are large enough: ${name}`, async () => {
    const opened = await open(session, viewport), { page } = opened;
    await press(page, ["100", "40", "1", "99"], { typed: false });
    await page.waitForFunction(() => document.querySelector("#curve .labels text"));
    const faults = await page.evaluate(() => {
      const found = [];
      const targets = [...document.querySelectorAll("#workbench :is(input, select, button, a.download, [tabindex='0'])")]
        .filter((e) => e.getClientRects().length).map((e) => ({ e, r: e.getBoundingClientRect() }));
      // A label takes clicks too: a control crowded by one is as hard to hit.
      const others = [...targets, ...[...document.querySelectorAll("#workbench label")].map((e) => ({ e, r: e.getBoundingClientRect() }))];
      for (const { e, r } of targets) {
        if (r.width >= 24 && r.height >= 24) continue;
        const cx = r.left + r.width / 2, cy = r.top + r.height / 2;
        // Undersized: the 24 px circle about its centre must meet no other target, nor another
        // undersized one's circle.
        const near = others.filter((o) => o.e !== e && !o.e.contains(e) && !e.contains(o.e)).some(({ r: o }) =>
          Math.hypot(Math.max(o.left - cx, 0, cx - o.right), Math.max(o.top - cy, 0, cy - o.bottom)) < 12
          || ((o.width < 24 || o.height < 24) && Math.hypot(o.left + o.width / 2 - cx, o.top + o.height / 2 - cy) < 24));
        if (near) found.push(`#${e.id || e.className}: ${r.width.toFixed(1)}×${r.height.toFixed(1)} and crowded`);
      }
      const curve = document.getElementById("curve"), scale = curve.getBoundingClientRect().width / curve.viewBox.baseVal.width;
      for (const t of curve.querySelectorAll("text")) {
        const size = parseFloat(getComputedStyle(t).fontSize) * scale;
        if (size < 11) found.push(`"${t.textContent}" drawn at ${size.toFixed(1)} px`);
      }
      return found;
    });
    assert.deepEqual(faults, []);
    await finish(opened);
  });
}
