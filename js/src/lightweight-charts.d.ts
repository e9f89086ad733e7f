// tsfilters/lightweight-charts: a filter's line on a lightweight-charts chart.
import type { IChartApi, ISeriesApi, LineSeriesPartialOptions, Time } from 'lightweight-charts';
import type { FilterName, ParamsOf } from './index.js';

/**
 * A bar as the chart library takes it: a point, a candle (its close is used), or a gap.
 * A time that is no calendar date ('2023-02-29', month 13) is a TypeError.
 */
export type FilterBar =
  | { time: Time; value: number }
  | { time: Time; open: number; high: number; low: number; close: number }
  | { time: Time };

export interface AttachFilterOptions {
  /** The pane's index; default 0 for a smoother, a new pane for a filter that removes the level. */
  pane?: number;
  color?: string;
  /** The series' title; default the filter's name. */
  title?: string;
  lineWidth?: LineSeriesPartialOptions['lineWidth'];
  /** 'show' (default) draws the start-up values; 'hide' leaves gaps until the filter has settled. */
  warmup?: 'show' | 'hide';
  /** A dashed horizontal line at 0. */
  zeroLine?: boolean;
  /** Any further options of the line series. */
  seriesOptions?: LineSeriesPartialOptions;
}

export interface FilterLine {
  /** Replaces every bar, oldest first: the line is the batch call over their closes, bit for bit. */
  setData(bars: readonly FilterBar[]): void;
  /**
   * The last bar's time replaces it (the forming bar, drawn with Stream.peek);
   * a later time closes it (Stream.update) and starts the next; an earlier time throws a RangeError.
   */
  update(bar: FilterBar): void;
  /** The line series drawn. */
  readonly series: ISeriesApi<'Line', Time>;
  /**
   * Takes the line off the chart and frees its stream; the handle is unusable afterwards.
   * If the chart throws, the stream is freed all the same and a later remove() tries the chart again.
   */
  remove(): void;
}

/** Adds the line of filter `kind` with `params` (its defaults for any left out) to `chart`. */
export function attachFilter<K extends FilterName>(
  chart: IChartApi, kind: K, params?: ParamsOf[K], options?: AttachFilterOptions): FilterLine;
