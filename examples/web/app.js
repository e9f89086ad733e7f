// The chart page: a price file drawn as candles (or a line when it has only
// closes), the smoothers over it and the oscillators in panes below, each
// filter drawn through tsfilters/lightweight-charts. A replay feeds the last
// bars the way a live feed does: each bar moves through a few intrabar
// prices (the forming bar, drawn with peek) before it closes.
import { CandlestickSeries, LineSeries, createChart } from 'lightweight-charts';
import '../../js/src/index.js'; // the default entry: the module embedded, for file://
import { attachFilter } from '../../js/src/lightweight-charts.js';
import defaultCsv from '../../data/wti_daily.csv';
import { CsvError, parseCsv } from './csv.js';

// What is drawn: every filter of the library, each with its pane and colour.
export const plots = [
  { name: 'superSmoother', params: { period: 10 }, pane: 0, color: '#d62728' },
  { name: 'ultimateSmoother', params: { period: 20 }, pane: 0, color: '#2ca02c' },
  { name: 'laguerreFilter', params: { gamma: 0.8, period: 20 }, pane: 0, color: '#9467bd' },
  { name: 'cyberneticOscillator', params: { highPassPeriod: 48, smoothPeriod: 10 }, pane: 1, color: '#1f77b4', zeroLine: true },
  { name: 'laguerreOscillator', params: { gamma: 0.8, period: 20 }, pane: 1, color: '#ff7f0e' },
  { name: 'highPass', params: { period: 48 }, pane: 2, color: '#8c564b', zeroLine: true },
  { name: 'bandPass', params: { highPassPeriod: 48, smoothPeriod: 10 }, pane: 2, color: '#e377c2' },
];
const REPLAY_BARS = 300;
const TICKS = 3; // intrabar prices before each close

const $ = (id) => document.getElementById(id);
const status = $('status');
const legend = $('legend');
const dark = window.matchMedia('(prefers-color-scheme: dark)');
const theme = () => (dark.matches
  ? { background: '#161a1f', text: '#d0d4da', grid: '#252a31', price: '#d0d4da', separator: '#3a404a' }
  : { background: '#ffffff', text: '#222222', grid: '#eeeeee', price: '#222222', separator: '#cccccc' });

// A small minimum bar spacing, so that "fit all" fits decades of days.
const chart = createChart($('chart'), { autoSize: true, timeScale: { rightOffset: 4, minBarSpacing: 0.02 } });
function applyTheme() {
  const t = theme();
  chart.applyOptions({
    layout: { background: { color: t.background }, textColor: t.text, panes: { separatorColor: t.separator } },
    grid: { vertLines: { color: t.grid }, horzLines: { color: t.grid } },
  });
  if (price?.seriesType() === 'Line') price.applyOptions({ color: t.price });
}
dark.addEventListener('change', applyTheme);

let data = null; // the series drawn: { name, times, close, open?, high?, low?, intraday, notes }
let price = null; // the candles, or the close line
let generation = 0; // bumped by every new series: a replay of an older one stops
let replaying = false;

// The price series as the chart library takes it, bar i.
const bar = (i, close = data.close[i]) => (data.open
  ? { time: data.times[i], open: data.open[i], high: Math.max(data.high[i], close), low: Math.min(data.low[i], close), close }
  : { time: data.times[i], value: close });

// Each filter's line, made again when its parameters change. The start-up
// values are left out: a filter far from the price before it has settled
// would only stretch the price scale.
function attach(p) {
  p.line?.remove();
  p.line = attachFilter(chart, p.name, p.params, { pane: p.pane, color: p.color, zeroLine: p.zeroLine, lineWidth: 2, warmup: 'hide' });
}

function show(series) {
  ++generation;
  data = series;
  if (price !== null) chart.removeSeries(price);
  for (const p of plots) p.line?.remove(), (p.line = null);
  price = data.open
    ? chart.addSeries(CandlestickSeries, { title: 'price', priceLineVisible: false }, 0)
    : chart.addSeries(LineSeries, { lineWidth: 1, title: 'close', priceLineVisible: false }, 0);
  applyTheme();
  const bars = data.times.map((_, i) => bar(i));
  price.setData(bars);
  for (const p of plots) {
    attach(p);
    p.line.setData(bars);
  }
  chart.applyOptions({ timeScale: { timeVisible: data.intraday, secondsVisible: false } });
  chart.panes().forEach((pane, i) => pane.setStretchFactor(i === 0 ? 3 : 1));
  chart.timeScale().setVisibleLogicalRange({ from: data.times.length - 400, to: data.times.length + 4 });
  const when = (t) => new Date(t * 1000).toISOString().slice(0, data.intraday ? 16 : 10).replace('T', ' ');
  status.textContent = `${data.name}: ${data.times.length} bars, ${when(data.times[0])} to ${when(data.times.at(-1))}` +
    (data.notes.length > 0 ? `; ${data.notes.join('; ')}` : '');
  status.classList.remove('error');
  updateLegend(null);
}

// Redraws one filter over the bars drawn now (during a replay: up to the
// bar it has reached, the forming one included).
function redraw(p) {
  attach(p);
  p.line.setData(price.data().map((b) => ('close' in b ? { time: b.time, close: b.close } : { time: b.time, value: b.value })));
  updateLegend(null);
}

// ---- legend: every series' value at the crosshair, or the last bar's ----

