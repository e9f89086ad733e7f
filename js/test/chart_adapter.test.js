// tsfilters/lightweight-charts against a chart that misbehaves: a chart
// call that throws takes back what attachFilter made (the stream in the
// module's memory included), remove() can be tried again, dates that no
// calendar has are refused, and setData reads a lying array with the
// package's own errors, leaving the line and its stream as they were.
// (The adapter on the real chart library runs in test/browser.)
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import * as tsf from '../src/index.js';
import { attachFilter } from '../src/lightweight-charts.js';
import { instance } from '../src/module.js';
import { priceWalk } from './support.js';

// A chart with the members the adapter calls, each of which throws while
// `failing[name]` says so (a function of the call's number, from 1).
function fakeChart(failing = {}) {
  const calls = {};
  const call = (name, body) => (...args) => {
    calls[name] = (calls[name] ?? 0) + 1;
    if (failing[name]?.(calls[name])) throw new Error(`${name} failed`);
    return body(...args);
  };
  const onChart = new Set();
  const chart = {
    calls, onChart,
    panes: call('panes', () => [{}]),
    addSeries: call('addSeries', () => {
      const series = {
        points: [],
        setData: call('setData', (points) => { series.points = points.map((p) => ({ ...p })); }),
        update: call('update', (p) => {
          if (series.points.at(-1)?.time === p.time) series.points[series.points.length - 1] = { ...p };
          else series.points.push({ ...p });
        }),
        createPriceLine: call('createPriceLine', () => ({})),
      };
      onChart.add(series);
      return series;
    }),
    removeSeries: call('removeSeries', (series) => {
      if (!onChart.delete(series)) throw new Error('removeSeries: not on the chart');
    }),
  };
  return chart;
}

const always = () => true;
const closes = Array.from(priceWalk(200, 9));
const bars = closes.map((value, t) => ({ time: 1.7e9 + 86400 * t, value }));
const lastValue = (line) => line.series.points.at(-1).value;

describe('attachFilter when a chart call throws', () => {
  const cases = {
    'panes()': [{ panes: always }, 'cyberneticOscillator', {}],
    'addSeries': [{ addSeries: always }, 'superSmoother', {}],
    'createPriceLine': [{ createPriceLine: always }, 'bandPass', { zeroLine: true }],
    'createPriceLine, and removeSeries in the clean-up': [{ createPriceLine: always, removeSeries: always }, 'highPass', { zeroLine: true }],
  };
  for (const [what, [failing, kind, options]] of Object.entries(cases)) {
    it(`${what}: the chart's own error, no series left, the stream freed`, () => {
      const chart = fakeChart(failing);
      assert.throws(() => attachFilter(chart, kind, {}, options), { message: `${Object.keys(failing)[0]} failed` });
      if (!failing.removeSeries) assert.equal(chart.onChart.size, 0);
    });
  }

  it('addSeries returning no series is a TypeError, not an error inside', () => {
    const chart = { ...fakeChart(), addSeries: () => undefined };
    assert.throws(() => attachFilter(chart, 'superSmoother'), { name: 'TypeError', message: /chart\.addSeries returned undefined, not a series/ });
  });

  it('20,000 failed attaches do not grow the module memory', () => {
    const wasm = instance();
    const attempt = (failing, kind, options) => {
      const chart = fakeChart(failing);
      try {
        attachFilter(chart, kind, {}, options);
      } catch {
        return;
      }
      assert.fail('attachFilter did not throw');
    };
    const round = (n) => {
      for (let i = 0; i < n; ++i) {
        attempt({ panes: always }, 'laguerreOscillator', {});
        attempt({ addSeries: always }, 'ultimateSmoother', {});
        attempt({ createPriceLine: always }, 'cyberneticOscillator', { zeroLine: true });
        attempt({ createPriceLine: always, removeSeries: always }, 'bandPass', { zeroLine: true });
      }
    };
    round(10); // the first views and allocations
    const before = wasm.exports.memory.buffer.byteLength;
    round(5000);
    assert.equal(wasm.exports.memory.buffer.byteLength, before);
  });
});

