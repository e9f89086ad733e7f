"""One Stream or Streams shared by four threads: updates, peeks, resets and
saves at once. Every update of a constant leaves the same state whatever
the order, so after the threads the object must hold exactly the state of
one fed the same number of samples in a row; a torn or lost update shows
there. Every save taken meanwhile must load. With the sanitizer library
(TSFILTERS_STREAM_LIBRARY pointing at the asan tree) a race aborts."""

import os
import pickle
import threading

import numpy as np
import pytest

import tsfilters

ROUNDS = int(os.environ.get("TSFILTERS_THREAD_ROUNDS", "400"))
PRICE = 71.5


def hammer(*jobs):
    """Runs each job on its own thread, all started together; re-raises the
    first failure."""
    start = threading.Barrier(len(jobs))
    failures = []

    def run(job):
        start.wait()
        try:
            job()
        except BaseException as exc:  # noqa: BLE001  (reported below)
            failures.append(exc)

    threads = [threading.Thread(target=run, args=(job,)) for job in jobs]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    if failures:
        raise failures[0]


def test_one_stream_fed_peeked_and_saved_from_four_threads():
    shared = tsfilters.Stream("laguerre_oscillator", gamma=0.5, period=20)
    saved = []

    def ticks():
        for _ in range(ROUNDS):
            shared.update(PRICE)

    def chunks():
        for _ in range(ROUNDS // 4):
            shared.update(np.full(4, PRICE))

    def peeks():
        for _ in range(ROUNDS):
            assert not np.isinf(shared.peek(PRICE))
            shared.window()
            repr(shared)

    def saves():
        for _ in range(ROUNDS // 4):
            saved.append(shared.to_bytes())
            pickle.loads(pickle.dumps(shared))
            shared.copy()

    hammer(ticks, chunks, peeks, saves)
    alone = tsfilters.Stream("laguerre_oscillator", gamma=0.5, period=20)
    alone.update(np.full(2 * ROUNDS, PRICE))
    assert shared.samples == 2 * ROUNDS
    assert shared.to_bytes() == alone.to_bytes()
    for data in saved:  # each a whole state of its moment
        assert 0 <= tsfilters.Stream.from_bytes(data).samples <= 2 * ROUNDS


def test_one_streams_table_fed_peeked_and_pickled_from_four_threads():
    columns = [f"s{j}" for j in range(37)]  # vectors of lanes and a ragged end
    shared = tsfilters.Streams("super_smoother", columns, period=10)
    row = np.full(len(columns), PRICE)
    pickles = []

    def rows():
        for _ in range(ROUNDS):
            shared.update(row)

    def blocks():
        for _ in range(ROUNDS // 4):
            shared.update(np.full((4, len(columns)), PRICE))

    def peeks():
        for _ in range(ROUNDS):
            assert np.isfinite(shared.peek(row)).all()
            shared["s3"]

    def saves():
        for _ in range(ROUNDS // 4):
            pickles.append(pickle.dumps(shared))
            shared.copy()

    hammer(rows, blocks, peeks, saves)
    alone = tsfilters.Streams("super_smoother", columns, period=10)
    alone.update(np.full((2 * ROUNDS, len(columns)), PRICE))
    assert shared.samples == 2 * ROUNDS
    assert pickle.dumps(shared) == pickle.dumps(alone)
    for data in pickles:  # every column saved at the same row
        table = pickle.loads(data)
        states = {table[c].to_bytes() for c in columns}
        assert len(states) == 1


@pytest.mark.parametrize("make, feed", [
    (lambda: tsfilters.Stream("cybernetic_oscillator"), lambda s: s.update(PRICE)),
    (lambda: tsfilters.Streams("high_pass", 19, period=12),
     lambda s: s.update(np.full(19, PRICE))),
])
def test_resets_while_other_threads_feed_peek_and_save(make, feed):
    shared = make()
    one = np.full(19, PRICE) if isinstance(shared, tsfilters.Streams) else PRICE

    def feeds():
        for _ in range(ROUNDS):
            feed(shared)

    def peeks():
        for _ in range(ROUNDS):
            shared.peek(one)

    def resets():
        for _ in range(ROUNDS // 8):
            shared.reset()

    def saves():
        for _ in range(ROUNDS // 4):
            copy = pickle.loads(pickle.dumps(shared))
            assert 0 <= copy.samples <= ROUNDS

    hammer(feeds, peeks, resets, saves)
    assert 0 <= shared.samples <= ROUNDS


def test_listings_and_delistings_while_other_threads_feed_and_save():
    columns = [f"s{j}" for j in range(21)]
    shared = tsfilters.Streams("super_smoother", columns, period=10, missing="drop")
    saved = []

    def rows():
        for _ in range(ROUNDS):
            shared.update({c: PRICE for c in columns[:5]})

    def dense():
        for _ in range(ROUNDS):
            assert np.isfinite(list(shared.peek({c: PRICE for c in columns}).values())).all()
            shared.window()

    def listings():
        for j in range(ROUNDS // 4):
            shared.add(f"new{j}", period=12)  # the book grows and moves meanwhile
            if j % 2:
                shared.remove(f"new{j - 1}")

    def saves():
        for _ in range(ROUNDS // 4):
            saved.append(shared.to_bytes())
            pickle.loads(pickle.dumps(shared))

    hammer(rows, dense, listings, saves)
    assert all(shared.samples_of(c) == ROUNDS for c in columns[:5])
    for data in saved:
        table = tsfilters.Streams.from_bytes(data)
        assert len({table.samples_of(c) for c in columns[:5]}) == 1
