// The application every bundler builds: tsfilters/lean and the chart
// adapter over the chart library, one filter's line drawn from 300 closes.
// It leaves what it drew (and what a server rendered, if any) in
// window.result for the test to compare with the batch call's bits.
import { createChart, LineSeries } from 'lightweight-charts';
import { init } from 'tsfilters/lean';
import { attachFilter } from 'tsfilters/lightweight-charts';

import { closes } from './closes.js';

export async function draw(source) {
  await init(source);
  const chart = createChart(document.getElementById('chart'), { width: 600, height: 300 });
  const bars = closes.map((value, i) => ({ time: 1_700_000_000 + i * 86400, value }));
  chart.addSeries(LineSeries).setData(bars);
  const line = attachFilter(chart, 'superSmoother', { period: 10 });
  line.setData(bars);
  const server = document.getElementById('ssr');
  window.result = {
    drawn: line.series.data().map((p) => p.value ?? null),
    server: server === null ? null : JSON.parse(server.textContent),
  };
}
