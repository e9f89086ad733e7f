// What the tests share: a reproducible price-like walk and bit comparisons.
import assert from 'node:assert/strict';

export function priceWalk(length, seed = 12345) {
  let state = seed >>> 0;
  let v = 100;
  return Float32Array.from({ length }, () => {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    v += (state / 2 ** 32 - 0.5) * 2;
    return v;
  });
}

export const bitsOf = (values) => new Uint32Array(Float32Array.from(values).buffer);

// Equal bit for bit, every NaN counting as equal to every NaN.
export function assertSameBits(actual, expected, message) {
  assert.equal(actual.length, expected.length, message);
  const a = bitsOf(actual), e = bitsOf(expected);
  for (let i = 0; i < a.length; ++i) {
    if (Number.isNaN(actual[i]) && Number.isNaN(expected[i])) continue;
    if (a[i] !== e[i]) assert.fail(`${message ?? ''} slot ${i}: ${actual[i]} (${a[i].toString(16)}) vs ${expected[i]} (${e[i].toString(16)})`);
  }
}

// Parameters that are not each filter's defaults, per kind.
export const oddParams = {
  highPass: { period: 7 },
  superSmoother: { period: 3 },
  ultimateSmoother: { period: 31 },
  bandPass: { highPassPeriod: 30, smoothPeriod: 5 },
  cyberneticOscillator: { highPassPeriod: 25, smoothPeriod: 4 },
  laguerreFilter: { gamma: 0.3, period: 12 },
  laguerreOscillator: { gamma: 0.6, period: 9 },
};
