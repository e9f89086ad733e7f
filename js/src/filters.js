// The seven filters as the package names them, from the library's own
// table: each one's row (its export, the shape of its parameters, its
// defaults, the longest period it follows a price at) under its JavaScript
// name, which is also its stream kind's.
import { filterTable } from '../generated/filter_table.js';
import { describe } from './describe.js';

// HighPass -> highPass: the JavaScript names of the filters, which are also
// the stream kinds' names. A kind's number is its row's, counting from 1.
export const filters = filterTable.map((row, index) => ({
  ...row,
  name: row.exportName[0].toLowerCase() + row.exportName.slice(1),
  kind: index + 1,
}));
export const byName = new Map(filters.map((f) => [f.name, f]));

/** The names of the filters, in the library's order. */
export const filterNames = Object.freeze(filters.map((f) => f.name));

// The filter of a kind's name; a TypeError naming the kinds otherwise.
export function filterNamed(kind) {
  const filter = typeof kind === 'string' ? byName.get(kind) : undefined;
  if (filter === undefined) {
    throw new TypeError(`unknown filter kind: expected one of ${filterNames.join(', ')}, got ${describe(kind)}`);
  }
  return filter;
}

/**
 * The longest period at which filter `kind` follows a price in single
 * precision: a step from 50 to 70, held for 10 periods, ends within 0.1% of
 * 70. Beyond it the output can freeze off the price. null for a filter that
 * removes the level and has no such limit. Nothing warns at run time: check
 * a period against this where it is chosen.
 */
export function precisionLimit(kind) {
  return filterNamed(kind).precisionLimit || null;
}
