// One stored test's page: its facts and profile items from /api/test, and
// a link to that stored record as JSON. Stored texts go in as text.
'use strict';
(function () {
  const TEXTS = {
    en: {
      test: 'Test', dashboard: 'Line dashboard', facts: 'Stored test', raw: 'Stored record as JSON',
      items: 'Profile items', item: 'Item', limit: 'Limit', value: 'Value', verdict: 'Verdict',
      started: 'Started (UTC)', duration: 'Duration', station: 'Station', operator: 'Operator',
      profile: 'Profile', reason: 'Reason', version: 'Program version', protocol: 'Protocol',
      pass: 'pass', fail: 'fail', aborted: 'aborted', notMeasured: 'not measured',
      missing: 'No such test.', unreachable: 'The results store cannot be reached.'
    },
    zh: {
      test: '测试', dashboard: '产线看板', facts: '已存储的测试', raw: '存储记录 (JSON)',
      items: '测试配置项', item: '项目', limit: '限值', value: '数值', verdict: '结论',
      started: '开始时间 (UTC)', duration: '时长', station: '工位', operator: '操作员',
      profile: '测试配置', reason: '原因', version: '程序版本', protocol: '报告',
      pass: '合格', fail: '不合格', aborted: '中止', notMeasured: '未测量',
      missing: '没有此测试。', unreachable: '无法连接结果数据库。'
    }
  };
  const lang = (navigator.languages || [navigator.language]).some(function (l) { return /^zh/i.test(l); }) ? 'zh' : 'en';
  function t(key) { return (TEXTS[lang] && TEXTS[lang][key]) || TEXTS.en[key] || key; }
  function el(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined && text !== null) node.textContent = String(text);
    return node;
  }
  function row(cells, className) {
    const tr = el('tr', className);
    cells.forEach(function (c) { tr.appendChild(el('td', null, c)); });
    return tr;
  }

  function show(test) {
    document.getElementById('serial').textContent = test.serial;
    document.title = t('test') + ' ' + test.serial;
    const facts = document.querySelector('#facts tbody');
    [['started', test.started_at.replace('T', ' ')], ['duration', test.duration_s.toFixed(1) + ' s'],
      ['station', test.station], ['operator', test.operator], ['profile', test.profile],
      ['verdict', t(test.verdict)], ['reason', test.verdict_reason], ['version', test.program_version],
      ['protocol', test.protocol]].forEach(function (fact) {
      if (fact[1] === null || fact[1] === undefined) return;
      const tr = row([t(fact[0]), fact[1]]);
      if (fact[0] === 'verdict') tr.lastChild.className = test.verdict;
      facts.appendChild(tr);
    });
    const items = document.querySelector('#items tbody');
    test.items.forEach(function (i) {
      const tr = row([i.name, (i.is_max ? '≤ ' : '≥ ') + i.limit, i.value === null ? t('notMeasured') : +i.value.toFixed(4),
        t(i.pass ? 'pass' : 'fail')]);
      tr.lastChild.className = i.pass ? 'pass' : 'fail';
      items.appendChild(tr);
    });
  }

  async function load() {
    const id = new URLSearchParams(window.location.search).get('id') || '';
    const address = '/api/test?id=' + encodeURIComponent(id);
    document.getElementById('raw').href = address;
    const banner = document.getElementById('banner');
    try {
      const response = await fetch(address, { cache: 'no-store' });
      const body = await response.json();
      if (!response.ok) throw Object.assign(new Error(body.error || ''), { status: response.status });
      show(body);
    } catch (error) {
      banner.hidden = false;
      banner.textContent = error.status === 404 ? t('missing') : error.status === 400 ? error.message : t('unreachable');
    }
    document.body.dataset.loads = '1';
  }

  document.documentElement.lang = lang === 'zh' ? 'zh-CN' : 'en';
  document.querySelectorAll('[data-text]').forEach(function (node) { node.textContent = t(node.dataset.text); });
  load();
})();