const fmt = (v) => (v === undefined ? '–' : Math.abs(v) >= 1000 ? v.toFixed(1) : v.toPrecision(5));
function updateLegend(param) {
  if (data === null) return;
  const at = param?.time !== undefined && param.seriesData;
  const pick = (series) => {
    const d = at ? param.seriesData.get(series) : series.data().at(-1);
    return d === undefined ? undefined : 'close' in d ? d.close : d.value;
  };
  const time = at ? param.time : price.data().at(-1)?.time;
  const rows = [[data.open ? 'close' : 'close', pick(price), theme().price]];
  for (const p of plots) rows.push([p.name, pick(p.line.series), p.color]);
  legend.replaceChildren(
    Object.assign(document.createElement('b'), { textContent: time === undefined ? '' : new Date(time * 1000).toISOString().slice(0, data.intraday ? 16 : 10).replace('T', ' ') }),
    ...rows.map(([name, v, color]) => {
      const span = document.createElement('span');
      span.dataset.series = name;
      span.style.color = color;
      span.textContent = `${name} ${fmt(v)}`;
      return span;
    }));
}
chart.subscribeCrosshairMove(updateLegend);

// ---- parameter controls ----

function controls() {
  const box = $('params');
  for (const p of plots) {
    const label = document.createElement('span');
    label.className = 'filter';
    label.style.borderColor = p.color;
    label.append(p.name);
    for (const [key, value] of Object.entries(p.params)) {
      const input = Object.assign(document.createElement('input'), {
        type: 'number', value, title: `${p.name} ${key}`,
        min: key === 'gamma' ? 0 : 1, max: key === 'gamma' ? 0.99 : 500, step: key === 'gamma' ? 0.05 : 1,
      });
      input.dataset.filter = p.name;
      input.dataset.param = key;
      input.addEventListener('input', () => {
        const v = Number(input.value);
        const ok = input.value !== '' && (key === 'gamma' ? v >= 0 && v < 1 : Number.isInteger(v) && v >= 1 && v <= 10000);
        input.classList.toggle('bad', !ok);
        if (!ok || data === null) return;
        p.params = { ...p.params, [key]: v };
        if (replaying) stopReplay();
        redraw(p);
      });
      label.append(` ${key} `, input);
    }
    box.append(label);
  }
}

// ---- replay ----

// The intrabar prices of bar t: from the previous close towards the close.
function ticks(t) {
  const from = data.close[t - 1], to = data.close[t];
  return Array.from({ length: TICKS }, (_, k) => from + ((to - from) * (k + 1)) / (TICKS + 1) + (k % 2 ? 0.1 : -0.1));
}

function stopReplay() {
  ++generation;
}

// Redraws the last REPLAY_BARS bars live. delay: milliseconds between ticks.
// Stops, leaving the chart to whatever replaced it, as soon as another
// series is shown or a parameter changes.
async function replay(delay = 15) {
  if (replaying || data === null) return;
  replaying = true;
  const mine = ++generation;
  const n = data.times.length;
  const start = Math.max(1, n - REPLAY_BARS);
  const history = data.times.slice(0, start).map((_, i) => bar(i));
  price.setData(history);
  for (const p of plots) p.line.setData(history);
  const wait = () => new Promise((resolve) => setTimeout(resolve, delay));
  try {
    for (let t = start; t < n; ++t) {
      for (const x of [...ticks(t), data.close[t]]) {
        const b = bar(t, x);
        price.update(b);
        for (const p of plots) p.line.update(b);
        if (delay > 0) await wait();
        if (generation !== mine) return;
      }
      status.textContent = `replay: bar ${t - start + 1} of ${n - start}`;
      if (delay === 0 && t % 50 === 0) await wait();
      if (generation !== mine) return;
    }
    status.textContent = `replayed ${n - start} bars of ${data.name}`;
    updateLegend(null);
  } finally {
    replaying = false;
  }
}

// ---- files ----

async function load(text, name) {
  stopReplay(); // first: a replay must not draw into the new series
  try {
    const series = parseCsv(text, { adjusted: $('adjusted').checked });
    show({ name, ...series });
  } catch (error) {
    // Whatever fails, the status says so and names the file; a file refused
    // while it is read leaves the chart drawn before as it was.
    status.textContent = `${name}: ${error instanceof CsvError ? '' : 'cannot draw it: '}${error.message}`;
    status.classList.add('error');
  }
}

let picked = null; // the file picked last, read again when Adj Close is toggled
$('file').addEventListener('change', async (event) => {
  const file = event.target.files[0];
  if (!file) return;
  stopReplay();
  picked = file;
  const text = await file.text();
  if (picked === file) await load(text, file.name); // unless another was picked meanwhile
});
$('adjusted').addEventListener('change', async () => {
  if (picked) await load(await picked.text(), picked.name);
});
$('replay').addEventListener('click', () => replay());
$('fit').addEventListener('click', () => chart.timeScale().fitContent());

// For tests and curious users: the last values each series draws.
window.tsfiltersDemo = {
  get plots() {
    return plots.map(({ name, params }) => ({ name, params }));
  },
  replay,
  get replaying() {
    return replaying;
  },
  load,
  lastDrawn(count = 5) {
    const last = (series) => series.data().slice(-count).map((d) => ('close' in d ? d.close : 'value' in d ? d.value : null));
    return Object.fromEntries([['close', last(price)], ...plots.map((p) => [p.name, last(p.line.series)])]);
  },
  get priceType() {
    return price.seriesType();
  },
  get background() {
    return chart.options().layout.background.color;
  },
  visibleRange: () => chart.timeScale().getVisibleLogicalRange(),
  barCount: () => price.data().length,
};
controls();
load(defaultCsv, 'WTI crude oil, daily');
