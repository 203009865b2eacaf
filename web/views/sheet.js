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
  // The page's own title, which each printed document's takes the place of while it prints.
  const pageTitle = document.title;

  // What goes on one page, in CSS px: A4 less the print margins (14 mm above, 16 mm below), with
  // room to spare for a browser that prints with margins of its own; the page's heading line.
  const mm = 96 / 25.4;
  const pageHeight = 258 * mm, pageHeadHeight = 9 * mm;
  const keptWithHeading = 3;  // rows that go with their heading onto its page

  // Each part drawn again only where what it shows changed (a cache: what each part shows, by
  // part); the sheet's pages follow when it is next printed, set again only where a part of the
  // sheet or their heading changed.
  const keys = new Map();
  function drawn(part, what, draw) {
    const key = JSON.stringify(what);
    if (keys.get(part) === key) return;
    keys.set(part, key);
    draw();
  }

  // The curve or a part of the sheet for a page: a copy, its ids made its own (name: which copy).
  function copyOf(element, name) {
    const copy = element.cloneNode(true);
    for (const name of ["id", "role", "tabindex", "aria-label", "aria-describedby", "aria-valuemin", "aria-valuemax",
                        "aria-valuenow", "aria-valuetext"]) copy.removeAttribute(name);
    copy.querySelector("#cursor")?.remove();
    if (copy.tagName.toLowerCase() === "svg") copy.classList.add("curve-copy");
    const clip = copy.querySelector("clipPath");
    if (clip) {
      const id = `sheetClip-${name}`;
      clip.setAttribute("id", id);
      copy.querySelectorAll("[clip-path]").forEach((e) => e.setAttribute("clip-path", `url(#${id})`));
    }
    copy.querySelectorAll("[id]").forEach((e) => e.tagName.toLowerCase() !== "clippath" && e.removeAttribute("id"));
    return copy;
  }

  // An element's height on the sheet laid out off the screen at the paper's width, margins and all.
  function heightOf(element) {
    if (!element) return 0;
    const style = getComputedStyle(element);
    return element.getBoundingClientRect().height + (parseFloat(style.marginTop) || 0) + (parseFloat(style.marginBottom) || 0);
  }

  // The sheet's blocks in order: each with its heading (the heading and what introduces it) and
  // its items (rows of a table, or paragraphs and drawings), each with its height.
  function blocksOf(sheet) {
    const blocks = [];
    for (const part of sheet.children) {
      if (part.hidden) continue;
      if (part.tagName.toLowerCase() === "header") {
        blocks.push({ heading: [], items: [[part, heightOf(part)]] });
        continue;
      }
      const heading = [], items = [];
      let table = null;
      for (const child of part.children) {
        if (child.hidden) continue;
        if (child.tagName.toLowerCase() === "table") {
          table = child;
          for (const row of child.tBodies[0].rows) items.push([row, heightOf(row)]);
        } else if (items.length === 0 && (child.tagName.toLowerCase() === "h2" || (heading.length && child.tagName.toLowerCase() === "p" && !table && part.id === "sheetTableSection"))) {
          heading.push(child);
        } else {
          items.push([child, heightOf(child)]);
        }
      }
      blocks.push({ heading, items, table, head: table?.tHead });
    }
    return blocks;
  }

  app.sheet = {
    // Today in the browser's time zone: 2025-12-09.
    today(now = new Date()) { return `${now.getFullYear()}-${two(now.getMonth() + 1)}-${two(now.getDate())}`; },
    // The title block: project, site and author as typed (text, never markup).
    titleBlock({ project, site, author }) {
      drawn("title", [project, site, author], () => {
        $("sheetProject").textContent = project;
        $("sheetSite").textContent = site;
        $("sheetAuthor").textContent = author;
      });
    },
    // The staff gauge the companion drew (an SVG in millimetres), true to scale on A4, in the
    // pieces the core lays it out in (app.call("gauge_pieces")): each on a page of its own with the
    // title, "n / N" and how to lay it, its joins marked alike on both pieces and its shared edges
    // drawn as cut lines; none where there is no gauge. say(name, values) gives the core's words.
    gauge(svg, layout, about, say, link) {
      drawn("gauge", [svg, layout, about, link], () => {
        const holder = $("gaugeSheet");
        holder.replaceChildren();
        const root = svg && layout?.ok && new DOMParser().parseFromString(svg, "image/svg+xml").documentElement;
        if (!root || root.namespaceURI !== svgNS) return;
        const { width, pieces } = layout;
        const draw = (piece, name, attributes, words) => {
          const e = document.createElementNS(svgNS, name);
          Object.entries(attributes).forEach(([k, v]) => e.setAttribute(k, v));
          if (words !== undefined) e.textContent = words;
          piece.append(e);
        };
        pieces.forEach(({ top, height, joins, cuts }, i) => {
          const page = document.createElement("section");
          page.className = "gauge-page";
          const head = document.createElement("p");
          head.className = "gauge-head";
          head.textContent = say("gauge_page_head", { page: i + 1, pages: pieces.length, project: about.project, site: about.site });
          const note = document.createElement("p");
          note.className = "gauge-note";
          note.textContent = layout.note;
          const piece = document.importNode(root, true);
          Object.entries({ width: `${width}mm`, height: `${height}mm`, viewBox: `0 ${top} ${width} ${height}` }).forEach(([k, v]) => piece.setAttribute(k, v));
          for (const { y, label } of joins) {
            draw(piece, "line", { x1: 0, x2: width, y1: y, y2: y, stroke: "black", "stroke-width": 0.3, "stroke-dasharray": "2 1", class: "join" });
            draw(piece, "text", { x: 1, y: y - 0.8, "font-size": 2.5, class: "join" }, label);
          }
          // A cut line just inside the edge it marks, its word beside it on the piece.
          for (const edge of cuts) {
            const inside = edge === top ? 0.2 : -0.2;
            draw(piece, "line", { x1: 0, x2: width, y1: edge + inside, y2: edge + inside, stroke: "black", "stroke-width": 0.2, "stroke-dasharray": "0.6 0.6", class: "cut" });
            draw(piece, "text", { x: width - 1, y: edge + (inside > 0 ? 3 : -1), "font-size": 2.5, "text-anchor": "end", class: "cut" }, layout.cut);
          }
          const body = document.createElement("div");
          body.className = "gauge-body";
          body.append(piece, leadOf(link, "lead_gauge", say));
          page.append(head, note, body);
          holder.append(page);
        });
      });
    },
    // The operator's card: its title, what it is for and where, and its rows in large print; none
    // where there is no card for the entries on screen.
    card(card, say) {
      drawn("card", card, () => {
        const holder = $("cardSheet");
        holder.replaceChildren();
        if (!card) return;
        const lines = [["card-title", card.title], ["card-about", card.about], ["card-about", card.spread], ["card-place", card.place]].map(([name, words]) => {
          const p = document.createElement("p");
          p.className = name;
          p.textContent = words;
          return p;
        });
        // Read down each column, then the next.
        const table = document.createElement("table");
        table.className = `card-rows columns-${card.columns}`;
        const head = table.createTHead().insertRow();
        for (let c = 0; c < card.columns; ++c)
          for (const caption of card.captions) head.append(Object.assign(document.createElement("th"), { textContent: caption }));
        const body = table.createTBody(), tall = Math.ceil(card.rows.length / card.columns);
        for (let r = 0; r < tall; ++r) {
          const tr = body.insertRow();
          for (let c = 0; c < card.columns; ++c) for (const cell of card.rows[c * tall + r] ?? card.captions.map(() => "")) tr.insertCell().textContent = cell;
        }
        // The title across the page; what it is for and where beside the code, never under it.
        const [title, ...about] = lines, top = document.createElement("div"), words = document.createElement("div");
        top.className = "card-top";
        words.append(...about);
        top.append(words, leadOf(card.link, "lead_card", say));
        holder.append(title, top, table);
      });
    },
    // The link that reopens the calculation the sheet answers, as a QR code and in text.
    lead(link, say) {
      drawn("lead", link, () => {
        const heading = document.createElement("h2");
        heading.textContent = say("lead_heading");
        $("sheetLead").replaceChildren(heading, leadOf(link, "lead_sheet", say));
      });
    },
    // The date and time of printing, in the browser's time zone: 2025-12-09 14:05, on the sheet and
    // at the head of each of its pages.
    stamp(now = new Date()) {
      const stamp = `${now.getFullYear()}-${two(now.getMonth() + 1)}-${two(now.getDate())} ${two(now.getHours())}:${two(now.getMinutes())}`;
      for (const e of [$("sheetDate"), ...document.querySelectorAll("#sheetPages .page-date")]) e.textContent = stamp;
    },
    entries(rows) { drawn("entries", rows, () => pairs("sheetEntries", rows)); },
    answers(rows) { drawn("answers", rows, () => pairs("sheetAnswers", rows)); },
    // The curve as drawn on the screen now (key: what it was drawn from), or none.
    curve(svg, key) {
      drawn("curve", svg ? key : null, () => {
        $("sheetCurveSection").hidden = !svg;
        $("sheetCurve").replaceChildren(...(svg ? [copyOf(svg, "sheet")] : []));
      });
    },
    // A rating table as the core read it: its title, column captions, the rows that go on paper
    // (numbers at fixed places) and the note that says how many there are. A row's notes are a key
    // (say("note_key")), each note's words once in the legend under the table, so that a row
    // takes one line.
    table({ title, captions, printed_rows: rows, sheet_note: note, note_column: noteColumn = -1, printed_notes: notes = [] }, say) {
      drawn("table", [title, captions, rows, note, noteColumn, notes], () => {
        $("sheetTableSection").hidden = false;
        $("sheetTable").tHead.rows[0].replaceChildren(...captions.map((caption) => {
          const th = document.createElement("th");
          th.textContent = caption;
          return th;
        }));
        const keys = new Map();
        const body = document.createDocumentFragment();
        const keyOf = (words) => {
          if (!keys.has(words)) keys.set(words, say("note_key", { n: keys.size + 1 }));
          return keys.get(words);
        };
        rows.forEach((cells, i) => {
          const tr = document.createElement("tr");
          cells.forEach((cell, k) => {
            const td = tr.insertCell();
            if (k !== noteColumn) return void (td.textContent = cell);
            td.textContent = (notes[i] ?? (cell ? [cell] : [])).map(keyOf).join(" ");
            td.className = "note-key";
          });
          body.append(tr);
        });
        $("sheetTable").tBodies[0].replaceChildren(body);
        $("sheetTableLegend").replaceChildren(...[...keys].map(([words, key]) => {
          const p = document.createElement("p");
          p.append(Object.assign(document.createElement("span"), { className: "key", textContent: key }), words);
          return p;
        }));
        $("sheetTableNote").textContent = `${title}${note}`;
      });
    },
    noTable() {
      drawn("table", null, () => {
        $("sheetTableSection").hidden = true;
        $("sheetTable").tBodies[0].replaceChildren();
        $("sheetTableLegend").replaceChildren();
      });
    },

    // Each printed document's own title, hence its PDF's name (titles: {sheet, gauge, card}, the
    // core's words), while it prints; the page's own again after.
    title(what, titles) { document.title = titles?.[what] ?? pageTitle; },
    untitle() { document.title = pageTitle; },

    // The sheet set on A4 pages, where it changed since: each page under its heading with the date;
    // a heading never last on a page, but with three rows at least of what it heads; a table's
    // captions again at the top of each page it runs on. Measuring the sheet is the page's costliest
    // step, so it is done for the paper alone, the sheet laid out only meanwhile.
    // head: the core's words for each page's title, project, site and diameter; pageOf(n, N):
    // its "n / N".
    paginate(head, pageOf) {
      const sheetParts = ["title", "entries", "answers", "curve", "table", "lead"].map((part) => keys.get(part));
      drawn("pages", [head, sheetParts], () => {
        $("sheet").classList.add("measured");
        try {
          $("sheetPages").replaceChildren(...pagesOf(head, pageOf));
        } finally {
          $("sheet").classList.remove("measured");
        }
      });
    },
  };

  // A QR code of a link with what scanning it opens, and the link in text, which is all there is
  // where the link is too long for a code of the box's size (the core's words: say(name, values)).
  function leadOf(link, words, say) {
    const figure = document.createElement("figure");
    figure.className = "lead";
    const code = app.qrCode(link, 40);
    const caption = document.createElement("figcaption");
    caption.textContent = code ? say(words) : say("lead_too_long", { length: link.length });
    const text = document.createElement("p");
    text.className = "lead-link";
    text.textContent = link;
    figure.append(...(code ? [code] : []), caption, text);
    return figure;
  }

  // Where a table's rows start pages (their indices), given the room on the page it starts on and
  // on a page of its own: as many rows a page as fit, and the last page with a few rows at least
  // where the page before can spare them, so that no page holds only a table's last row or two.
  const keptAtEnd = 4;
  function rowPages(heights, first, later) {
    const starts = [0];
    let room = first;
    heights.forEach((h, i) => {
      if (h > room && i > starts.at(-1)) {
        starts.push(i);
        room = later;
      }
      room -= h;
    });
    const n = starts.length;
    if (n > 1 && heights.length - starts[n - 1] < keptAtEnd)
      starts[n - 1] = Math.max(heights.length - keptAtEnd, starts[n - 2] + 1);
    return new Set(starts);
  }

  // The pages of the sheet as it is laid out now.
  function pagesOf(head, pageOf) {
    const pages = [];
    let page = null, room = 0, table = null;
    let copies = 0;
    const copy = (element) => copyOf(element, `page${++copies}`);
    const newPage = () => {
      page = document.createElement("section");
      page.className = "sheet-page";
      pages.push(page);
      room = pageHeight - pageHeadHeight;
      table = null;
    };
    const place = (element, height) => {
      page.append(element);
      room -= height;
    };
    newPage();
    const full = pageHeight - pageHeadHeight, fresh = () => room >= full - 0.5;
    const sum = (items) => items.reduce((h, [, height]) => h + height, 0);
    for (const block of blocksOf($("sheet"))) {
      const headingHeight = block.heading.reduce((h, e) => h + heightOf(e), 0), headHeight = block.head ? heightOf(block.head) : 0;
      // A block that fits on a page is kept whole on one; a longer one starts where its heading fits
      // with its first rows.
      const whole = headingHeight + headHeight + sum(block.items);
      const needed = headingHeight + headHeight + sum(block.items.slice(0, keptWithHeading));
      if (!fresh() && (whole <= full ? whole > room : needed > room)) newPage();
      for (const e of block.heading) place(copy(e), heightOf(e));
      const rows = block.table ? block.items.filter(([item]) => item.tagName.toLowerCase() === "tr") : [];
      const starts = rowPages(rows.map(([, height]) => height), room - headHeight, full - headHeight);
      let row = 0;
      for (const [item, height] of block.items) {
        if (!rows.length || item.tagName.toLowerCase() !== "tr") {
          if (height > room && !fresh()) newPage();
          place(copy(item), height);
          continue;
        }
        if (row > 0 && starts.has(row)) newPage();
        ++row;
        if (!table) {
          table = block.table.cloneNode(false);
          table.removeAttribute("id");
          if (block.head) table.append(block.head.cloneNode(true));
          table.append(document.createElement("tbody"));
          place(table, headHeight);
        }
        table.tBodies[0].append(item.cloneNode(true));
        room -= height;
      }
      table = null;
    }
    pages.forEach((p, i) => {
      const top = document.createElement("div");
      top.className = "page-head";
      // On one line: the project and the site shortened with an ellipsis where they must be, never
      // the title, the diameter, the date or "n / N".
      const parts = head.map((words, k) => Object.assign(document.createElement("span"), { textContent: words, className: k === 1 || k === 2 ? "free" : "" }));
      const right = document.createElement("span"), date = document.createElement("span");
      date.className = "page-date";
      date.textContent = $("sheetDate").textContent;
      right.append(date, ` ${pageOf(i + 1, pages.length)}`);
      right.className = "end";
      top.append(...parts, right);
      p.prepend(top);
    });
    return pages;
  }
})();
