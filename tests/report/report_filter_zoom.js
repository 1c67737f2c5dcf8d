// Put into a copy of a report page by report_browser_test.cpp. Once the page is
// ready it unticks each kind of event in turn and counts the events still
// listed, then drag-zooms the first chart to a fiftieth of the flight. On <html>
// it writes data-filter-misses (kinds whose count or hiding disagreed),
// data-kinds (the boxes), data-overview-points and, once zoomed, data-zoomed.
(function () {
  'use strict';
  const root = document.documentElement;
  const settle = () => new Promise((done) => setTimeout(done, 0));
  const listed = () => [...document.querySelectorAll('ol.events li')].filter((li) => !li.hidden);

  function mouse(target, type, x) {
    const box = target.getBoundingClientRect();
    target.dispatchEvent(new MouseEvent(type, { bubbles: true, button: 0, clientX: box.left + x * box.width,
      clientY: box.top + box.height / 2, movementX: 1 }));
  }

  async function drive() {
    while (root.dataset.state !== 'ready') await settle();
    const misses = [], boxes = document.querySelectorAll('input.event-kind');
    const all = listed().length;
    for (const box of boxes) {
      const count = Number(box.parentElement.querySelector('.count').textContent.replace(/,/g, ''));
      box.click();
      const left = listed();
      if (left.length !== all - count || Number(root.dataset.eventsListed) !== left.length ||
          left.some((li) => li.dataset.kind === box.dataset.kind))
        misses.push(box.dataset.kind + ': ' + left.length + ' of ' + all + ' listed without ' + count);
      box.click();
      if (listed().length !== all) misses.push(box.dataset.kind + ': not all listed again');
    }
    root.dataset.kinds = String(boxes.length);
    root.dataset.filterMisses = misses.join(' | ');
    root.dataset.overviewPoints = root.dataset.visiblePoints;
    const over = document.querySelector('.chart .u-over');
    for (const [type, x] of [['mousedown', 0.45], ['mousemove', 0.46], ['mousemove', 0.47], ['mouseup', 0.47]])
      mouse(over, type, x);
    await settle();
    await settle();
    root.dataset.zoomed = root.dataset.level + ':' + root.dataset.visiblePoints;
  }
  drive();
})();
