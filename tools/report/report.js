// The flight report's page script. It runs before the chart library, so that
// every failure is recorded: script errors, console errors, blocked content
// (the page's policy allows only its own inline script, style and data:
// pictures) and any resource the browser fetched. On load it draws one uPlot
// chart per panel, all sharing one cursor (cursor.sync) and one time scale,
// shows the last panel picture at or before the cursor's row, and writes what it holds on
// <html> as data attributes, which the browser tests read back.
(function () {
  'use strict';
  const root = document.documentElement;
  const failures = [];

  function fail(kind, text) {
    failures.push(kind + ': ' + text);
    root.dataset.failures = String(failures.length);
    showFailures();
  }
  function showFailures() {
    const list = document.getElementById('failures');
    if (!list) return;
    list.hidden = failures.length === 0;
    list.replaceChildren(...failures.map((text) => {
      const item = document.createElement('li');
      item.textContent = text;
      return item;
    }));
  }
  root.dataset.failures = '0';
  window.addEventListener('error', (e) => fail('error', e.message || String(e.target && e.target.src)), true);
  window.addEventListener('unhandledrejection', (e) => fail('rejection', String(e.reason)));
  document.addEventListener('securitypolicyviolation', (e) => fail('blocked', e.violatedDirective + ' ' + e.blockedURI));
  const consoleError = console.error;
  console.error = function (...args) { fail('console', args.join(' ')); consoleError.apply(console, args); };
  try {
    new PerformanceObserver((list) => {
      for (const entry of list.getEntries())
        if (!entry.name.startsWith('data:')) fail('request', entry.name);
    }).observe({ type: 'resource', buffered: true });
  } catch (e) {
    fail('observer', e.message);
  }

  // A time axis's tick: seconds below an hour, h:mm:ss from an hour on (as the summary prints times).
  function clockText(t) {
    if (t == null || !(t >= 3600)) return t == null ? '' : String(Math.round(t * 1000) / 1000);
    return timeText(t, 0);
  }
  // A time with `places` decimals: seconds below an hour, else h:mm:ss (its seconds with the decimals).
  function timeText(t, places) {
    if (!(t >= 3600)) return t.toFixed(places);
    const scale = 10 ** places, rounded = Math.round(t * scale) / scale, minutes = Math.floor(rounded / 60);
    const two = (n) => String(n).padStart(2, '0');
    return Math.floor(minutes / 60) + ':' + two(minutes % 60) + ':' +
      (rounded - minutes * 60).toFixed(places).padStart(places ? places + 3 : 2, '0');
  }

  // The index of the value in sorted `values` nearest to `t`.
  function nearest(values, t) {
    let low = 0, high = values.length - 1;
    if (high < 0) return -1;
    while (low < high) {
      const mid = (low + high) >> 1;
      if (values[mid] < t) low = mid + 1; else high = mid;
    }
    return low > 0 && t - values[low - 1] <= values[low] - t ? low - 1 : low;
  }

  // What the page shows now: the data, the charts and the picture chosen.
  const page = { data: null, charts: [], frameTimes: [], shown: -1, shownFor: null, syncing: false };

  // The index of the last of sorted `values` at or before `t` (the first when none is).
  function atOrBefore(values, t) {
    let low = 0, high = values.length;
    while (low < high) {
      const mid = (low + high) >> 1;
      if (values[mid] <= t) low = mid + 1; else high = mid;
    }
    return values.length ? Math.max(0, low - 1) : -1;
  }

  // The panel as it stood at `t`: the last picture at or before it, never one of a later
  // moment; the caption names the cursor's time when the picture is of an earlier row.
  function showPanelAt(t) {
    const i = atOrBefore(page.frameTimes, t);
    if (i < 0 || (i === page.shown && page.shownFor === t)) return;
    const frame = page.data.frames[i];
    if (i !== page.shown) document.getElementById('panel-picture').src = frame.src;
    page.shown = i;
    page.shownFor = t;
    const at = (time) => timeText(time, 1) + (time >= 3600 ? '' : ' s');
    document.getElementById('panel-caption').textContent = 'The replayed panel at ' + at(frame.t) + ' (row index ' +
      frame.index + ')' + (frame.event ? ', an event' : '') +
      (frame.t < t ? ', the last picture before the cursor at ' + at(t) : '') +
      ': the logged readouts as the module draws them, the rest hatched' +
      (frame.indexShown ? '' : '; the row-index box shows another count');
    root.dataset.frameTime = String(frame.t);
  }

  // How many of the sorted `times` lie in [min, max].
  function countWithin(times, min, max) {
    // How many lie before `t`, or at it too when `inclusive`.
    const before = (t, inclusive) => {
      let low = 0, high = times.length;
      while (low < high) {
        const mid = (low + high) >> 1;
        if (times[mid] < t || (inclusive && times[mid] === t)) low = mid + 1; else high = mid;
      }
      return low;
    };
    return before(max, true) - before(min, false);
  }
  // A long flight has finer levels of buckets beside its overview, finest
  // first: a chart draws each flight from the finest level whose rows in the
  // span shown fit the chart, two to a pixel (a bucket's low and high), else
  // from the overview. The key names each flight's level ('o': the overview).
  function levelKey(u, min, max) {
    const room = 2 * Math.max(1, u.bbox.width / devicePixelRatio);
    return page.data.flights.map((f) => {
      const k = (f.levels || []).findIndex((level) => countWithin(level.table.t, min, max) <= room);
      return k < 0 ? 'o' : String(k);
    }).join(',');
  }
  // Swaps the charts' data for the levels the span needs; true when one changed.
  // (setData without resetting the scales takes effect at the chart's next setScale.)
  function setLevels(min, max) {
    let changed = false;
    for (const u of page.charts) {
      const key = levelKey(u, min, max);
      if (key === u.levelKey) continue;
      u.levelKey = key;
      u.setData(u.levelData(key), false);
      changed = true;
    }
    root.dataset.level = page.charts.length ? page.charts[0].levelKey : '';
    root.dataset.points = page.charts.length ? String(page.charts[0].data[0].length) : '0';
    return changed;
  }

  // How many rows the first chart holds in the span shown, for the tests.
  function noteVisible(min, max) {
    if (!page.charts.length) return;
    const times = page.charts[0].data[0];
    root.dataset.visiblePoints = String(nearest(times, max) - nearest(times, min) + 1);
    root.dataset.span = min + ',' + max;
  }

  // Every chart's time scale follows the one the user zoomed or reset.
  function followScale(u, key) {
    if (key !== 'x' || page.syncing) return;
    const min = u.scales.x.min, max = u.scales.x.max;
    page.syncing = true;
    for (const other of page.charts)
      if (other !== u) other.setScale('x', { min: min, max: max });
    page.syncing = false;
    noteVisible(min, max);
    // Not inside the chart's own hook: the finer data is set, and every scale again, right after.
    if (page.charts.some((chart) => levelKey(chart, min, max) !== chart.levelKey))
      setTimeout(() => setTimeScale(min, max), 0);
  }

  // Sets every chart's time scale at once, each drawing from the level it needs. A
  // chart applies a new scale only when it commits (later, in a microtask), so each
  // sets its own inside a batch, which commits on return: positions read afterwards
  // are those of the new scale.
  function setTimeScale(min, max) {
    setLevels(min, max);
    page.syncing = true;
    for (const u of page.charts) u.batch(() => u.setScale('x', { min: min, max: max }));
    page.syncing = false;
    noteVisible(min, max);
  }

  // Puts the one cursor on the row at time `t`; the other charts follow through cursor.sync.
  function moveCursor(t) {
    const u = page.charts[0];
    // true, true: fire this chart's hooks and publish the cursor to the synced charts.
    u.setCursor({ left: u.valToPos(t, 'x'), top: u.bbox.height / devicePixelRatio / 2 }, true, true);
    // The panel of the row the cursor went to: a time between rows goes to the nearest row.
    page.shown = -1;
    showPanelAt(u.cursor.idx != null ? u.data[0][u.cursor.idx] : t);
  }

  // The panel follows the row the cursor is on: the same row whose values the legends show.
  function followCursor(u) {
    const i = u.cursor.idx;
    if (i != null && u.cursor.left >= 0) showPanelAt(u.data[0][i]);
  }

  function shade(u, spans, colour) {
    u.ctx.fillStyle = colour;
    for (const [from, to] of spans) {
      const x0 = u.valToPos(from, 'x', true), x1 = u.valToPos(to, 'x', true);
      u.ctx.fillRect(x0, u.bbox.top, Math.max(x1 - x0, 1), u.bbox.height);
    }
  }

  // Under the lines: the panel's yellow and red bands (each with its fill, from the band table), pauses in
  // grey, stalls in red.
  function drawMarks(u, panel) {
    const ctx = u.ctx, box = u.bbox;
    ctx.save();
    ctx.beginPath();
    ctx.rect(box.left, box.top, box.width, box.height);
    ctx.clip();
    for (const [from, to, , fill] of panel.bands) {
      const y0 = u.valToPos(Math.min(to, u.scales.y.max), 'y', true);
      const y1 = u.valToPos(Math.max(from, u.scales.y.min), 'y', true);
      ctx.fillStyle = fill;
      if (y1 > y0) ctx.fillRect(box.left, y0, box.width, y1 - y0);
    }
    for (const flight of page.data.flights) {
      shade(u, flight.pauses, 'rgba(150,150,150,0.3)');
      if (panel.stall) shade(u, flight.stalls, 'rgba(230,30,30,0.22)');
    }
    ctx.restore();
  }

  const DASHES = [undefined, [6, 3], [2, 2]];
  // A legend marker drawn as a short piece of its line: the line's colour, and its dash as stripes.
  function lineSample(u, i) {
    const series = u.series[i], colour = series.stroke(u, i);
    if (!series.dash) return colour;
    let at = 0;
    const stops = series.dash.map((length, k) => (k % 2 ? 'transparent ' : colour + ' ') + at + 'px ' + (at += length) + 'px');
    return 'repeating-linear-gradient(to right, ' + stops.join(', ') + ')';
  }
  // One line per column of the panel and flight: the column's colour, or the flight's beside others.
  function chartSeries(panel, columns) {
    const data = page.data, several = data.flights.length > 1;
    const series = [{ label: 'time (s)', value: (u, v) => (v == null ? '–' : timeText(v, 2)) }];
    data.flights.forEach((flight, f) => columns.forEach((c, k) => {
      const style = data.series[c];
      series.push({
        label: several ? style.label + ' · ' + flight.label : style.label,
        stroke: several ? flight.colour : style.colour,
        dash: several ? DASHES[k % DASHES.length] : undefined,
        width: 1.5,
        scale: k < panel.left.length ? 'y' : 'r',
        spanGaps: false,
      });
    }));
    return series;
  }

  const CHART_HEIGHT = 200;
  const RIGHT_AXIS_SIZE = 70;
  function chartWidth() { return Math.max(320, document.getElementById('charts').clientWidth - 2); }

  // Several flights on one time axis: a flight's gap (null) spreads over the
  // times only the others have, so its line stays cut there (uPlot.join's NULL_EXPAND).
  function joined(tables) {
    if (tables.length === 1) return tables[0];
    return uPlot.join(tables, tables.map((table) => table.map(() => 2)));
  }

  function makeChart(panel) {
    const columns = panel.left.concat(panel.right);
    const tableOf = (table) => [table.t].concat(columns.map((c) => table.s[c]));
    const overview = page.data.flights.map((f) => tableOf(f.table));
    const levelData = (key) => joined(key.split(',').map((k, i) =>
      (k === 'o' ? overview[i] : tableOf(page.data.flights[i].levels[Number(k)].table))));
    const last = panel === page.data.panels[page.data.panels.length - 1];
    const axes = [{ label: last ? 'time (s)' : undefined, size: last ? 50 : 30, values: (u, ticks) => ticks.map(clockText) },
      { scale: 'y', label: panel.label, size: 60, space: 24 }];
    // Every chart keeps the same right margin, so their time axes line up and the one cursor stands
    // at the same place in all of them.
    axes.push(panel.right.length
      ? { scale: 'r', side: 1, label: panel.rightLabel, size: RIGHT_AXIS_SIZE, space: 24, grid: { show: false } }
      : { scale: 'y', side: 1, label: '', size: RIGHT_AXIS_SIZE, values: () => [], ticks: { show: false }, grid: { show: false } });
    const element = document.createElement('div');
    element.className = 'chart';
    document.getElementById('charts').appendChild(element);
    const u = new uPlot({
      width: chartWidth(), height: CHART_HEIGHT, series: chartSeries(panel, columns), axes: axes,
      scales: { x: { time: false } },
      cursor: { sync: { key: 'flight' }, drag: { x: true, y: false } },
      legend: { markers: { width: 0, fill: lineSample } },
      hooks: {
        drawClear: [(u) => drawMarks(u, panel)],
        setCursor: [followCursor],
        setScale: [followScale],
      },
    }, joined(overview), element);
    u.levelKey = page.data.flights.map(() => 'o').join(',');
    u.levelData = levelData;
    return u;
  }

  // An event's button zooms all charts around its time and puts the cursor on it.
  function goToEvent(button) {
    const t = Number(button.dataset.t);
    const x = page.charts[0].scales.x;
    const half = Math.max(20 * page.data.period, (x.max - x.min) * 0.05);
    setTimeScale(t - half, t + half);
    for (const other of document.querySelectorAll('button.event.current')) other.classList.remove('current');
    button.classList.add('current');
    moveCursor(t);
  }

  // The event list shows the kinds whose box is ticked; <html> says how many events are listed.
  function filterEvents() {
    const shown = new Set();
    for (const box of document.querySelectorAll('input.event-kind')) if (box.checked) shown.add(box.dataset.kind);
    let listed = 0;
    for (const item of document.querySelectorAll('ol.events li')) {
      item.hidden = !shown.has(item.dataset.kind);
      if (!item.hidden) ++listed;
    }
    root.dataset.eventsListed = String(listed);
  }

  function start() {
    page.data = JSON.parse(document.getElementById('report-data').textContent);
    page.frameTimes = page.data.frames.map((f) => f.t);
    for (const panel of page.data.panels) page.charts.push(makeChart(panel));
    window.addEventListener('resize', () => {
      for (const u of page.charts) u.setSize({ width: chartWidth(), height: CHART_HEIGHT });
    });
    const buttons = document.querySelectorAll('button.event');
    for (const button of buttons) button.addEventListener('click', () => goToEvent(button));
    root.dataset.level = page.charts[0].levelKey;
    root.dataset.points = root.dataset.visiblePoints = String(page.charts[0].data[0].length);
    root.dataset.charts = String(page.charts.length);
    root.dataset.series = String(page.charts.reduce((n, u) => n + u.series.length - 1, 0));
    root.dataset.events = String(buttons.length);
    for (const box of document.querySelectorAll('input.event-kind')) box.addEventListener('change', filterEvents);
    filterEvents();
    root.dataset.frames = String(page.data.frames.length);
    if (page.frameTimes.length) showPanelAt(page.frameTimes[0]);
    showFailures();
    // The charts set their scales in a microtask after they are made: the
    // cursor can be placed, and the page called ready, only after that.
    setTimeout(() => {
      const wanted = /(?:^#|&)t=([0-9.]+)/.exec(location.hash);
      if (wanted) moveCursor(Number(wanted[1]));
      root.dataset.span = page.charts[0].scales.x.min + ',' + page.charts[0].scales.x.max;
      root.dataset.readyMs = String(Math.round(performance.now()));
      root.dataset.state = 'ready';
    }, 0);
  }

  document.addEventListener('DOMContentLoaded', () => {
    try {
      start();
    } catch (e) {
      fail('error', e.message);
    }
  });
})();
