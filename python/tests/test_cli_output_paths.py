"""What `-o` does with the many things a name can stand for (a FIFO, a
device, /dev/stdout, links, a full disk) and with a run stopped mid-write,
and the one-line message for a date the tool cannot hold.

The tests run as root in CI, where replacing /dev/null would break the
machine: every run here, in-process or not, goes through a guard that
fails instead of renaming anything over a non-regular file or into /dev."""

import errno
import os
import signal
import socket
import stat
import subprocess
import sys
import time

import pytest
from conftest import PYTHON_DIR

from tsfilters.cli import csv_files as csvio
from tsfilters.cli import output_file as _output_file
from tsfilters.cli import main

ROWS = "".join(f"2024-01-{d:02d},{50 + d % 7}\n" for d in range(1, 29))

GUARD = """
import os, stat
_replace = os.replace
def _guarded(source, target, *args, **kwargs):
    try:
        mode = os.lstat(target).st_mode
    except FileNotFoundError:
        mode = stat.S_IFREG
    if not stat.S_ISREG(mode) or os.path.realpath(target).startswith(("/dev/", "/proc/")):
        raise AssertionError(f"the test refused to let {target} be replaced")
    return _replace(source, target, *args, **kwargs)
"""
exec(GUARD)  # noqa: S102  (the same guard for the in-process runs, set by the fixture)


@pytest.fixture(autouse=True)
def _never_replace_a_device(monkeypatch):
    monkeypatch.setattr(_output_file.os, "replace", _guarded)  # noqa: F821


def run(args, capsys, status=0):
    try:
        got = main(args)
    except SystemExit as exc:
        got = exc.code
    out, err = capsys.readouterr()
    assert got == status, err
    return out, err


def source(tmp_path):
    path = tmp_path / "in.csv"
    path.write_text("date,close\n" + ROWS)
    return str(path)


def expected(tmp_path, capsys):
    out, _ = run(["apply", source(tmp_path)], capsys)
    return out


def command(*args, prelude=""):
    """The command in a fresh interpreter, behind the guard."""
    env = dict(os.environ)
    if not os.environ.get("TSFILTERS_TEST_INSTALLED"):
        env["PYTHONPATH"] = str(PYTHON_DIR)
    code = GUARD + "os.replace = _guarded\n" + prelude + "import sys\nfrom tsfilters.cli import main\nsys.exit(main(sys.argv[1:]))"
    return [sys.executable, "-c", code, *args], env


def identity(path):
    st = os.lstat(path)
    return st.st_mode, st.st_rdev, st.st_ino


def test_a_fifo_read_by_another_process_gets_the_data_and_stays_a_fifo(tmp_path, capsys):
    want = expected(tmp_path, capsys)
    fifo = tmp_path / "pipe.csv"
    os.mkfifo(fifo)
    reader = subprocess.Popen(["cat", str(fifo)], stdout=subprocess.PIPE, text=True)
    try:
        run(["apply", source(tmp_path), "-o", str(fifo)], capsys)
        got, _ = reader.communicate(timeout=60)
    finally:
        reader.kill()
    assert got == want
    assert stat.S_ISFIFO(os.lstat(fifo).st_mode)
    assert sorted(os.listdir(tmp_path)) == ["in.csv", "pipe.csv"]


@pytest.mark.parametrize("device, through_link, status, message", [
    ("/dev/null", False, 0, None),
    ("/dev/null", True, 0, None),
    ("/dev/full", False, 1, "cannot write {out}: No space left on device"),
    ("/dev/full", True, 1, "cannot write {out}: No space left on device"),
])
def test_devices_are_written_in_place_never_replaced(tmp_path, capsys, device, through_link,
                                                     status, message):
    if not stat.S_ISCHR(os.stat(device).st_mode):
        pytest.skip(f"{device} is not a character device here")
    before = identity(device)
    out = device
    if through_link:
        out = str(tmp_path / "link.csv")
        os.symlink(device, out)
    _, err = run(["apply", source(tmp_path), "-o", out], capsys, status)
    assert identity(device) == before
    if through_link:
        assert os.readlink(out) == device
    if message:
        assert err.splitlines() == ["tsfilters: error: " + message.format(out=out)]
    assert sorted(os.listdir(tmp_path)) == ["in.csv"] + (["link.csv"] if through_link else [])


def test_dev_stdout_is_written_through_our_descriptor(tmp_path, capsys):
    want = expected(tmp_path, capsys)
    link = tmp_path / "to-stdout.csv"
    os.symlink("/dev/stdout", link)
    before = identity("/dev/stdout")
    # A pipe, reached through a link of the user's.
    args, env = command("apply", source(tmp_path), "-o", str(link))
    piped = subprocess.run(args, env=env, capture_output=True, text=True, timeout=120)
    assert (piped.returncode, piped.stdout, piped.stderr) == (0, want, "")
    # A file opened for appending (`>> log`): neither truncated nor written
    # from its start.
    log = tmp_path / "log.txt"
    log.write_text("earlier line\n")
    args, env = command("apply", source(tmp_path), "-o", "/dev/stdout")
    with open(log, "a") as appending:
        done = subprocess.run(args, env=env, stdout=appending, stderr=subprocess.PIPE,
                              text=True, timeout=120)
    assert (done.returncode, done.stderr) == (0, "")
    assert log.read_text() == "earlier line\n" + want
    assert identity("/dev/stdout") == before and os.path.islink(link)
    assert sorted(os.listdir(tmp_path)) == ["in.csv", "log.txt", "to-stdout.csv"]


