// Put into a copy of a report page by report_browser_test.cpp. Once the page is
// ready it clicks every event button in turn, with a drag-zoom or a reset on
// some chart before some clicks, and after each click compares every legend's
// time and the panel with the event's time. On <html> it writes data-clicked,
// data-misses (what disagreed), data-marker-clashes (charts with two legend
// markers alike, or one not a line), data-y-lines (horizontal cursor lines shown),
// data-panel-legend (the legend under the panel, if it is shown below the
// picture) and data-hatched-pixels (pixels of the hatching's grey in the panel shown).
(function () {
  'use strict';
  const root = document.documentElement;
  const misses = [];
  const settle = () => new Promise((done) => setTimeout(done, 0));

  // A mouse event at `x`, a fraction of the target's width; it moves, since uPlot ignores a drag's still moves.
  function mouse(target, type, x) {
    const box = target.getBoundingClientRect();
    target.dispatchEvent(new MouseEvent(type, { bubbles: true, button: 0, clientX: box.left + x * box.width,
      clientY: box.top + box.height / 2, movementX: 1 }));
  }

  // The panel shows the first flight's picture at its event's time; for another
  // flight's event (a comparison page), the first flight's last at or before it.
  function check(button, frames) {
    const t = Number(button.dataset.t), name = button.textContent + ' of flight ' + button.dataset.flight;
    for (const value of document.querySelectorAll('.chart .u-legend tr.u-series:first-child .u-value'))
      if (value.textContent !== t.toFixed(2)) misses.push(name + ': legend at ' + value.textContent);
    const frame = button.dataset.flight === '0' ? t
      : frames.reduce((best, f) => (f.t <= t && f.t > best ? f.t : best), frames[0].t);
    const caption = document.getElementById('panel-caption').textContent;
    if (!caption.startsWith('The replayed panel at ' + frame.toFixed(1) + ' s ')) misses.push(name + ': ' + caption);
  }

  function markerClashes() {
    return [...document.querySelectorAll('.chart')].filter((chart) => {
      const markers = chart.querySelectorAll('.u-legend tr.u-series:not(:first-child) .u-marker');
      const looks = new Set([...markers].filter((m) => m.offsetWidth > m.offsetHeight)
        .map((m) => getComputedStyle(m).backgroundColor + getComputedStyle(m).backgroundImage));
      return looks.size !== markers.length;
    }).length;
  }

  // The legend's text when it is laid out below the picture, inside the panel's figure; else "(not shown)".
  function panelLegend() {
    const legend = document.getElementById('panel-legend'), picture = document.getElementById('panel-picture');
    if (!legend || legend.offsetHeight === 0 || getComputedStyle(legend).visibility !== 'visible') return '(not shown)';
    return legend.getBoundingClientRect().top >= picture.getBoundingClientRect().bottom - 1
      && legend.closest('#panel') ? legend.textContent : '(not shown)';
  }

  // The shown picture's own pixels (not as scaled on the page) in the hatching's grey, 0x8A8A8A.
  function hatchedPixels() {
    const picture = document.getElementById('panel-picture'), canvas = document.createElement('canvas');
    canvas.width = picture.naturalWidth;
    canvas.height = picture.naturalHeight;
    const context = canvas.getContext('2d');
    context.drawImage(picture, 0, 0);
    const data = context.getImageData(0, 0, canvas.width, canvas.height).data;
    let count = 0;
    for (let i = 0; i < data.length; i += 4) count += data[i] === 0x8a && data[i + 1] === 0x8a && data[i + 2] === 0x8a;
    return count;
  }

  async function drive() {
    while (root.dataset.state !== 'ready') await settle();
    const frames = JSON.parse(document.getElementById('report-data').textContent).frames;
    const overs = document.querySelectorAll('.chart .u-over'), buttons = document.querySelectorAll('button.event');
    for (let k = 0; k < buttons.length; ++k) {
      const over = overs[k % overs.length];
      if (k % 4 === 1) for (const [type, x] of [['mousedown', 0.3], ['mousemove', 0.45], ['mousemove', 0.6], ['mouseup', 0.6]])
        mouse(over, type, x);
      if (k % 4 === 3) mouse(over, 'dblclick', 0.5);
      await settle();
      buttons[k].click();
      await settle();
      check(buttons[k], frames);
    }
    root.dataset.markerClashes = String(markerClashes());
    root.dataset.yLines = String([...document.querySelectorAll('.u-cursor-y')]
      .filter((line) => getComputedStyle(line).display !== 'none').length);
    root.dataset.panelLegend = panelLegend();
    const picture = document.getElementById('panel-picture');
    while (!picture.complete) await settle();
    root.dataset.hatchedPixels = String(hatchedPixels());
    root.dataset.misses = misses.join(' | ');
    root.dataset.clicked = String(buttons.length);
  }
  drive();
})();
