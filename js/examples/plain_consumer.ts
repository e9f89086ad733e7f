// A consumer under a lib without esnext.disposable (ES2022 and the DOM):
// the package's declarations check there too, without skipLibCheck.
import { Stream, Streams, superSmoother, TsfiltersError, type Values } from 'tsfilters';
import { init } from 'tsfilters/lean';

const closes: Values = [71.65, 72.7, 73.1];
const live = new Stream('superSmoother', { period: 10 });
const next: number | number[] = closes.length > 2 ? 74 : [74, 75];
const out: number | Float32Array = live.update(next);
const lanes = new Streams('highPass', [{ period: 10 }, { period: 20 }]);
try {
  live.free();
  live.update(1);
} catch (e) {
  if (e instanceof TsfiltersError && e.code === -3) console.log('freed');
}
void init;
console.log(out, superSmoother(closes), lanes.update([1, 2]));
lanes.free();
