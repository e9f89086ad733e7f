// The live chart: a date,close series with the smoothers over the price and
// the oscillators in panes below, and a replay that feeds the last bars the
// way a live feed does: each bar's close moves through a few intrabar
// prices, shown with peek() as the forming bar, then closes with update().
import { createChart, LineSeries } from 'lightweight-charts';
import * as tsf from '../../js/src/index.js';
import defaultCsv from '../../data/wti_daily.csv';

// What is drawn: every filter of the library, each with its pane and colour.
export const plots = [
  { name: 'superSmoother', params: { period: 10 }, pane: 0, color: '#d62728' },
  { name: 'ultimateSmoother', params: { period: 20 }, pane: 0, color: '#2ca02c' },
  { name: 'laguerreFilter', params: { gamma: 0.8, period: 20 }, pane: 0, color: '#9467bd' },
  { name: 'cyberneticOscillator', params: { highPassPeriod: 48, smoothPeriod: 10 }, pane: 1, color: '#1f77b4' },
  { name: 'laguerreOscillator', params: { gamma: 0.8, period: 20 }, pane: 1, color: '#ff7f0e' },
  { name: 'highPass', params: { period: 48 }, pane: 2, color: '#8c564b' },
  { name: 'bandPass', params: { highPassPeriod: 48, smoothPeriod: 10 }, pane: 2, color: '#e377c2' },
];
const REPLAY_BARS = 300;
const TICKS = 3; // intrabar prices before each close

const status = document.getElementById('status');
const chart = createChart(document.getElementById('chart'), {
  autoSize: true,
  layout: { panes: { separatorColor: '#ccc' } },
  timeScale: { rightOffset: 4 },
});
const price = chart.addSeries(LineSeries, { color: '#222', lineWidth: 1, title: 'close' }, 0);
for (const p of plots) {
  p.series = chart.addSeries(LineSeries, { color: p.color, lineWidth: 2, title: p.name, priceLineVisible: false }, p.pane);
}

// "YYYY-MM-DD,close" lines after a header; other lines are skipped.
function parseCsv(text) {
  const dates = [], closes = [];
  for (const line of text.split(/\r?\n/)) {
    const [date, close] = line.split(',');
    const value = Number(close);
    if (/^\d{4}-\d{2}-\d{2}$/.test(date) && close !== undefined && close.trim() !== '' && Number.isFinite(value)) {
      dates.push(date);
      closes.push(value);
    }
  }
  return { dates, closes: Float32Array.from(closes) };
}

// A point the chart draws, or a gap where the filter gives no value.
const point = (time, value) => (Number.isNaN(value) ? { time } : { time, value });

let data = null;
let replaying = false;

function show(series) {
  data = series;
  const { dates, closes } = series;
  price.setData(dates.map((time, i) => point(time, closes[i])));
  for (const p of plots) {
    const y = tsf[p.name](closes, p.params);
    p.series.setData(dates.map((time, i) => point(time, y[i])));
  }
  // The oscillators' panes exist once they hold data.
  chart.panes().forEach((pane, i) => pane.setStretchFactor(i === 0 ? 3 : 1));
  chart.timeScale().setVisibleLogicalRange({ from: dates.length - 400, to: dates.length + 4 });
  status.textContent = `${dates.length} bars, ${dates[0]} to ${dates.at(-1)}`;
}

// The intrabar prices of bar t: from the previous close towards the close.
function ticks(closes, t) {
  const from = closes[t - 1], to = closes[t];
  return Array.from({ length: TICKS }, (_, k) => from + ((to - from) * (k + 1)) / (TICKS + 1) + (k % 2 ? 0.1 : -0.1));
}

// Redraws the last REPLAY_BARS bars live. delay: milliseconds between ticks.
async function replay(delay = 15) {
  if (replaying || data === null) return;
  replaying = true;
  const { dates, closes } = data;
  const start = Math.max(1, dates.length - REPLAY_BARS);
  const history = closes.subarray(0, start);
  const streams = plots.map((p) => new tsf.Stream(p.name, p.params));
  price.setData(dates.slice(0, start).map((time, i) => point(time, closes[i])));
  plots.forEach((p, k) => {
    const y = streams[k].update(history);
    const window = streams[k].window(); // an oscillator's first 100 values
    if (window !== null) y.set(window);
    p.series.setData(dates.slice(0, start).map((time, i) => point(time, y[i])));
  });
  const wait = () => new Promise((resolve) => setTimeout(resolve, delay));
  try {
    for (let t = start; t < dates.length; ++t) {
      const time = dates[t];
      for (const x of ticks(closes, t)) {
        price.update(point(time, x));
        plots.forEach((p, k) => p.series.update(point(time, streams[k].peek(x))));
        if (delay > 0) await wait();
      }
      price.update(point(time, closes[t]));
      plots.forEach((p, k) => p.series.update(point(time, streams[k].update(closes[t]))));
      status.textContent = `replay: bar ${t - start + 1} of ${dates.length - start}, ${time}`;
      if (delay > 0 || t % 50 === 0) await wait();
    }
    status.textContent = `replayed ${dates.length - start} bars to ${dates.at(-1)}`;
  } finally {
    streams.forEach((s) => s.free());
    replaying = false;
  }
}

document.getElementById('file').addEventListener('change', async (event) => {
  const file = event.target.files[0];
  if (!file) return;
  const series = parseCsv(await file.text());
  if (series.dates.length < 2) status.textContent = `${file.name}: no date,close rows`;
  else show(series);
});
document.getElementById('replay').addEventListener('click', () => replay());

// For tests and curious users: the last values each series draws.
window.tsfiltersDemo = {
  plots: plots.map(({ name, params }) => ({ name, params })),
  replay,
  get replaying() { return replaying; },
  lastDrawn(count = 5) {
    const last = (series) => series.data().slice(-count).map((d) => ('value' in d ? d.value : null));
    return Object.fromEntries([['close', last(price)], ...plots.map((p) => [p.name, last(p.series)])]);
  },
};
show(parseCsv(defaultCsv));