def test_a_link_to_a_regular_file_replaces_the_file_and_keeps_the_link(tmp_path, capsys):
    want = expected(tmp_path, capsys)
    (tmp_path / "real").mkdir()
    target = tmp_path / "real" / "out.csv"
    target.write_text("old\n")
    os.chmod(target, 0o640)
    link = tmp_path / "out.csv"
    os.symlink("real/out.csv", link)
    run(["apply", source(tmp_path), "-o", str(link)], capsys)
    assert os.readlink(link) == "real/out.csv"
    assert target.read_text() == want
    assert stat.S_IMODE(os.stat(target).st_mode) == 0o640
    assert sorted(os.listdir(tmp_path / "real")) == ["out.csv"]
    # A link to the input is the input.
    os.symlink("in.csv", tmp_path / "same.csv")
    _, err = run(["apply", source(tmp_path), "-o", str(tmp_path / "same.csv")], capsys, 1)
    assert err.endswith(f"cannot write {tmp_path / 'same.csv'}: it is the input file\n")


@pytest.mark.skipif(os.geteuid() != 0, reason="giving a file away needs root")
def test_a_file_written_over_keeps_its_owner(tmp_path, capsys):
    out = tmp_path / "out.csv"
    out.write_text("old\n")
    os.chown(out, 12345, 23456)
    run(["apply", source(tmp_path), "-o", str(out)], capsys)
    assert (os.stat(out).st_uid, os.stat(out).st_gid) == (12345, 23456)


def _block_device():
    with os.scandir("/dev") as entries:
        for entry in entries:
            if stat.S_ISBLK(entry.stat(follow_symlinks=False).st_mode):
                return entry.path
    pytest.skip("no block device in /dev")


@pytest.mark.parametrize("kind", ["directory", "socket", "block device", "missing folder",
                                  "read-only folder"])
def test_outputs_that_cannot_be_written_are_refused_before_any_work(tmp_path, capsys,
                                                                    monkeypatch, kind):
    read = []
    real = csvio.read_table
    monkeypatch.setattr(csvio, "read_table", lambda *a: (read.append(1), real(*a))[1])
    made = []
    if kind == "directory":
        out, why = tmp_path / "sub", "it is a directory"
        out.mkdir()
        made = ["sub"]
    elif kind == "socket":
        out, why = tmp_path / "sock", "it is a socket"
        server = socket.socket(socket.AF_UNIX)
        server.bind(str(out))
        server.close()  # the socket file stays
        made = ["sock"]
    elif kind == "block device":
        out, why = _block_device(), "it is a block device"
        before = identity(out)
    elif kind == "missing folder":
        out, why = tmp_path / "no" / "out.csv", f"no directory {tmp_path / 'no'}"
    else:  # root may write anywhere: the folder's answer is what is checked
        folder = os.path.realpath(tmp_path)
        monkeypatch.setattr(os, "access", lambda path, mode: path != folder)
        out, why = tmp_path / "out.csv", f"the directory {folder} is not writable"
    _, err = run(["apply", source(tmp_path), "-o", str(out)], capsys, 1)
    assert err == f"tsfilters: error: cannot write {out}: {why}\n"
    assert read == []
    assert sorted(os.listdir(tmp_path)) == sorted(["in.csv"] + made)
    if kind == "block device":
        assert identity(out) == before


def test_a_full_disk_names_the_output_and_keeps_the_old_file(tmp_path, capsys, monkeypatch):
    out = tmp_path / "out.csv"
    out.write_text("old\n")
    real = csvio.write_csv

    def fill_up(file, table, columns):
        real(file, table, columns)
        raise OSError(errno.ENOSPC, os.strerror(errno.ENOSPC))

    monkeypatch.setattr(csvio, "write_csv", fill_up)
    _, err = run(["apply", source(tmp_path), "-o", str(out)], capsys, 1)
    assert err == f"tsfilters: error: cannot write {out}: No space left on device\n"
    assert out.read_text() == "old\n"
    assert sorted(os.listdir(tmp_path)) == ["in.csv", "out.csv"]


def test_the_file_is_on_disk_before_the_rename_and_the_rename_after(tmp_path, capsys,
                                                                   monkeypatch):
    steps = []
    sync, replace = os.fsync, _output_file.os.replace

    def spy_sync(fd):
        mode = os.fstat(fd).st_mode
        steps.append("folder" if stat.S_ISDIR(mode) else f"file of {os.fstat(fd).st_size}")
        return sync(fd)

    monkeypatch.setattr(os, "fsync", spy_sync)
    monkeypatch.setattr(_output_file.os, "replace",
                        lambda a, b: (steps.append("rename"), replace(a, b))[1])
    handlers = [signal.getsignal(s) for s in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)]
    out = tmp_path / "out.csv"
    run(["apply", source(tmp_path), "-o", str(out)], capsys)
    assert steps == [f"file of {out.stat().st_size}", "rename", "folder"]
    assert [signal.getsignal(s) for s in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)] == handlers


