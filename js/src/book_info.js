// tsf_book_info, the library's description of a book (its kind, missing
// policy, capacity and slots), read from the module's memory, and the
// numbers it gives the missing policies.

export const TSF_MISSING = { error: 0, drop: 1, keep: 2 };

// A few words of the module's memory for tsf_book_info, kept for good.
const infoAreas = new WeakMap();
export function infoArea(wasm) {
  let at = infoAreas.get(wasm);
  if (at === undefined) infoAreas.set(wasm, at = wasm.malloc(32));
  return at;
}

// The tsf_book_info at `at`.
export function readInfo(wasm, at) {
  wasm.views();
  const v = wasm.data;
  return {
    kind: v.getInt32(at, true), missing: v.getInt32(at + 4, true),
    capacity: v.getInt32(at + 8, true), slots: v.getInt32(at + 12, true), live: v.getInt32(at + 16, true),
  };
}
