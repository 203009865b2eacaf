"use strict";
// A QR code of a link, so that paper leads back to its calculation: encoded by Debian's
// qrcode-generator (loaded before this script), drawn as one SVG path at half a millimetre a
// module, in a box of `box` mm at most. None where the link would need modules finer than a phone
// reads from print.
(() => {
  const svgNS = "http://www.w3.org/2000/svg";
  const finest = 0.4, module = 0.5;  // mm: five and six dots at 300 dpi, read by a phone from a hand's length
  const quiet = 4;     // modules of white about the code, as the standard asks

  app.qrCode = (link, box) => {
    // A link is ASCII once escaped; the encoder writes a byte for each character.
    const text = /^[\x20-\x7e]*$/.test(link) ? link : encodeURI(link);
    let code;
    try {
      code = qrcode(0, "M");
      code.addData(text, "Byte");
      code.make();
    } catch {
      return null;  // longer than the largest code holds
    }
    const count = code.getModuleCount(), side = count + 2 * quiet;
    if (box / side < finest) return null;
    const size = Math.min(box, side * module).toFixed(2);
    let dark = "";
    for (let r = 0; r < count; ++r)
      for (let c = 0; c < count; ++c) if (code.isDark(r, c)) dark += `M${c + quiet} ${r + quiet}h1v1h-1z`;
    const svg = document.createElementNS(svgNS, "svg");
    const set = (e, attributes) => Object.entries(attributes).forEach(([k, v]) => e.setAttribute(k, v));
    set(svg, { viewBox: `0 0 ${side} ${side}`, width: `${size}mm`, height: `${size}mm`, "shape-rendering": "crispEdges", class: "qr" });
    const ground = document.createElementNS(svgNS, "rect"), path = document.createElementNS(svgNS, "path");
    set(ground, { width: side, height: side, fill: "white" });
    set(path, { d: dark, fill: "black" });
    svg.append(ground, path);
    return svg;
  };
})();
