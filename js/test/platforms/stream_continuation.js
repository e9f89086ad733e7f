// tests/platforms/stream_continuation.c through the npm package's Stream:
// `save` writes the saved states of every kind, parameter set and cut
// point; both modes then load every state of STATES, continue it to the
// end of its input and write the outputs, the window, a peek and the state
// saved at the end. A native build's
// states continue here with the native outputs, and states saved here
// continue natively with these outputs.
//
//   node stream_continuation.js save|continue STATES OUTPUTS
import { readFileSync, writeFileSync } from 'node:fs';
import { Stream, filterNames } from '../../src/index.js';
import { slots, walk } from './inputs.js';

const kLength = 300;
const base = walk(kLength);
const inputs = [
  base,
  Float32Array.from(base, (v, i) => (i === 60 ? NaN : i === 200 ? Infinity : i === 201 ? -Infinity : v)),
  Float32Array.from(base, (v, i) => (i < 100 ? 42.5 : v)),
];
// {period, smooth_period, gamma} as the C program's table has them.
const kParams = [[20, 10, 0.8], [48, 10, 0.5], [2, 3, 0], [1, 1, 1], [0, -4, -0.25], [600, 40, 2]];
const kCuts = [0, 1, 2, 3, 4, 5, 17, 98, 99, 100, 101, 150, 299, 300];

function paramsFor(kind, [period, smoothPeriod, gamma]) {
  if (kind === 'bandPass' || kind === 'cyberneticOscillator') return { highPassPeriod: period, smoothPeriod };
  if (kind === 'laguerreFilter' || kind === 'laguerreOscillator') return { gamma, period };
  return { period };
}

const hex = (bytes) => Buffer.from(bytes).toString('hex');
const [mode, statesPath, outputsPath] = process.argv.slice(2);

if (mode === 'save') {
  let text = '';
  for (const kind of filterNames) {
    for (const p of kParams) {
      inputs.forEach((input, number) => {
        for (const cut of kCuts) {
          const s = new Stream(kind, paramsFor(kind, p), { missing: 'keep' });
          s.update(input.subarray(0, cut));
          text += `${number} ${hex(s.save())}\n`;
          s.free();
        }
      });
    }
  }
  writeFileSync(statesPath, text);
} else if (mode !== 'continue') {
  console.error('usage: stream_continuation.js save|continue STATES OUTPUTS');
  process.exit(2);
}

let out = '', line = 0;
for (const row of readFileSync(statesPath, 'latin1').split('\n')) {
  if (row === '') continue;
  const [number, bytes] = row.trim().split(' ');
  const s = Stream.load(Buffer.from(bytes, 'hex'), { missing: 'keep' });
  const cut = s.samples;
  out += `state ${++line} input ${number} samples ${cut}:${slots(s.update(inputs[number].subarray(cut)))}`;
  const window = s.window();
  if (window !== null) out += ` window:${slots(window)}`;
  // A stream that peeks NaN holds NaNs, whose bits mean nothing: its state
  // is written as `nan`, as the C program writes it.
  const peeked = s.peek(42.5);
  out += ` peek:${slots(Float32Array.of(peeked))} saved: ${Number.isNaN(peeked) ? 'nan' : hex(s.save())}\n`;
  s.free();
}
writeFileSync(outputsPath, out);