# Small batches that each take a while: the write lasts seconds, whatever the
# machine, so that the signal surely lands in the middle of it.
SLOW_WRITE = """
import signal, time
# As in a terminal, whatever the test runner's own parent ignores.
signal.signal(signal.SIGINT, signal.default_int_handler)
signal.signal(signal.SIGHUP, signal.SIG_DFL)
signal.signal(signal.SIGTERM, signal.SIG_DFL)
from tsfilters.cli import csv_files as csvio
csvio._BATCH = 200
_format = csvio.format_float32
csvio.format_float32 = lambda values, decimal=".": (time.sleep(0.02), _format(values, decimal))[1]
"""


@pytest.mark.parametrize("signum", [signal.SIGTERM, signal.SIGINT, signal.SIGHUP])
def test_a_signal_during_a_write_leaves_no_temporary_file(tmp_path, signum):
    big = tmp_path / "big.csv"
    big.write_text("n,close\n" + "".join(f"{i},{50 + i % 89}\n" for i in range(40_000)))
    out = tmp_path / "out.csv"
    out.write_text("old\n")
    args, env = command("apply", str(big), "-o", str(out), prelude=SLOW_WRITE)
    process = subprocess.Popen(args, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               text=True, restore_signals=True)
    try:
        deadline = time.monotonic() + 120
        while not any(name.startswith(".out.csv.") for name in os.listdir(tmp_path)):
            assert process.poll() is None and time.monotonic() < deadline, process.stderr.read()
            time.sleep(0.01)
        time.sleep(0.1)
        process.send_signal(signum)
        _, err = process.communicate(timeout=60)
    finally:
        process.kill()
    assert process.returncode == -signum
    assert err == ""  # Ctrl-C too ends without a traceback
    assert sorted(os.listdir(tmp_path)) == ["big.csv", "out.csv"]
    assert out.read_text() == "old\n"


FAR = "tsfilters: error: {path}:{line}: column {column!r}: {cell!r} is outside the dates the " \
      "tool can hold, 1677-09-21 to 2262-04-11; a mistyped year?"


@pytest.mark.parametrize("dates, args, line, cell", [
    (["2024-01-01", "2024-01-02", "9999-12-31"], [], 4, "9999-12-31"),
    (["1024-01-01", "2024-01-02", "2024-01-03"], [], 2, "1024-01-01"),
    # With a format pandas gives up on the whole column: not the first cell.
    (["2024-01-01", "2024-01-02", "9999-12-31"], ["--date-format", "%Y-%m-%d"], 4, "9999-12-31"),
    (["20240101", "20240102", "99991231"], ["--date-format", "%Y%m%d"], 4, "99991231"),
    (["30.12.2023", "31.12.2023", "31.12.9999"], [], 4, "31.12.9999"),
    (["2024-01-01T09:00+01:00", "2024-01-02T09:00+01:00", "9999-12-31T23:00-05:00"], [], 4,
     "9999-12-31T23:00-05:00"),
    (["Jan 1 2024", "Jan 2 2024", "Dec 31 9999"], [], 4, "Dec 31 9999"),
    (["2262-04-11 23:47:16", "2262-04-11 23:47:17", "2262-04-12"], [], 3, "2262-04-11 23:47:17"),
])
@pytest.mark.parametrize("header", ["date", "when"])  # named, or found among the columns
def test_a_date_the_tool_cannot_hold_is_one_line_naming_file_and_line(tmp_path, capsys, dates,
                                                                      args, line, cell, header):
    path = tmp_path / "far.csv"
    path.write_text(f"{header},close\n" + "".join(f"{d},{50 + i}\n" for i, d in enumerate(dates)))
    if "--date-format" in args:  # compact dates are numbers unless the column is named
        args = args + ["--date-column", header]
    _, err = run(["apply", str(path), *args], capsys, 1)
    assert err.splitlines() == [FAR.format(path=path, line=line, column=header, cell=cell)]


def test_fractions_of_a_second_and_garbage_keep_their_own_messages(tmp_path, capsys):
    path = tmp_path / "t.csv"
    path.write_text("date,close\n2024-01-01 10:00:00.1234,1\n2024-01-01 10:00:01.9999,2\n")
    out, _ = run(["apply", str(path)], capsys)
    assert out.splitlines()[2].startswith("2024-01-01 10:00:01.9999,2,")
    path.write_text("date,close\n2024-01-01,1\nsoon,2\n9999-12-31,3\n")
    _, err = run(["apply", str(path)], capsys, 1)
    # pandas 1 stops at the first unreadable cell, later ones at the date
    # they cannot hold; either is named with its line.
    assert err.splitlines() in ([f"tsfilters: error: {path}:3: column 'date': 'soon' is not a date"],
                                [FAR.format(path=path, line=4, column="date", cell="9999-12-31")])
