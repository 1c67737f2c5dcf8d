// Put into a copy of a report page by report_browser_test.cpp. Once the page is
// ready it clicks every event button in turn, dragging a zoom on some chart or
// double-clicking a reset between some clicks, and after each click compares
// the legends' time and the panel with the event's time. It writes on <html>:
// data-clicked (buttons clicked), data-misses (disagreements, each listed in
// #misses), data-marker-clashes (charts with two legend markers alike) and
// data-y-lines (horizontal cursor lines shown), then data-driven="done".
(function () {
  'use strict';
  const root = document.documentElement;
  const misses = [];
  const settle = () => new Promise((done) => setTimeout(done, 0));

  // A mouse event at `x` (a fraction of the width) across the middle of `target`; moving (uPlot ignores a drag's still moves).
  function mouse(target, type, x) {
    const box = target.getBoundingClientRect();
    target.dispatchEvent(new MouseEvent(type, { bubbles: true, button: 0, clientX: box.left + x * box.width,
      clientY: box.top + box.height / 2, movementX: 1 }));
  }
  // Drags across the middle of a chart, as a user zooms.
  function dragZoom(over) {
    mouse(over, 'mousedown', 0.3);
    mouse(over, 'mousemove', 0.45);
    mouse(over, 'mousemove', 0.6);
    mouse(over, 'mouseup', 0.6);
  }

  // The picture the panel should show: the one at the event's time, else
  // (another flight's event on a comparison page) the first flight's nearest.
  function expectedFrame(frames, t) {
    return frames.reduce((best, f) => (Math.abs(f.t - t) < Math.abs(best - t) ? f.t : best), Infinity);
  }

  function check(button, frames) {
    const t = Number(button.dataset.t), name = button.textContent + ' (flight ' + button.dataset.flight + ')';
    for (const value of document.querySelectorAll('.chart .u-legend tr.u-series:first-child .u-value'))
      if (value.textContent !== t.toFixed(2)) misses.push(name + ': legend at ' + value.textContent);
    const frame = button.dataset.flight === '0' ? t : expectedFrame(frames, t);
    const caption = document.getElementById('panel-caption').textContent;
    if (!caption.startsWith('The panel at ' + frame.toFixed(1) + ' s ')) misses.push(name + ': ' + caption);
    if (root.dataset.frameTime !== String(frame)) misses.push(name + ': frame-time ' + root.dataset.frameTime);
  }

  // Markers alike within a chart cannot tell its series apart; a marker must be a line, wider than tall.
  function markerClashes() {
    let clashes = 0;
    for (const chart of document.querySelectorAll('.chart')) {
      const looks = new Set();
      const markers = chart.querySelectorAll('.u-legend tr.u-series:not(:first-child) .u-marker');
      for (const marker of markers) {
        const style = getComputedStyle(marker);
        if (marker.offsetWidth > marker.offsetHeight) looks.add(style.backgroundColor + style.backgroundImage);
      }
      if (looks.size !== markers.length) ++clashes;
    }
    return clashes;
  }

  async function drive() {
    while (root.dataset.state !== 'ready') await settle();
    const frames = JSON.parse(document.getElementById('report-data').textContent).frames;
    const overs = document.querySelectorAll('.chart .u-over');
    const buttons = document.querySelectorAll('button.event');
    for (let k = 0; k < buttons.length; ++k) {
      if (k % 4 === 1) dragZoom(overs[k % overs.length]);
      if (k % 4 === 3) mouse(overs[k % overs.length], 'dblclick', 0.5);
      await settle();
      buttons[k].click();
      await settle();
      check(buttons[k], frames);
    }
    root.dataset.clicked = String(buttons.length);
    root.dataset.misses = String(misses.length);
    root.dataset.markerClashes = String(markerClashes());
    root.dataset.yLines = String([...document.querySelectorAll('.u-cursor-y')]
      .filter((line) => getComputedStyle(line).display !== 'none').length);
    const list = document.createElement('ul');
    list.id = 'misses';
    list.replaceChildren(...misses.map((text) => Object.assign(document.createElement('li'), { textContent: text })));
    document.body.appendChild(list);
    root.dataset.driven = 'done';
  }
  drive();
})();
