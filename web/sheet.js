"use strict";
// The calculation sheet the page prints: hidden on the screen, and alone on the paper. The
// workbench draws it from the state with every other view, so that the browser's own print gives
// the same sheet as the print button.
(() => {
  const $ = app.$;

  function pairs(id, rows) {
    $(id).tBodies[0].replaceChildren(...rows.map(([caption, value]) => {
      const tr = document.createElement("tr");
      const th = document.createElement("th");
      th.scope = "row";
      th.textContent = caption;
      tr.append(th);
      tr.insertCell().textContent = value;
      return tr;
    }));
  }

  const two = (n) => String(n).padStart(2, "0");

  app.sheet = {
    // The date and time of printing, in the browser's time zone: 2025-12-09 14:05.
    stamp(now = new Date()) {
      $("sheetDate").textContent =
        `${now.getFullYear()}-${two(now.getMonth() + 1)}-${two(now.getDate())} ${two(now.getHours())}:${two(now.getMinutes())}`;
    },
    entries(rows) { pairs("sheetEntries", rows); },
    answers(rows) { pairs("sheetAnswers", rows); },
    // The curve as drawn on the screen now, or none.
    curve(svg) {
      $("sheetCurveSection").hidden = !svg;
      if (!svg) {
        $("sheetCurve").replaceChildren();
        return;
      }
      const copy = svg.cloneNode(true);
      for (const name of ["id", "role", "tabindex", "aria-label", "aria-describedby", "aria-valuemin", "aria-valuemax",
                          "aria-valuenow", "aria-valuetext"]) copy.removeAttribute(name);
      copy.classList.add("curve-copy");
      copy.querySelector("#cursor")?.remove();
      // The copy's ids would repeat the page's: its clip path goes by its own name.
      copy.querySelector("clipPath")?.setAttribute("id", "sheetPlotArea");
      copy.querySelectorAll("[clip-path]").forEach((e) => e.setAttribute("clip-path", "url(#sheetPlotArea)"));
      copy.querySelectorAll("[id]").forEach((e) => e.id !== "sheetPlotArea" && e.removeAttribute("id"));
      $("sheetCurve").replaceChildren(copy);
    },
    // A rating table as the core read it: its title, column captions, rows of cells (notes in
    // words), the rows that go on paper and the note that says how many there are.
    table({ title, captions, rows, printed, sheet_note: note }) {
      const section = $("sheetTableSection");
      section.hidden = false;
      const head = $("sheetTable").tHead.rows[0];
      head.replaceChildren(...captions.map((caption) => {
        const th = document.createElement("th");
        th.textContent = caption;
        return th;
      }));
      const body = document.createDocumentFragment();
      for (const cells of rows.slice(0, printed)) {
        const tr = document.createElement("tr");
        for (const cell of cells) tr.insertCell().textContent = cell;
        body.append(tr);
      }
      $("sheetTable").tBodies[0].replaceChildren(body);
      $("sheetTableNote").textContent = `${title}${note}`;
    },
    noTable() {
      $("sheetTableSection").hidden = true;
      $("sheetTable").tBodies[0].replaceChildren();
    },
  };
  addEventListener("beforeprint", () => app.sheet.stamp());
})();
