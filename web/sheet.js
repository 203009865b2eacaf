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
  const svgNS = "http://www.w3.org/2000/svg";
  // The staff on paper: so many millimetres of it a page, the last of them repeated at the top of
  // the next, so that the pieces can be joined.
  const gaugePage = 240, gaugeOverlap = 10;
  let gaugeDrawn = null;

  app.sheet = {
    // Today in the browser's time zone: 2025-12-09.
    today(now = new Date()) { return `${now.getFullYear()}-${two(now.getMonth() + 1)}-${two(now.getDate())}`; },
    // The title block: project, site and author as typed (text, never markup).
    titleBlock({ project, site, author }) {
      $("sheetProject").textContent = project;
      $("sheetSite").textContent = site;
      $("sheetAuthor").textContent = author;
    },
    // The staff gauge the companion drew (an SVG in millimetres), true to scale on A4: cut into
    // pieces of gaugePage mm that overlap by gaugeOverlap mm, each on a page of its own with the
    // title, "n / N" and the join marked; none where there is no gauge. say(name, values) gives
    // the core's words.
    gauge(svg, about, say) {
      const key = JSON.stringify([svg, about]);
      if (key === gaugeDrawn) return;
      gaugeDrawn = key;
      const holder = $("gaugeSheet");
      holder.replaceChildren();
      const root = svg && new DOMParser().parseFromString(svg, "image/svg+xml").documentElement;
      if (!root || root.namespaceURI !== svgNS) return;
      const [, , width, height] = root.getAttribute("viewBox").split(/[\s,]+/).map(Number);
      const pages = height <= gaugePage ? 1 : Math.ceil((height - gaugeOverlap) / (gaugePage - gaugeOverlap));
      for (let i = 0; i < pages; ++i) {
        const top = i * (gaugePage - gaugeOverlap), tall = Math.min(gaugePage, height - top);
        const page = document.createElement("section");
        page.className = "gauge-page";
        const head = document.createElement("p");
        head.className = "gauge-head";
        head.textContent = say("gauge_page_head", { page: i + 1, pages, project: about.project, site: about.site });
        const note = document.createElement("p");
        note.className = "gauge-note";
        note.textContent = say("gauge_print_note");
        const piece = document.importNode(root, true);
        Object.entries({ width: `${width}mm`, height: `${tall}mm`, viewBox: `0 ${top} ${width} ${tall}` }).forEach(([k, v]) => piece.setAttribute(k, v));
        // The joins: where this piece meets the one above and the one below.
        for (const y of [i > 0 ? top + gaugeOverlap : null, i < pages - 1 ? top + tall - gaugeOverlap : null]) {
          if (y === null) continue;
          const line = document.createElementNS(svgNS, "line");
          Object.entries({ x1: 0, x2: width, y1: y, y2: y, stroke: "black", "stroke-width": 0.3, "stroke-dasharray": "2 1", class: "join" })
            .forEach(([k, v]) => line.setAttribute(k, v));
          const mark = document.createElementNS(svgNS, "text");
          Object.entries({ x: 1, y: y - 0.8, "font-size": 3, class: "join" }).forEach(([k, v]) => mark.setAttribute(k, v));
          mark.textContent = say("gauge_join");
          piece.append(line, mark);
        }
        page.append(head, note, piece);
        holder.append(page);
      }
    },
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