describe('remove() after the chart threw', () => {
  it('the stream is freed at once; a later remove() takes the series off; then remove() does nothing', () => {
    const chart = fakeChart({ removeSeries: (n) => n === 1 });
    const line = attachFilter(chart, 'superSmoother', { period: 10 });
    line.setData(bars.slice(0, 20));
    assert.throws(() => line.remove(), { message: 'removeSeries failed' });
    assert.throws(() => line.update(bars[20]), /update after remove\(\)/);
    assert.equal(chart.onChart.size, 1);
    line.remove();
    assert.equal(chart.onChart.size, 0);
    line.remove();
    assert.equal(chart.calls.removeSeries, 2);
  });
});

describe('times that are no calendar date', () => {
  const impossible = [
    '2024-02-30', '2023-02-29', '2100-02-29', '2024-13-01', '2024-00-10', '2024-04-31', '2024-01-00', '2024-01-32',
    { year: 2023, month: 2, day: 29 }, { year: 2024, month: 13, day: 1 }, { year: 2024, month: 0, day: 1 },
    { year: 2024, month: 6, day: 31 }, { year: 2024, month: 1, day: -1 },
  ];
  for (const time of impossible) {
    const shown = typeof time === 'string' ? `"${time}"` : `{ year: ${time.year}, month: ${time.month}, day: ${time.day} }`;
    it(`${shown}: a TypeError naming it, in update and setData`, () => {
      const line = attachFilter(fakeChart(), 'superSmoother');
      const named = { name: 'TypeError', message: new RegExp(`time ${shown.replace(/[{}]/g, '\\$&')} is no calendar date`) };
      assert.throws(() => line.update({ time, value: 1 }), named);
      assert.throws(() => line.setData([{ time: '2020-01-01', value: 1 }, { time, value: 2 }]), named);
      line.remove();
    });
  }

  it('timestamps beyond a Date, an hour 24 and other forms are TypeErrors', () => {
    const line = attachFilter(fakeChart(), 'superSmoother');
    for (const time of [1e13, -1e13, '2024-01-01T24:00', '2024-1-1', { year: 2024.5, month: 1, day: 1 }, [2024, 1, 1]]) {
      assert.throws(() => line.update({ time, value: 1 }), TypeError, String(time));
    }
  });

  it('real dates keep their order: a leap day, and years below 100 are not taken as 19xx', () => {
    const line = attachFilter(fakeChart(), 'superSmoother');
    line.setData([{ time: '0050-03-01', value: 1 }, { time: '1950-01-01', value: 2 }, { time: '2024-02-29', value: 3 }]);
    line.update({ time: { year: 2024, month: 3, day: 1 }, value: 4 }); // the day after the leap day: a new bar
    assert.deepEqual(line.series.points.map((p) => p.time), ['0050-03-01', '1950-01-01', '2024-02-29', { year: 2024, month: 3, day: 1 }]);
  });
});

