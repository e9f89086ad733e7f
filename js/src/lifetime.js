// Stream and book states live in the module's memory, which the collector
// does not see: a state freed by neither free() nor `using` is freed here
// when its object is collected. Also the symbol a `using` block disposes
// of an object by.
export const leftBehind = new FinalizationRegistry((cell) => {
  cell.wasm.free(cell.at);
  if (cell.io) cell.wasm.free(cell.io);
});
export const dispose = Symbol.dispose ?? Symbol.for('Symbol.dispose');
