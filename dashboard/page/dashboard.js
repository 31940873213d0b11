// The line dashboard's page: reads the panels' JSON and draws them. Every
// stored text goes into the page as text (textContent), never as markup.
'use strict';
(function () {
  const TEXTS = {
    en: {
      title: 'Rotaprobe line dashboard', since: 'From', until: 'To', station: 'Station',
      profile: 'Profile', operator: 'Operator', serial: 'Serial', figure: 'Figure', any: 'any',
      apply: 'Show', yieldPerDay: 'Yield per day', pareto: 'Failing items',
      controlChart: 'Control chart', histogram: 'Distribution', latest: 'Latest tests',
      time: 'Time (UTC)', attempt: 'Test', verdict: 'Verdict', protocol: 'Protocol',
      licence: 'Chart.js licence', idle: 'idle', pass: 'pass', fail: 'fail', aborted: 'aborted',
      todayTests: 'today: {0} tests', firstPass: 'first pass today', lastTest: 'last test {0}',
      noTests: 'no tests', firstPassYield: 'first-pass yield', finalYield: 'final yield',
      all: 'all stations', failures: 'failures', cumulative: 'cumulative %',
      failedTests: '{0} failed tests', centre: 'centre', ucl: 'UCL', lcl: 'LCL',
      lower: 'lower tolerance limit', upper: 'upper tolerance limit', value: 'value',
      rule1: 'beyond 3 sigma', rule2: '2 of 3 beyond 2 sigma', newest: 'the newest {0} are shown',
      limitsChanged: 'the tolerance limits changed in this range; capability uses the newest',
      unreachable: 'The results store cannot be reached; the figures shown may be old. Trying again…',
      badRequest: 'The address asks for something the dashboard does not know: {0}',
      raw: 'the stored record as JSON', updated: 'updated {0}', last30: 'the last 30 days (UTC)', retest: 'retest {0}', count: 'tests', noFigure: 'no values in this range'
    },
    zh: {
      title: 'Rotaprobe 产线看板', since: '从', until: '到', station: '工位', profile: '测试配置',
      operator: '操作员', serial: '序列号', figure: '指标', any: '全部', apply: '显示',
      yieldPerDay: '每日良率', pareto: '不合格项', controlChart: '控制图', histogram: '分布',
      latest: '最近测试', time: '时间 (UTC)', attempt: '次数', verdict: '结论', protocol: '报告',
      licence: 'Chart.js 许可证', idle: '空闲', pass: '合格', fail: '不合格', aborted: '中止',
      todayTests: '今日：{0} 次测试', firstPass: '今日一次通过率', lastTest: '最后测试 {0}',
      noTests: '无测试', firstPassYield: '一次通过率', finalYield: '最终良率', all: '全部工位',
      failures: '不合格次数', cumulative: '累计 %', failedTests: '{0} 次不合格测试', centre: '中心线',
      ucl: '上控制限', lcl: '下控制限', lower: '规格下限', upper: '规格上限', value: '数值',
      rule1: '超出 3 sigma', rule2: '3 点中 2 点超出 2 sigma', newest: '仅显示最新 {0} 条',
      limitsChanged: '此范围内规格限有变化；能力指数使用最新的规格限',
      unreachable: '无法连接结果数据库；显示的数据可能已过时。正在重试…',
      raw: '存储记录 (JSON)', badRequest: '地址中有看板不认识的内容：{0}', updated: '更新于 {0}', last30: '最近 30 天 (UTC)', retest: '重测 {0}',
      count: '次数', noFigure: '此范围内没有数值'
    }
  };
  const lang = (navigator.languages || [navigator.language]).some(function (l) { return /^zh/i.test(l); }) ? 'zh' : 'en';
  function t(key, arg) {
    const text = (TEXTS[lang] && TEXTS[lang][key]) || TEXTS.en[key] || key;
    return arg === undefined ? text : text.replace('{0}', String(arg));
  }
  const params = new URLSearchParams(window.location.search);
  const kiosk = params.get('kiosk') === '1';
  const refreshS = Math.min(3600, Math.max(2, parseInt(params.get('refresh') || '10', 10) || 10));
  const charts = {};
  let loads = 0;

  function el(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined && text !== null) node.textContent = String(text);
    return node;
  }
  // The address's parameters as they are: the server checks them, and the
  // banner shows why it refused one.
  function query() { return params.toString(); }
  function percent(fraction) {
    return fraction === null || fraction === undefined ? '–' : (fraction * 100).toFixed(1) + ' %';
  }
  function fixed(value, digits) {
    return value === null || value === undefined ? '–' : Number(value).toFixed(digits);
  }
  function clock(iso) { return iso ? iso.replace('T', ' ').slice(0, 19) : '–'; }

  async function get(panel) {
    const response = await fetch('/api/' + panel + '?' + query(), { cache: 'no-store' });
    let body = {};
    try { body = await response.json(); } catch (e) { body = {}; }
    if (!response.ok) {
      const error = new Error(body.error || response.statusText);
      error.status = response.status;
      throw error;
    }
    return body;
  }

  function banner(text) {
    const node = document.getElementById('banner');
    node.hidden = !text;
    node.textContent = text || '';
  }

  function chart(id, config) {
    if (typeof Chart === 'undefined') return;
    // On every load: new options replace the old ones whole.
    config.options.animation = false;
    config.options.maintainAspectRatio = false;
    if (charts[id]) {
      charts[id].data = config.data;
      charts[id].options = config.options;
      charts[id].update('none');
      return;
    }
    charts[id] = new Chart(document.getElementById(id), config);
  }

  function fillSelect(name, values) {
    const select = document.querySelector('#filters [name="' + name + '"]');
    const chosen = params.get(name) || '';
    while (select.options.length > (name === 'figure' ? 0 : 1)) select.remove(select.options.length - 1);
    values.forEach(function (v) { const o = el('option', null, v); o.value = v; select.appendChild(o); });
    if (chosen && values.indexOf(chosen) < 0) { const o = el('option', null, chosen); o.value = chosen; select.appendChild(o); }
    select.value = chosen || (name === 'figure' ? 'signal.quality_pct' : '');
  }

  function showFilters(data) {
    fillSelect('station', data.stations);
    fillSelect('profile', data.profiles);
    fillSelect('operator', data.operators);
    fillSelect('figure', data.figures);
    ['since', 'until', 'serial'].forEach(function (k) {
      document.querySelector('#filters [name="' + k + '"]').value = params.get(k) || '';
    });
  }

  function showTiles(data) {
    const box = document.getElementById('tiles');
    box.replaceChildren();
    data.stations.forEach(function (s) {
      const tile = el('div', 'tile ' + (s.idle ? 'idle' : (s.last_verdict || '')));
      tile.dataset.station = s.station;
      const state = el('span', 'state', s.idle ? t('idle') : t(s.last_verdict || 'idle'));
      tile.appendChild(state);
      tile.appendChild(el('h3', null, s.station));
      tile.appendChild(el('div', 'big', percent(s.today_first_pass_yield)));
      tile.appendChild(el('div', null, t('firstPass')));
      tile.appendChild(el('div', 'today', t('todayTests', s.today_tests)));
      tile.appendChild(el('div', null, s.last_test ? t('lastTest', clock(s.last_test)) : t('noTests')));
      box.appendChild(tile);
    });
  }

  const COLOURS = ['#2563eb', '#16a34a', '#9333ea', '#ea580c', '#0891b2', '#be185d', '#4d7c0f', '#a16207'];
  function showYield(data) {
    const days = data.days.map(function (d) { return d.day; });
    const datasets = [
      { label: t('all') + ' – ' + t('firstPassYield'), data: data.days.map(function (d) { return d.first_pass_yield === null ? null : d.first_pass_yield * 100; }), borderColor: '#111827', borderWidth: 3 },
      { label: t('all') + ' – ' + t('finalYield'), data: data.days.map(function (d) { return d.final_yield === null ? null : d.final_yield * 100; }), borderColor: '#111827', borderDash: [6, 4], borderWidth: 2 }
    ];
    data.stations.slice(0, 8).forEach(function (s, i) {
      const byDay = {};
      s.days.forEach(function (d) { byDay[d.day] = d.first_pass_yield; });
      datasets.push({ label: s.station + ' – ' + t('firstPassYield'), data: days.map(function (d) { return byDay[d] === undefined || byDay[d] === null ? null : byDay[d] * 100; }), borderColor: COLOURS[i % COLOURS.length], borderWidth: 1.5 });
    });
    chart('yieldChart', { type: 'line', data: { labels: days, datasets: datasets }, options: { spanGaps: true, scales: { y: { min: 0, max: 100, title: { display: true, text: '%' } } }, plugins: { legend: { labels: { boxWidth: 12 } } } } });
  }

  function showPareto(data) {
    const total = data.items.reduce(function (a, i) { return a + i.failures; }, 0);
    let running = 0;
    chart('paretoChart', { type: 'bar', data: { labels: data.items.map(function (i) { return i.item; }), datasets: [
      { label: t('failures'), data: data.items.map(function (i) { return i.failures; }), backgroundColor: '#c5221f', yAxisID: 'y', order: 1 },
      { type: 'line', order: 0, label: t('cumulative'), data: data.items.map(function (i) { running += i.failures; return total ? running * 100 / total : 0; }), borderColor: '#374151', yAxisID: 'p' }
    ] }, options: { scales: { y: { beginAtZero: true }, p: { position: 'right', min: 0, max: 100, grid: { display: false } } }, plugins: { legend: { labels: { boxWidth: 12 } } } } });
    document.getElementById('paretoNote').textContent = t('failedTests', data.failed_tests);
  }

  // The tolerance limits as vertical lines over the histogram: its bars
  // are bins of equal width from `from`, so a value's place lies between the
  // bars' centres.
  const SPEC_LINES = {
    id: 'specLines',
    afterDatasetsDraw: function (chart, args, options) {
      const h = options.histogram;
      if (!h || !h.counts.length) return;
      const area = chart.chartArea, x = chart.scales.x, ctx = chart.ctx;
      const first = x.getPixelForValue(0);
      const step = h.counts.length > 1 ? x.getPixelForValue(1) - first : area.right - area.left;
      ctx.save();
      ctx.strokeStyle = ctx.fillStyle = '#c5221f';
      ctx.lineWidth = 2;
      ctx.font = Chart.helpers.toFont(Chart.defaults.font).string;
      ctx.textBaseline = 'top';
      [['LSL', options.lower], ['USL', options.upper]].forEach(function (limit) {
        if (limit[1] === null || limit[1] === undefined) return;
        const px = Math.round(first + ((limit[1] - h.from) / h.width - 0.5) * step);
        if (px < area.left - 1 || px > area.right + 1) return;
        ctx.beginPath();
        ctx.moveTo(px, area.top);
        ctx.lineTo(px, area.bottom);
        ctx.stroke();
        // The label inside the plot, away from the edge it stands on.
        const right = px > (area.left + area.right) / 2;
        ctx.textAlign = right ? 'right' : 'left';
        ctx.fillText(limit[0], px + (right ? -4 : 4), area.top + 2);
      });
      ctx.restore();
    }
  };

  function showFigure(data) {
    document.getElementById('figureName').textContent = data.figure;
    // Date over time of day: level labels, none cut at the chart's edge.
    const labels = data.points.map(function (p) { return clock(p.t).split(' '); });
    const constant = function (v) { return data.points.map(function () { return v; }); };
    const colour = data.points.map(function (p) { return p.rule1 ? '#c5221f' : (p.rule2 ? '#ea580c' : '#2563eb'); });
    const radius = data.points.map(function (p) { return p.rule1 || p.rule2 ? 5 : 2; });
    chart('controlChart', { type: 'line', data: { labels: labels, datasets: [
      { label: t('value'), data: data.points.map(function (p) { return p.value; }), borderColor: '#93c5fd', borderWidth: 1, pointBackgroundColor: colour, pointBorderColor: colour, pointRadius: radius },
      { label: t('centre'), data: constant(data.centre), borderColor: '#16a34a', borderWidth: 1.5, pointRadius: 0 },
      { label: t('ucl'), data: constant(data.ucl), borderColor: '#9333ea', borderDash: [6, 4], borderWidth: 1.5, pointRadius: 0 },
      { label: t('lcl'), data: constant(data.lcl), borderColor: '#9333ea', borderDash: [6, 4], borderWidth: 1.5, pointRadius: 0 },
      { label: t('upper'), data: data.points.map(function (p) { return p.upper; }), borderColor: '#c5221f', borderWidth: 2, stepped: true, pointRadius: 0 },
      { label: t('lower'), data: data.points.map(function (p) { return p.lower; }), borderColor: '#c5221f', borderWidth: 2, stepped: true, pointRadius: 0 }
    ] }, options: { scales: { x: { ticks: { maxTicksLimit: 8, maxRotation: 0 } } }, plugins: { legend: { labels: { boxWidth: 12 } } } } });
    const notes = [];
    const r1 = data.points.filter(function (p) { return p.rule1; }).length;
    const r2 = data.points.filter(function (p) { return p.rule2; }).length;
    if (!data.points.length) notes.push(t('noFigure'));
    if (r1) notes.push(t('rule1') + ': ' + r1);
    if (r2) notes.push(t('rule2') + ': ' + r2);
    if (data.capped) notes.push(t('newest', data.cap));
    if (data.capability.limits_changed) notes.push(t('limitsChanged'));
    document.getElementById('chartNote').textContent = notes.join(' · ');

    const h = data.histogram;
    const bins = h.counts.map(function (c, i) { return fixed(h.from + (i + 0.5) * h.width, 3); });
    const c = data.capability;
    chart('histogramChart', { type: 'bar', data: { labels: bins, datasets: [{ label: t('count'), data: h.counts, backgroundColor: '#60a5fa', barPercentage: 1, categoryPercentage: 1 }] }, plugins: [SPEC_LINES], options: { plugins: { legend: { display: false }, specLines: { histogram: h, lower: c.lower, upper: c.upper } } } });
    document.getElementById('capability').textContent =
      'n ' + c.count + ' · LSL ' + fixed(c.lower, 3) + ' · USL ' + fixed(c.upper, 3) +
      ' · Cp ' + fixed(c.cp, 2) + ' · Cpk ' + fixed(c.cpk, 2) + ' · Pp ' + fixed(c.pp, 2) + ' · Ppk ' + fixed(c.ppk, 2);
  }

  function showLatest(data) {
    const body = document.querySelector('#latest tbody');
    body.replaceChildren();
    data.tests.forEach(function (r) {
      const row = el('tr');
      row.appendChild(el('td', null, clock(r.started_at)));
      const serial = el('td');
      const link = el('a', 'serial', r.serial);
      link.href = '/test.html?id=' + encodeURIComponent(r.id);
      serial.appendChild(link);
      const raw = el('a', 'raw', 'JSON');
      raw.href = '/api/test?id=' + encodeURIComponent(r.id);
      raw.title = t('raw');
      serial.appendChild(raw);
      row.appendChild(serial);
      row.appendChild(el('td', null, r.attempt > 1 ? t('retest', r.attempt - 1) : '1'));
      row.appendChild(el('td', null, r.station));
      row.appendChild(el('td', null, r.operator || ''));
      const verdict = el('td', r.verdict, t(r.verdict));
      if (r.verdict_reason) verdict.title = r.verdict_reason;
      row.appendChild(verdict);
      row.appendChild(el('td', null, r.protocol));
      body.appendChild(row);
    });
    document.getElementById('latestNote').textContent = data.capped ? t('newest', data.cap) : '';
  }

  async function load() {
    const panels = [['filters', showFilters], ['tiles', showTiles], ['yield', showYield], ['pareto', showPareto], ['figure', showFigure], ['latest', showLatest]];
    let failure = null;
    for (const [name, show] of panels) {
      if (name === 'filters' && kiosk) continue;
      try {
        show(await get(name));
      } catch (error) {
        failure = failure || error;
      }
    }
    if (failure && failure.status === 400) banner(t('badRequest', failure.message));
    else if (failure) banner(t('unreachable'));
    else banner('');
    loads += 1;
    document.body.dataset.loads = String(loads);
    document.getElementById('updated').textContent = t('updated', new Date().toISOString().slice(11, 19) + ' UTC');
    const since = params.get('since'), until = params.get('until');
    document.getElementById('range').textContent = since || until ? (since || '…') + ' – ' + (until || '…') : t('last30');
    if (kiosk || failure) window.setTimeout(load, (kiosk ? refreshS : 10) * 1000);
  }

  document.documentElement.lang = lang === 'zh' ? 'zh-CN' : 'en';
  document.querySelectorAll('[data-text]').forEach(function (node) { node.textContent = t(node.dataset.text); });
  document.title = t('title');
  if (kiosk) {
    document.body.classList.add('kiosk');
    // Readable from two metres: the charts' own texts grow with the page's.
    if (typeof Chart !== 'undefined') Chart.defaults.font.size = 17;
  }
  document.getElementById('filters').addEventListener('submit', function (event) {
    event.preventDefault();
    const next = new URLSearchParams();
    new FormData(event.target).forEach(function (value, key) { if (value) next.set(key, value); });
    window.location.search = next.toString();
  });
  load();
})();
