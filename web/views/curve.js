"use strict";
// The curve's drawing: flow against head for the window's weir, from the core's own points and
// figures (in the chosen flow unit), with its marks; the read-off, a slider over the curve's
// non-negative part; and the curve as a file, a standalone SVG or a PNG. Every label is measured
// and set where it lies whole inside the plot, clear of the others and of every line drawn, with a
// leader line back to what it names where it had to move away.
(() => {
  const svgNS = "http://www.w3.org/2000/svg";
  const frame = { width: 560, height: 330, top: 16, bottom: 284, right: 528 };

  function niceStep(range) {
    const raw = range / 5;
    const power = 10 ** Math.floor(Math.log10(raw));
    return [1, 2, 2.5, 5, 10].map((m) => m * power).find((s) => s >= raw);
  }
  const tickText = (v) => String(Number(v.toPrecision(12)));

  function el(name, attributes, text) {
    const e = document.createElementNS(svgNS, name);
    for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
    if (text !== undefined) e.textContent = text;
    return e;
  }

  const overlaps = (a, b) => a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
  // Whether a segment [x1, y1, x2, y2] passes through a box (Liang–Barsky: the part of the segment
  // left once clipped to each side of the box in turn).
  function crosses([x1, y1, x2, y2], box) {
    let t0 = 0, t1 = 1;
    const dx = x2 - x1, dy = y2 - y1;
    for (const [p, q] of [[-dx, x1 - box.x], [dx, box.x + box.width - x1], [-dy, y1 - box.y], [dy, box.y + box.height - y1]]) {
      if (p === 0) {
        if (q < 0) return false;
        continue;
      }
      const t = q / p;
      if (p < 0) t0 = Math.max(t0, t);
      else t1 = Math.min(t1, t);
      if (t0 > t1) return false;
    }
    return true;
  }

  // The box a text takes, as drawn, or as its size in the font estimates it where the drawing
  // is not laid out (a page in the background): a full-width glyph 1 em, others 0.6 em.
  function boxOf(text) {
    try {
      const box = text.getBBox();
      if (box.width > 0) return { x: box.x, y: box.y, width: box.width, height: box.height };
    } catch { /* not laid out */ }
    const size = parseFloat(getComputedStyle(text).fontSize) || 12;
    const width = [...text.textContent].reduce((w, c) => w + (c.codePointAt(0) > 0x2e80 ? 1 : 0.6) * size, 0);
    const anchor = text.getAttribute("text-anchor");
    const x = Number(text.getAttribute("x")) - (anchor === "end" ? width : anchor === "middle" ? width / 2 : 0);
    return { x, y: Number(text.getAttribute("y")) - 0.88 * size, width, height: 1.15 * size };
  }

  // Sets labels one after another, each at the first of its places that lies inside the plot and
  // clear of the labels set before it; where none does, at the free place nearest its first, with a
  // leader line to the point it names.
  // A label at a place: its lines (tspans) each start there.
  function setAt(text, { x, y, anchor = "start" }) {
    Object.entries({ x, y, "text-anchor": anchor }).forEach(([k, v]) => text.setAttribute(k, v));
    for (const line of text.querySelectorAll("tspan")) line.setAttribute("x", x);
  }
  // Words on two lines, broken at the space that leaves the longer line shortest; null for one word.
  function halvesOf(words) {
    let best = null;
    for (let i = words.indexOf(" "); i > 0; i = words.indexOf(" ", i + 1)) {
      const halves = [words.slice(0, i), words.slice(i + 1)], longer = Math.max(...halves.map((h) => [...h].length));
      if (!best || longer < best.longer) best = { halves, longer };
    }
    return best?.halves ?? null;
  }

  // Every line drawn (the curve's polyline, the weir top, the bracket's edges, the flow, the answer,
  // the read-off's lines, the leaders) is a set of segments that no label may cross either.
  const raster = 2, rasterWidth = Math.ceil(frame.width / raster), rasterHeight = Math.ceil(frame.height / raster);
  class Labels {
    constructor(layer, area) {
      // placed: what no label may cover (labels and marks); labels: the labels alone.
      // cells: the segments by the square of the plot (cell px a side) their bounds touch, so that
      // a box is tried against the segments near it alone.
      // marks: the same as a raster of 2 px squares, each marked where a line's stroke reaches it,
      // with its summed-area table: a box whose inner squares hold a mark is crossed for certain,
      // told at once, which the search over the plot asks of thousands of boxes.
      Object.assign(this, { layer, area, placed: [], labels: [], cells: new Map(),
                            marks: new Uint8Array(rasterWidth * rasterHeight), sums: null });
    }
    marked(box) {
      if (!this.sums) {
        const w = rasterWidth + 1;
        this.sums = new Int32Array(w * (rasterHeight + 1));
        for (let y = 0; y < rasterHeight; ++y)
          for (let x = 0, row = 0; x < rasterWidth; ++x) {
            row += this.marks[y * rasterWidth + x];
            this.sums[(y + 1) * w + x + 1] = this.sums[y * w + x + 1] + row;
          }
      }
      const x0 = Math.max(0, Math.ceil(box.x / raster)), y0 = Math.max(0, Math.ceil(box.y / raster));
      const x1 = Math.min(rasterWidth, Math.floor((box.x + box.width) / raster)), y1 = Math.min(rasterHeight, Math.floor((box.y + box.height) / raster));
      if (x1 <= x0 || y1 <= y0) return false;
      const w = rasterWidth + 1, t = this.sums;
      return t[y1 * w + x1] - t[y0 * w + x1] - t[y1 * w + x0] + t[y0 * w + x0] > 0;
    }
    cellsOf(box, each) {
      const cell = 24;
      for (let cx = Math.floor(box.x / cell); cx <= Math.floor((box.x + box.width) / cell); ++cx)
        for (let cy = Math.floor(box.y / cell); cy <= Math.floor((box.y + box.height) / cell); ++cy) if (each(cx * 4096 + cy)) return true;
      return false;
    }
    // A drawn line through the points [[x, y], ...], its stroke `width` wide.
    line(points, width = 1.5) {
      const pad = width / 2 + 1;
      for (let i = 1; i < points.length; ++i) {
        const [[x1, y1], [x2, y2]] = [points[i - 1], points[i]];
        const segment = { at: [x1, y1, x2, y2], bounds: { x: Math.min(x1, x2) - pad, y: Math.min(y1, y2) - pad,
                                                          width: Math.abs(x2 - x1) + 2 * pad, height: Math.abs(y2 - y1) + 2 * pad }, pad };
        this.cellsOf(segment.bounds, (key) => void (this.cells.get(key) ?? this.cells.set(key, []).get(key)).push(segment));
        // Its stroke's squares, from points along it half a square apart.
        const n = Math.ceil(Math.hypot(x2 - x1, y2 - y1) / (raster / 2)) + 1;
        for (let k = 0; k <= n; ++k) {
          const px = x1 + ((x2 - x1) * k) / n, py = y1 + ((y2 - y1) * k) / n;
          for (let gx = Math.floor((px - pad) / raster); gx <= Math.floor((px + pad) / raster); ++gx)
            for (let gy = Math.floor((py - pad) / raster); gy <= Math.floor((py + pad) / raster); ++gy)
              if (gx >= 0 && gy >= 0 && gx < rasterWidth && gy < rasterHeight) this.marks[gy * rasterWidth + gx] = 1;
        }
        this.sums = null;
      }
    }
    fits(box) {
      const a = this.area;
      return box.x >= a.x && box.y >= a.y && box.x + box.width <= a.x + a.width && box.y + box.height <= a.y + a.height
        && !this.placed.some((p) => overlaps(p, box)) && !this.marked(box)
        && !this.cellsOf(box, (key) => this.cells.get(key)?.some(({ at, bounds, pad }) => overlaps(bounds, box)
          && crosses(at, { x: box.x - pad, y: box.y - pad, width: box.width + 2 * pad, height: box.height + 2 * pad })));
    }
    // places: [{x, y, anchor}], the first preferred; point: [x, y] the label names, or null.
    // Where no place is free for the label as it is, it is tried a little smaller, then on two
    // lines (broken at the space that evens them), smaller again.
    add(className, words, places, point = null) {
      const text = el("text", { class: className, "text-anchor": places[0].anchor ?? "start" }, words);
      this.layer.append(text);
      const size = parseFloat(getComputedStyle(text).fontSize) || 12;
      const halves = halvesOf(words);
      // Never smaller than 11 px as drawn, however narrow the curve has become.
      const svg = this.layer.ownerSVGElement, drawn = svg && svg.getBoundingClientRect().width / svg.viewBox.baseVal.width;
      const readable = (scale) => scale === 1 || (drawn > 0 && size * scale * drawn >= 11.05);
      for (const [scale, lines] of [[1, 1], [0.92, 1], [0.85, 1], [1, 2], [0.92, 2], [0.85, 2], [0.72, 2]]) {
        if ((lines === 2 && !halves) || !readable(scale)) continue;
        text.style.fontSize = scale === 1 ? "" : `${(size * scale).toFixed(2)}px`;
        if (lines === 1) text.textContent = words;
        // The space kept at the first line's end, so that the label reads as its words.
        else text.replaceChildren(el("tspan", {}, `${halves[0]} `), el("tspan", { dy: "1.15em" }, halves[1]));
        const found = this.placeFor(text, places, point);
        if (!found) continue;
        const { chosen, box, leader } = found;
        setAt(text, chosen);
        this.placed.push(box);
        this.labels.push(box);
        if (leader) {
          this.layer.insertBefore(el("line", { class: "leader", x1: point[0], y1: point[1], x2: leader[0], y2: leader[1] }), text);
          this.line([point, leader], 0.8);
        }
        return text;
      }
      text.remove();
      return null;
    }
    // The first of the places where the text lies free, or the free place nearest the first on a
    // grid over the plot, with its leader's end (one that crosses no label): {chosen, box, leader}.
    placeFor(text, places, point) {
      setAt(text, places[0]);
      const first = boxOf(text);
      // The box's offset from its anchor point, for a text set with text-anchor start.
      const shift = { start: 0, middle: 0.5, end: 1 };
      const ox = first.x - places[0].x + shift[places[0].anchor ?? "start"] * first.width, oy = first.y - places[0].y;
      const at = (p) => ({ x: p.x + ox - shift[p.anchor ?? "start"] * first.width, y: p.y + oy, width: first.width, height: first.height });
      const chosen = places.find((p) => this.fits(at(p)));
      if (chosen) return { chosen, box: at(chosen), leader: null };
      const want = at(places[0]), a = this.area, step = 6;
      const leaderTo = (box) => {
        if (!point) return null;
        const end = [Math.min(Math.max(point[0], box.x), box.x + box.width), Math.min(Math.max(point[1], box.y), box.y + box.height)];
        return this.labels.some((l) => crosses([...point, ...end], l)) ? undefined : end;
      };
      // The grid's places nearest the first first: the first free one is the answer.
      const grid = [];
      for (let by = a.y; by + first.height <= a.y + a.height; by += step)
        for (let bx = a.x; bx + first.width <= a.x + a.width; bx += step) grid.push([(bx - want.x) ** 2 + (by - want.y) ** 2, bx, by]);
      grid.sort((u, v) => u[0] - v[0]);
      for (const [, bx, by] of grid) {
        const chosen = { x: bx - ox, y: by - oy, anchor: "start" }, box = at(chosen);
        if (!this.fits(box)) continue;
        const leader = leaderTo(box);
        if (leader !== undefined) return { chosen, box, leader };
      }
      return null;
    }
    // A mark's own space (a point, a line's end), which no label may cover.
    keep(box) { this.placed.push(box); }
  }

  class CurveView {
    // readOff(headMm) gives the core's {head, flow, flow_value} there, or {} where the formula gives
    // none; point(headMm) tells of a head pointed at, cursor() the head the state keeps.
    constructor(svg, readout, { readOff, point, cursor }) {
      Object.assign(this, { svg, readout, readOff, point, cursor });
      this.curve = null;
      this.scale = null;  // the drawn curve's axes: {xMax, yMax}
      this.plot = { ...frame, left: 62 };
      this.drawn = null;
      this.words = {};
      svg.addEventListener("pointermove", (e) => this.pointAt(e));
      svg.addEventListener("pointerdown", (e) => this.pointAt(e));
      svg.addEventListener("keydown", (e) => this.key(e));
    }

    x(head) { return this.plot.left + (head / this.scale.xMax) * (this.plot.right - this.plot.left); }
    y(flow) { return this.plot.bottom - (flow / this.scale.yMax) * (this.plot.bottom - this.plot.top); }

    // curve: vordanel_curve's answer; marks: {answer: the window's fresh head {mm, text} or null,
    // head: the head entry's fresh {mm, flow, text, flow_text} or null}; words: the core's.
    show(curve, marks, words) {
      const drawnKey = JSON.stringify([curve, marks]);
      if (drawnKey === this.drawn) return;
      this.drawn = drawnKey;
      this.words = words;
      const { svg } = this, say = (name, values = {}) => (words[name] ?? "").replace(/\{([a-z_]+)\}/g, (_, k) => String(values[k] ?? ""));
      this.curve = curve;
      svg.replaceChildren();
      if (!curve.ok) {
        this.plot = { ...frame, left: 62 };
        const plot = this.plot;
        svg.append(el("rect", { class: "plot", x: plot.left, y: plot.top, width: plot.right - plot.left, height: plot.bottom - plot.top }));
        this.scale = null;
        svg.append(el("text", { class: "empty", x: (plot.left + plot.right) / 2, y: (plot.top + plot.bottom) / 2 }, curve.empty_caption));
        return;
      }
      const symbol = curve.symbol, answer = marks.answer?.mm ?? NaN;
      const within = (v) => Number.isFinite(v) && v > 0 && v <= 3 * curve.zero_head_mm;
      const bracket = curve.bracket_mm ? [Math.min(...curve.bracket_mm), Math.max(...curve.bracket_mm)] : null;
      let xMax = curve.zero_head_mm;
      for (const v of [bracket?.[1], answer, marks.head?.mm]) if (within(v)) xMax = Math.max(xMax, v);
      let yMax = curve.peak_flow * 1.12;
      if (curve.flow > 0 && curve.flow <= 2 * curve.peak_flow) yMax = Math.max(yMax, curve.flow * 1.08);
      const xStep = niceStep(xMax * 1.02), yStep = niceStep(yMax);
      this.scale = { xMax: Math.ceil(xMax * 1.02 / xStep) * xStep, yMax: Math.ceil(yMax / yStep) * yStep };
      const { scale } = this;

      // The flow's ticks first: the plot starts where the widest of them leaves room.
      const axes = el("g", { class: "axes" });
      svg.append(axes);
      const yTicks = [];
      for (let v = 0; v <= scale.yMax + yStep / 2; v += yStep) {
        const tick = el("text", { class: "tick", x: 0, y: 0, "text-anchor": "end" }, tickText(v));
        axes.append(tick);
        yTicks.push([v, tick]);
      }
      const widest = Math.max(...yTicks.map(([, tick]) => boxOf(tick).width));
      this.plot = { ...frame, left: Math.max(62, Math.ceil(widest) + 34) };
      const plot = this.plot, x = (v) => this.x(v), y = (v) => this.y(v);
      axes.prepend(el("rect", { class: "plot", x: plot.left, y: plot.top, width: plot.right - plot.left, height: plot.bottom - plot.top }));
      for (const [v, tick] of yTicks) {
        tick.setAttribute("x", plot.left - 6);
        tick.setAttribute("y", y(v) + 4);
        axes.insertBefore(el("line", { class: "grid", x1: plot.left, x2: plot.right, y1: y(v), y2: y(v) }), tick);
      }
      for (let v = 0; v <= scale.xMax + xStep / 2; v += xStep) {
        axes.append(el("line", { class: "grid", x1: x(v), x2: x(v), y1: plot.top, y2: plot.bottom }));
        axes.append(el("text", { class: "tick", x: x(v), y: plot.bottom + 16, "text-anchor": "middle" }, tickText(v)));
      }
      axes.append(el("text", { class: "axis-title", x: (plot.left + plot.right) / 2, y: plot.bottom + 36, "text-anchor": "middle" },
                     curve.head_axis));
      // Turned, the flow's title has its ascent to the left of its baseline: the baseline stands in
      // far enough for it to be whole, which a narrow screen's larger text needs.
      const middle = (plot.top + plot.bottom) / 2, flowTitle = el("text", { class: "axis-title", x: 14, y: middle, "text-anchor": "middle" }, curve.flow_axis);
      axes.append(flowTitle);
      const titleX = Math.max(14, Math.ceil(middle - boxOf(flowTitle).y) + 1);
      flowTitle.setAttribute("x", titleX);
      flowTitle.setAttribute("transform", `rotate(-90 ${titleX} ${middle})`);

      const defs = el("defs", {});
      const clip = el("clipPath", { id: "plotArea" });
      clip.append(el("rect", { x: plot.left, y: plot.top - 4, width: plot.right - plot.left, height: plot.bottom - plot.top + 4 }));
      defs.append(clip);
      svg.prepend(defs);

      const drawn = el("g", { "clip-path": "url(#plotArea)" });
      const marksLayer = el("g", {});
      const labels = new Labels(el("g", { class: "labels" }), { x: plot.left + 2, y: plot.top + 2, width: plot.right - plot.left - 4, height: plot.bottom - plot.top - 4 });
      const keepPoint = (cx, cy, r) => labels.keep({ x: cx - r, y: cy - r, width: 2 * r, height: 2 * r });
      const vertical = (at, width) => labels.line([[at, plot.top], [at, plot.bottom]], width);
      if (bracket) {
        const from = Math.max(0, Math.min(bracket[0], scale.xMax)), to = Math.max(0, Math.min(bracket[1], scale.xMax));
        drawn.append(el("rect", { class: "bracket", x: x(from), y: plot.top, width: Math.max(x(to) - x(from), 1), height: plot.bottom - plot.top }));
        vertical(x(from), 0);
        vertical(x(from) + Math.max(x(to) - x(from), 1), 0);
      }
      const top = curve.diameter_mm;
      if (top <= scale.xMax) {
        drawn.append(el("line", { class: "weir-top", x1: x(top), x2: x(top), y1: plot.top, y2: plot.bottom }));
        vertical(x(top), 1);
      }
      const drawnPoints = curve.points.map(([h, q]) => [Number(x(h).toFixed(2)), Number(y(q).toFixed(2))]);
      const path = drawnPoints.map(([px, py], i) => `${i ? "L" : "M"}${px} ${py}`).join("");
      drawn.append(el("path", { id: "curveLine", class: "curve", d: path }));
      labels.line(drawnPoints, 2.2);
      const flowShown = curve.flow !== null && curve.flow <= scale.yMax && curve.flow >= 0;
      if (flowShown) {
        drawn.append(el("line", { class: "flow", x1: plot.left, x2: plot.right, y1: y(curve.flow), y2: y(curve.flow) }));
        labels.line([[plot.left, y(curve.flow)], [plot.right, y(curve.flow)]], 1.5);
      }
      const peakX = x(curve.peak_head_mm), peakY = y(curve.peak_flow);
      marksLayer.append(el("circle", { class: "peak", cx: peakX, cy: peakY, r: 4.5 }));
      keepPoint(peakX, peakY, 5);
      const answerShown = within(answer) && answer <= scale.xMax;
      const flowY = flowShown ? y(curve.flow) : plot.top + 24;
      if (answerShown) {
        drawn.append(el("line", { class: "answer", x1: x(answer), x2: x(answer), y1: plot.top, y2: plot.bottom }));
        vertical(x(answer), 1.5);
        marksLayer.append(el("circle", { class: "answer", cx: x(answer), cy: flowY, r: 6 }));
        keepPoint(x(answer), flowY, 7);
      }
      if (flowShown) for (const head of curve.heads) {
        marksLayer.append(el("circle", { class: `meet ${head.side}`, cx: x(head.mm), cy: y(curve.flow), r: 4 }));
        keepPoint(x(head.mm), y(curve.flow), 5);
      }
      const head = marks.head;
      const headShown = head && head.mm >= 0 && head.mm <= scale.xMax && head.flow >= 0 && head.flow <= scale.yMax;
      if (headShown) {
        drawn.append(el("line", { class: "head-mark", x1: x(head.mm), x2: x(head.mm), y1: plot.bottom, y2: y(head.flow) }));
        drawn.append(el("line", { class: "head-mark", x1: plot.left, x2: x(head.mm), y1: y(head.flow), y2: y(head.flow) }));
        labels.line([[x(head.mm), plot.bottom], [x(head.mm), y(head.flow)], [plot.left, y(head.flow)]], 1.2);
        marksLayer.append(el("rect", { class: "head-mark", x: x(head.mm) - 4, y: y(head.flow) - 4, width: 8, height: 8 }));
        keepPoint(x(head.mm), y(head.flow), 5);
      }
      svg.append(drawn, marksLayer, labels.layer);

      // The labels, the most wanted first: each names its mark beside it, or moves.
      if (answerShown) {
        const ax = x(answer);
        labels.add("answer-label", say("answer_label", { head: marks.answer.text }),
                   [{ x: ax + 7, y: plot.top + 26 }, { x: ax - 7, y: plot.top + 26, anchor: "end" },
                    { x: ax + 7, y: plot.top + 44 }, { x: ax - 7, y: plot.top + 44, anchor: "end" }], [ax, plot.top + 20]);
      }
      if (flowShown) for (const h of curve.heads) {
        const hx = x(h.mm), fy = y(curve.flow), side = h.side === "rising" ? -1 : 1, anchor = side < 0 ? "end" : "start";
        const other = side < 0 ? "start" : "end";
        labels.add("meet-label", say("head_label", { head: h.text }),
                   [{ x: hx + 6 * side, y: fy + 16, anchor }, { x: hx + 6 * side, y: fy - 8, anchor },
                    { x: hx - 6 * side, y: fy + 16, anchor: other }, { x: hx - 6 * side, y: fy - 8, anchor: other },
                    { x: hx + 6 * side, y: fy + 30, anchor }, { x: hx + 6 * side, y: fy - 22, anchor }], [hx, fy]);
      }
      labels.add("peak-label", curve.peak_label,
                 [{ x: peakX, y: peakY - 9, anchor: "middle" }, { x: peakX, y: peakY + 18, anchor: "middle" },
                  { x: peakX + 8, y: peakY - 9 }, { x: peakX - 8, y: peakY - 9, anchor: "end" },
                  { x: peakX + 8, y: peakY + 18 }, { x: peakX - 8, y: peakY + 18, anchor: "end" }], [peakX, peakY]);
      if (flowShown) {
        const fy = y(curve.flow);
        labels.add("flow-label", curve.flow_label,
                   [{ x: plot.right - 4, y: fy - 5, anchor: "end" }, { x: plot.right - 4, y: fy + 14, anchor: "end" },
                    { x: plot.left + 4, y: fy - 5 }, { x: plot.left + 4, y: fy + 14 }], [plot.right - 4, fy]);
      }
      if (headShown) {
        labels.add("head-label", say("head_mark_label", { head: head.text, flow: head.flow_text, symbol }),
                   [{ x: plot.left + 6, y: plot.top + 28 }, { x: x(head.mm) + 8, y: y(head.flow) - 6 },
                    { x: x(head.mm) - 8, y: y(head.flow) - 6, anchor: "end" }], [x(head.mm), y(head.flow)]);
      }
      if (bracket) {
        const from = x(Math.max(0, Math.min(bracket[0], scale.xMax)));
        labels.add("bracket-label", curve.bracket_caption, [{ x: from + 4, y: plot.top + 12 }, { x: from + 4, y: plot.bottom - 6 }]);
      }
      if (top <= scale.xMax) {
        labels.add("weir-top-label", curve.weir_top_caption,
                   [{ x: x(top) + 4, y: plot.bottom - 6 }, { x: x(top) - 4, y: plot.bottom - 6, anchor: "end" },
                    { x: x(top) + 4, y: plot.bottom - 22 }, { x: x(top) - 4, y: plot.bottom - 22, anchor: "end" }], [x(top), plot.bottom - 10]);
      }
      svg.append(el("g", { id: "cursor" }));
    }

    // The read-off's steps: a round number of millimetres near a hundredth of the curve's span,
    // so that a head such as 35 mm is reached from zero.
    step() { return 10 ** Math.floor(Math.log10(this.curve.end_head_mm / 100)); }

    // The read-off at a head (the state's), kept on the curve's non-negative part: the core's flow
    // there, marked, told under the curve and to a screen reader; the hint where there is none.
    showCursor(head) {
      const { svg, curve, words } = this;
      const ok = Boolean(curve?.ok && this.scale);
      const at = ok && head !== null ? Math.min(Math.max(head, 0), curve.end_head_mm) : null;
      const read = at === null ? null : this.readOff(at);
      const key = JSON.stringify([this.drawn, at]);
      if (key === this.cursorKey) return;
      this.cursorKey = key;
      const cursor = svg.querySelector("#cursor");
      cursor?.replaceChildren();
      svg.setAttribute("aria-valuemin", "0");
      svg.setAttribute("aria-valuemax", ok ? String(curve.end_head_mm) : "0");
      svg.setAttribute("aria-valuenow", String(at ?? 0));
      const fill = (name, values) => (words[name] ?? "").replace(/\{([a-z_]+)\}/g, (_, k) => String(values[k] ?? ""));
      let told;
      if (!ok) told = words.no_curve ?? "";
      else if (at === null) told = words.read_off_hint ?? "";
      else if (read.head === undefined) told = words.read_off_none ?? "";
      else {
        told = fill("read_off", { head: read.head, flow: read.flow, symbol: curve.symbol });
        const flow = Number(read.flow_value);
        cursor.append(el("line", { class: "cursor", x1: this.x(at), x2: this.x(at), y1: this.plot.top, y2: this.plot.bottom }));
        if (flow >= 0 && flow <= this.scale.yMax) cursor.append(el("circle", { class: "cursor", cx: this.x(at), cy: this.y(flow), r: 4 }));
      }
      svg.setAttribute("aria-valuetext", told);
      if (this.readout.textContent !== (at === null && ok ? words.read_off_prompt ?? told : told))
        this.readout.textContent = at === null && ok ? words.read_off_prompt ?? told : told;
    }

    pointAt(event) {
      if (!this.scale) return;
      const point = new DOMPoint(event.clientX, event.clientY).matrixTransform(this.svg.getScreenCTM().inverse());
      if (point.x < this.plot.left - 8 || point.x > this.plot.right + 8) return;
      this.point(((point.x - this.plot.left) / (this.plot.right - this.plot.left)) * this.scale.xMax);
    }

    key(e) {
      const keys = ["ArrowLeft", "ArrowRight", "ArrowDown", "ArrowUp", "PageDown", "PageUp", "Home", "End"];
      if (!this.scale || !keys.includes(e.key)) return;
      e.preventDefault();
      const step = this.step() * (e.shiftKey || e.key.startsWith("Page") ? 10 : 1);
      // From the head the read-off shows: the state's, kept on the curve's non-negative part.
      const from = Math.min(Math.max(this.cursor() ?? 0, 0), this.curve.end_head_mm);
      // Whole steps, so that the heads read are round numbers.
      const down = Math.ceil(from / step - 1e-9) * step - step, up = Math.floor(from / step + 1e-9) * step + step;
      this.point({ ArrowLeft: down, ArrowDown: down, PageDown: down, ArrowRight: up, ArrowUp: up, PageUp: up,
                   Home: 0, End: this.curve.end_head_mm }[e.key]);
    }

    // The curve as a standalone SVG: its own style (the page's rules for the curve), a caption
    // above, and no read-off cursor. `fontFace`: an @font-face rule to carry along, or "".
    svgText(caption, fontFace = "") {
      const copy = this.svg.cloneNode(true);
      copy.querySelector("#cursor")?.remove();
      for (const name of ["role", "tabindex", "aria-label", "aria-describedby", "aria-valuemin", "aria-valuemax",
                          "aria-valuenow", "aria-valuetext", "id"]) copy.removeAttribute(name);
      const rules = [...document.styleSheets].flatMap((sheet) => [...sheet.cssRules])
        .filter((rule) => rule.selectorText?.startsWith(".curve-art ")).map((rule) => rule.cssText.replaceAll(".curve-art", "svg"));
      const family = getComputedStyle(this.svg).fontFamily;
      const style = el("style", {}, `${fontFace}\nsvg { font-family: ${family}; background: #fff; }\n${rules.join("\n")}`);
      const height = frame.height + 28;
      copy.setAttribute("xmlns", svgNS);
      copy.setAttribute("viewBox", `0 -28 ${frame.width} ${height}`);
      copy.setAttribute("width", String(frame.width));
      copy.setAttribute("height", String(height));
      copy.prepend(el("rect", { x: 0, y: -28, width: frame.width, height, fill: "#fff" }));
      copy.prepend(style);
      copy.prepend(el("title", {}, caption));
      copy.append(el("text", { class: "caption", x: this.plot.left, y: -10, "font-size": 14 }, caption));
      return new XMLSerializer().serializeToString(copy);
    }

    // The same as a PNG `width` pixels wide, drawn by the browser from that SVG.
    async png(svgText, width) {
      const url = URL.createObjectURL(new Blob([svgText], { type: "image/svg+xml" }));
      try {
        const image = new Image();
        image.src = url;
        await image.decode();
        return await app.png(image, width, Math.round(width * (frame.height + 28) / frame.width));
      } finally {
        URL.revokeObjectURL(url);
      }
    }
  }

  app.CurveView = CurveView;
})();
