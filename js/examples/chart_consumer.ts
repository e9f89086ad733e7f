// A TypeScript user of tsfilters/lightweight-charts, checked strictly: every
// option and handle member, and the misuses the types must refuse.
import { CandlestickSeries, createChart, type UTCTimestamp } from 'lightweight-charts';
import { attachFilter, type FilterBar, type FilterLine } from 'tsfilters/lightweight-charts';

const chart = createChart(document.createElement('div'));
const candles = chart.addSeries(CandlestickSeries);
const bars: FilterBar[] = [
  { time: '2024-01-02', open: 70, high: 72, low: 69, close: 71.5 },
  { time: { year: 2024, month: 1, day: 3 }, value: 72 },
  { time: 1704326400 as UTCTimestamp },
];
const smooth: FilterLine = attachFilter(chart, 'superSmoother', { period: 10 }, { color: '#d62728', title: 'SS 10', warmup: 'hide' });
const cycle = attachFilter(chart, 'cyberneticOscillator', { highPassPeriod: 48, smoothPeriod: 10 }, { zeroLine: true, lineWidth: 1 });
const laguerre = attachFilter(chart, 'laguerreFilter', { gamma: 0.8 }, { pane: 0, seriesOptions: { lineStyle: 2 } });
smooth.setData(bars);
smooth.update({ time: '2024-01-05', value: 73 });
const lastValue: number | undefined = smooth.series.data().at(-1)?.time === '2024-01-05' ? 1 : undefined;
candles.setData([]);
cycle.remove();
laguerre.series.applyOptions({ visible: false });
void lastValue;

// @ts-expect-error: a smoother takes no gamma
attachFilter(chart, 'superSmoother', { gamma: 0.5 });
// @ts-expect-error: not a filter
attachFilter(chart, 'movingAverage', {});
// @ts-expect-error: warmup is 'show' or 'hide'
attachFilter(chart, 'highPass', {}, { warmup: 'nan' });
// @ts-expect-error: a bar needs a time
smooth.update({ value: 1 });
