// Put into a copy of a long log's report page by report_browser_test.cpp, opened
// at "#spike=TIME&value=VALUE": a lone value of the TAS column at TIME (log time)
// that the overview's bucket loses to a larger one beside it. Once the page is
// ready it hovers at TIME and reads the TAS legend, drag-zooms twice around
// TIME and reads it again. On <html> it writes data-spike-overview and
// data-spike-zoomed (the legend's TAS at TIME) and data-spike-level (the level drawn).
(function () {
  'use strict';
  const root = document.documentElement;
  const settle = () => new Promise((done) => setTimeout(done, 0));
  const wanted = /spike=([0-9.]+)/.exec(location.hash);

  function mouse(target, type, x) {
    const box = target.getBoundingClientRect();
    target.dispatchEvent(new MouseEvent(type, { bubbles: true, button: 0, clientX: box.left + x * box.width,
      clientY: box.top + box.height / 2, movementX: 1 }));
  }
  // Where time `t` lies across the first chart, as a fraction of its width.
  function across(t) {
    const [min, max] = root.dataset.span.split(',').map(Number);
    return (t - min) / (max - min);
  }
  function legendAt(over, label, t) {
    mouse(over, 'mousemove', across(t));
    for (const row of document.querySelectorAll('.chart .u-legend tr.u-series'))
      if (row.querySelector('.u-label').textContent === label) return row.querySelector('.u-value').textContent;
    return '(no legend ' + label + ')';
  }
  async function zoom(over, from, to) {
    for (const [type, t] of [['mousedown', from], ['mousemove', (from + to) / 2], ['mousemove', to], ['mouseup', to]])
      mouse(over, type, across(t));
    await settle();
    await settle();
  }

  async function drive() {
    while (root.dataset.state !== 'ready') await settle();
    const data = JSON.parse(document.getElementById('report-data').textContent);
    const t = Number(wanted[1]) - data.flights[0].offset;
    const label = data.series[data.panels[0].left[0]].label;
    const over = document.querySelector('.chart .u-over');
    root.dataset.spikeOverview = legendAt(over, label, t);
    await zoom(over, t - 600, t + 600);
    await zoom(over, t - 30, t + 30);
    root.dataset.spikeZoomed = legendAt(over, label, t);
    root.dataset.spikeLevel = root.dataset.level;
  }
  drive();
})();
