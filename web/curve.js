"use strict";
// The curve's drawing: flow against head for the window's weir, from the core's own points and
// figures (in the chosen flow unit), with its marks; the read-off, a slider over the curve's
// non-negative part; and the curve as a file, a standalone SVG or a PNG.
(() => {
  const svgNS = "http://www.w3.org/2000/svg";
  const plot = { left: 62, right: 546, top: 16, bottom: 284, width: 560, height: 330 };

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

  class CurveView {
    // readOff(diameterText, headMm) gives the core's {head, flow} texts there, or {} where the
    // formula gives none.
    constructor(svg, readout, readOff) {
      Object.assign(this, { svg, readout, readOff });
      this.curve = null;
      this.scale = null;  // the drawn curve's axes: {xMax, yMax}
      this.cursorHead = null;
      svg.addEventListener("pointermove", (e) => this.pointAt(e));
      svg.addEventListener("pointerdown", (e) => this.pointAt(e));
      svg.addEventListener("keydown", (e) => this.key(e));
    }

    x(head) { return plot.left + (head / this.scale.xMax) * (plot.right - plot.left); }
    y(flow) { return plot.bottom - (flow / this.scale.yMax) * (plot.bottom - plot.top); }

    // curve: vordanel_curve's answer; marks: {answer: the window's head text, head: the head
    // entry's {mm, flow, text} or null}.
    show(curve, marks) {
      const { svg } = this;
      this.curve = curve;
      svg.replaceChildren();
      const defs = el("defs", {});
      const clip = el("clipPath", { id: "plotArea" });
      clip.append(el("rect", { x: plot.left, y: plot.top - 4, width: plot.right - plot.left, height: plot.bottom - plot.top + 4 }));
      defs.append(clip);
      svg.append(defs);
      svg.append(el("rect", { class: "plot", x: plot.left, y: plot.top, width: plot.right - plot.left, height: plot.bottom - plot.top }));
      if (!curve.ok) {
        this.scale = null;
        svg.append(el("text", { class: "empty", x: (plot.left + plot.right) / 2, y: (plot.top + plot.bottom) / 2 },
                      "堰の径(mm)を入れると曲線を描きます"));
        this.slider();
        return;
      }
      const symbol = curve.symbol;
      const answer = marks.answer === "" ? NaN : Number(marks.answer);
      const within = (v) => Number.isFinite(v) && v > 0 && v <= 3 * curve.zero_head_mm;
      const bracket = curve.bracket_mm ? [Math.min(...curve.bracket_mm), Math.max(...curve.bracket_mm)] : null;
      let xMax = curve.zero_head_mm;
      for (const v of [bracket?.[1], answer, marks.head?.mm]) if (within(v)) xMax = Math.max(xMax, v);
      let yMax = curve.peak_flow * 1.12;
      if (curve.flow > 0 && curve.flow <= 2 * curve.peak_flow) yMax = Math.max(yMax, curve.flow * 1.08);
      const xStep = niceStep(xMax * 1.02), yStep = niceStep(yMax);
      this.scale = { xMax: Math.ceil(xMax * 1.02 / xStep) * xStep, yMax: Math.ceil(yMax / yStep) * yStep };
      const x = (v) => this.x(v), y = (v) => this.y(v), { scale } = this;

      const axes = el("g", { class: "axes" });
      for (let v = 0; v <= scale.xMax + xStep / 2; v += xStep) {
        axes.append(el("line", { class: "grid", x1: x(v), x2: x(v), y1: plot.top, y2: plot.bottom }));
        axes.append(el("text", { class: "tick", x: x(v), y: plot.bottom + 16, "text-anchor": "middle" }, tickText(v)));
      }
      for (let v = 0; v <= scale.yMax + yStep / 2; v += yStep) {
        axes.append(el("line", { class: "grid", x1: plot.left, x2: plot.right, y1: y(v), y2: y(v) }));
        axes.append(el("text", { class: "tick", x: plot.left - 6, y: y(v) + 4, "text-anchor": "end" }, tickText(v)));
      }
      axes.append(el("text", { class: "axis-title", x: (plot.left + plot.right) / 2, y: plot.bottom + 36, "text-anchor": "middle" },
                     "越流高さ(mm) [底部から]"));
      axes.append(el("text", { class: "axis-title", x: 14, y: (plot.top + plot.bottom) / 2, "text-anchor": "middle",
                               transform: `rotate(-90 14 ${(plot.top + plot.bottom) / 2})` }, `流量(${symbol})`));
      svg.append(axes);

      const drawn = el("g", { "clip-path": "url(#plotArea)" });
      if (bracket) {
        const from = Math.max(0, Math.min(bracket[0], scale.xMax)), to = Math.max(0, Math.min(bracket[1], scale.xMax));
        drawn.append(el("rect", { class: "bracket", x: x(from), y: plot.top, width: Math.max(x(to) - x(from), 1), height: plot.bottom - plot.top }));
        drawn.append(el("text", { class: "bracket-label", x: x(from) + 4, y: plot.top + 12 }, "挟込み範囲"));
      }
      const top = curve.diameter_mm;
      if (top <= scale.xMax) {
        drawn.append(el("line", { class: "weir-top", x1: x(top), x2: x(top), y1: plot.top, y2: plot.bottom }));
        drawn.append(el("text", { class: "weir-top-label", x: x(top) + 4, y: plot.bottom - 6 }, "堰の上端 (越流高さ＝径)"));
      }
      const path = curve.points.map(([h, q], i) => `${i ? "L" : "M"}${x(h).toFixed(2)} ${y(q).toFixed(2)}`).join("");
      drawn.append(el("path", { id: "curveLine", class: "curve", d: path }));
      if (curve.flow !== null && curve.flow <= scale.yMax && curve.flow >= 0) {
        drawn.append(el("line", { class: "flow", x1: plot.left, x2: plot.right, y1: y(curve.flow), y2: y(curve.flow) }));
        drawn.append(el("text", { class: "flow-label", x: plot.right - 4, y: y(curve.flow) - 5, "text-anchor": "end" },
                        `流量 ${curve.flow_text} ${symbol}`));
        for (const head of curve.heads) {
          drawn.append(el("circle", { class: `meet ${head.side}`, cx: x(head.mm), cy: y(curve.flow), r: 4 }));
          drawn.append(el("text", { class: "meet-label", x: x(head.mm) + (head.side === "rising" ? -6 : 6),
                                    y: y(curve.flow) + 16, "text-anchor": head.side === "rising" ? "end" : "start" },
                          `${head.text} mm`));
        }
      }
      const peakX = x(curve.peak_head_mm), peakY = y(curve.peak_flow);
      drawn.append(el("circle", { class: "peak", cx: peakX, cy: peakY, r: 4.5 }));
      drawn.append(el("text", { class: "peak-label", x: peakX, y: peakY - 9, "text-anchor": "middle" },
                      `最大 ${curve.peak_flow_text} ${symbol}・${curve.peak_head_text} mm`));
      if (within(answer) && answer <= scale.xMax) {
        drawn.append(el("line", { class: "answer", x1: x(answer), x2: x(answer), y1: plot.top, y2: plot.bottom }));
        const flowY = curve.flow !== null && curve.flow <= scale.yMax ? y(curve.flow) : plot.top + 24;
        drawn.append(el("circle", { class: "answer", cx: x(answer), cy: flowY, r: 6 }));
        drawn.append(el("text", { class: "answer-label", x: x(answer) + 7, y: plot.top + 26 }, `計算 ${marks.answer} mm`));
      }
      const head = marks.head;
      if (head && head.mm >= 0 && head.mm <= scale.xMax && head.flow >= 0 && head.flow <= scale.yMax) {
        drawn.append(el("line", { class: "head-mark", x1: x(head.mm), x2: x(head.mm), y1: plot.bottom, y2: y(head.flow) }));
        drawn.append(el("line", { class: "head-mark", x1: plot.left, x2: x(head.mm), y1: y(head.flow), y2: y(head.flow) }));
        drawn.append(el("rect", { class: "head-mark", x: x(head.mm) - 4, y: y(head.flow) - 4, width: 8, height: 8 }));
        // A caption in the plot's upper left, where no other mark's label goes.
        drawn.append(el("text", { class: "head-label", x: plot.left + 6, y: plot.top + 28 },
                        `${head.text} mm → ${head.flowText} ${symbol}`));
      }
      svg.append(drawn);
      svg.append(el("g", { id: "cursor" }));
      this.showCursor(this.cursorHead);
    }

    // The read-off's steps: a round number of millimetres near a hundredth of the curve's span,
    // so that a head such as 35 mm is reached from zero.
    step() { return 10 ** Math.floor(Math.log10(this.curve.end_head_mm / 100)); }

    // The slider's state for a screen reader: the head now, over the curve's non-negative part.
    slider(read) {
      const { svg, curve } = this;
      const ok = Boolean(curve?.ok);
      svg.setAttribute("aria-valuemin", "0");
      svg.setAttribute("aria-valuemax", ok ? String(curve.end_head_mm) : "0");
      svg.setAttribute("aria-valuenow", String(ok && this.cursorHead !== null ? this.cursorHead : 0));
      const text = !ok ? "曲線がありません" : read?.head !== undefined ? `越流高さ ${read.head} mm、流量 ${read.flow} ${curve.symbol}`
        : "←→キーで越流高さを選ぶと流量を読みます";
      svg.setAttribute("aria-valuetext", text);
      return text;
    }

    // Reads the curve off at a head, kept on the curve's non-negative part: the core's flow there,
    // marked and told.
    showCursor(head) {
      const cursor = this.svg.querySelector("#cursor");
      if (!this.scale || !cursor || head === null) {
        this.slider();
        return;
      }
      this.cursorHead = Math.min(Math.max(head, 0), this.curve.end_head_mm);
      const read = this.readOff(this.curve.diameter_text, this.cursorHead);
      cursor.replaceChildren();
      if (read.head === undefined) {
        this.readout.textContent = "この越流高さでは式が流量を与えません。";
        this.slider();
        return;
      }
      const flow = Number(read.flow_value);
      cursor.append(el("line", { class: "cursor", x1: this.x(this.cursorHead), x2: this.x(this.cursorHead), y1: plot.top, y2: plot.bottom }));
      if (flow >= 0 && flow <= this.scale.yMax) cursor.append(el("circle", { class: "cursor", cx: this.x(this.cursorHead), cy: this.y(flow), r: 4 }));
      this.readout.textContent = this.slider(read);
    }

    pointAt(event) {
      if (!this.scale) return;
      const point = new DOMPoint(event.clientX, event.clientY).matrixTransform(this.svg.getScreenCTM().inverse());
      if (point.x < plot.left - 8 || point.x > plot.right + 8) return;
      this.showCursor(((point.x - plot.left) / (plot.right - plot.left)) * this.scale.xMax);
    }

    key(e) {
      const keys = ["ArrowLeft", "ArrowRight", "ArrowDown", "ArrowUp", "PageDown", "PageUp", "Home", "End"];
      if (!this.scale || !keys.includes(e.key)) return;
      e.preventDefault();
      const step = this.step() * (e.shiftKey || e.key.startsWith("Page") ? 10 : 1);
      const from = this.cursorHead ?? 0;
      // Whole steps, so that the heads read are round numbers.
      const down = Math.ceil(from / step - 1e-9) * step - step, up = Math.floor(from / step + 1e-9) * step + step;
      this.showCursor({ ArrowLeft: down, ArrowDown: down, PageDown: down, ArrowRight: up, ArrowUp: up, PageUp: up,
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
      const height = plot.height + 28;
      copy.setAttribute("xmlns", svgNS);
      copy.setAttribute("viewBox", `0 -28 ${plot.width} ${height}`);
      copy.setAttribute("width", String(plot.width));
      copy.setAttribute("height", String(height));
      copy.prepend(el("rect", { x: 0, y: -28, width: plot.width, height, fill: "#fff" }));
      copy.prepend(style);
      copy.prepend(el("title", {}, caption));
      copy.append(el("text", { class: "caption", x: plot.left, y: -10, "font-size": 14 }, caption));
      return new XMLSerializer().serializeToString(copy);
    }

    // The same as a PNG `width` pixels wide, drawn by the browser from that SVG.
    async png(svgText, width) {
      const url = URL.createObjectURL(new Blob([svgText], { type: "image/svg+xml" }));
      try {
        const image = new Image();
        image.src = url;
        await image.decode();
        const canvas = document.createElement("canvas");
        canvas.width = width;
        canvas.height = Math.round(width * (plot.height + 28) / plot.width);
        const context = canvas.getContext("2d");
        context.fillStyle = "#fff";
        context.fillRect(0, 0, canvas.width, canvas.height);
        context.drawImage(image, 0, 0, canvas.width, canvas.height);
        return await new Promise((resolve, reject) => canvas.toBlob((b) => (b ? resolve(b) : reject(new Error("no PNG"))), "image/png"));
      } finally {
        URL.revokeObjectURL(url);
      }
    }
  }

  app.CurveView = CurveView;
})();