describe('setData with a lying array: the package\'s error, and the line and its stream as they were', () => {
  // A Proxy over `items` whose length reads as `length()` (by the number of the read).
  const lying = (items, length, get = (t, k) => t[k]) => {
    let reads = 0;
    return new Proxy(items, { get: (t, k) => (k === 'length' ? length(++reads) : get(t, k)) });
  };
  const revoked = Proxy.revocable([], {});
  revoked.revoke();
  const boom = new Error('boom');
  const hostile = {
    'a length beyond its bars': [() => lying(bars.slice(0, 3), () => 5), TypeError, /bar 3 is missing/],
    'a hole': [() => [bars[0], , bars[2]], TypeError, /bar 1 is missing/], // eslint-disable-line no-sparse-arrays
    'a huge length': [() => lying([], () => 2 ** 40), RangeError, /1099511627776 bars; a line takes at most/],
    'a length that is no length': [() => lying([], () => 2.5), TypeError, /its length 2\.5 is not a length/],
    'a negative length': [() => lying([], () => -1), TypeError, /its length -1 is not a length/],
    'a length of a billion with three bars': [() => lying(bars.slice(0, 3), () => 1e9), TypeError, /bar 3 is missing/],
    'a length that changes while read': [() => lying(bars.slice(0, 4), (n) => (n === 1 ? 4 : 3)), TypeError, /length changed from 4 to 3/],
    'a length getter that throws': [() => lying([], () => { throw boom; }), TypeError, /reading its length threw: boom/],
    'a bar getter that throws': [() => lying(bars.slice(0, 3), () => 3, (t, k) => { if (k === '1') throw boom; return t[k]; }), TypeError, /reading bar 1 threw: boom/],
    'a bar whose time getter throws': [() => [bars[0], { get time() { throw boom; }, value: 1 }], TypeError, /bar 1: reading the bar threw: boom/],
    'a time whose year getter throws': [() => [{ time: { get year() { throw boom; }, month: 1, day: 1 }, value: 1 }], TypeError, /bar 0: reading the time threw: boom/],
    'a revoked Proxy': [() => revoked.proxy, TypeError, /reading the array threw/],
  };
  for (const [what, [data, kind, message]] of Object.entries(hostile)) {
    it(what, () => {
      const chart = fakeChart();
      const line = attachFilter(chart, 'ultimateSmoother', { period: 12 });
      line.setData(bars.slice(0, 150));
      const drawn = JSON.stringify(line.series.points);
      const setDataCalls = chart.calls.setData;
      assert.throws(() => line.setData(data()), (e) => e instanceof kind && message.test(e.message) &&
        e.message.startsWith('ultimateSmoother line setData:') && (!/threw/.test(e.message) || e.cause !== undefined));
      assert.equal(chart.calls.setData, setDataCalls);
      assert.equal(JSON.stringify(line.series.points), drawn);
      // The stream still holds the first 149 closes: the next bar is its peek.
      line.update({ time: bars[150].time, value: closes[150] });
      assert.equal(lastValue(line), tsf.ultimateSmoother(closes.slice(0, 151), { period: 12 })[150]);
    });
  }

  it('a setData the chart refuses leaves the line\'s bars and stream as they were', () => {
    const chart = fakeChart({ setData: (n) => n === 2 });
    const line = attachFilter(chart, 'laguerreFilter', { gamma: 0.7, period: 9 });
    line.setData(bars.slice(0, 150));
    assert.throws(() => line.setData(bars.slice(50, 180)), { message: 'setData failed' });
    line.update(bars[150]);
    line.update({ time: bars[151].time, value: 99 });
    const expected = tsf.laguerreFilter([...closes.slice(0, 151), 99], { gamma: 0.7, period: 9 });
    assert.equal(lastValue(line), expected[151]);
  });
});

describe('values in the adapter\'s messages, worded as the package words them', () => {
  it('as written where the value is meant; by kind, running none of the caller\'s code, otherwise', () => {
    const line = attachFilter(fakeChart(), 'superSmoother');
    line.setData(bars.slice(0, 3));
    let ran = 0;
    const sneaky = Object.assign(() => 2, { toString: () => { ++ran; return '2'; }, valueOf: () => { ++ran; return 2; } });
    const worded = [
      [() => line.pop(sneaky), RangeError, /got a function$/],
      [() => line.pop(Symbol('two')), RangeError, /got a symbol$/],
      [() => line.pop(2.5), RangeError, /got 2\.5$/],
      [() => line.pop('1'), RangeError, /got "1"$/],
      [() => line.update({ time: 1.8e9, value: '80' }), RangeError, /finite number, got "80"$/],
      [() => line.update({ time: sneaky, value: 1 }), TypeError, /got a function$/],
      [() => line.update({ time: { year: 2024, month: '2', day: null }, value: 1 }), TypeError, /got \{ year: 2024, month: "2", day: null \}$/],
      [() => attachFilter(fakeChart(), 'superSmoother', {}, { warmup: true }), TypeError, /got true$/],
      [() => attachFilter(fakeChart(), 'superSmother'), TypeError, /unknown filter kind "superSmother"/],
    ];
    for (const [call, kind, message] of worded) assert.throws(call, (e) => e instanceof kind && message.test(e.message), String(message));
    assert.equal(ran, 0);
    assert.equal(line.series.points.length, 3);
    line.remove();
  });
});
