"""Writing the command's output file without ever leaving a half-written
one, and without turning what the name stands for into something else.

A regular file (or a name not yet taken) gets a temporary file beside it
that is flushed to disk and renamed over it: readers see the old file or the
new one, never a part. A name that stands for a stream (a FIFO another
process reads, a terminal, /dev/null, /dev/full) is written directly: the
rename would put a regular file where the device or FIFO was, and the reader
would never get the data. /dev/stdout and /dev/fd/N name one of our own open
descriptors, which is written through, at its own offset. A symbolic link is
followed: the file it points to is replaced and the link is kept.
"""

import contextlib
import errno
import os
import re
import shutil
import signal
import stat
import tempfile
import threading


class OutputError(Exception):
    """An output that cannot be written, said in one line naming it."""


# Signals that end the command early, as a user or a supervisor sends them;
# while a temporary file exists they are turned into an exception so that
# the file is removed (SIGKILL cannot be caught).
_SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)

_OWN_DESCRIPTORS = re.compile(r"/proc/(\d+)(?:/task/\d+)?/fd")
_LINK_HOPS = 40  # as the kernel's own limit on a chain of links


class Plan:
    """How `path` is written: kind is "replace" (a temporary file renamed
    over `target`), "stream" (opened and written in place) or "descriptor"
    (our open descriptor `descriptor`)."""

    def __init__(self, kind, target, descriptor=None):
        self.kind, self.target, self.descriptor = kind, target, descriptor


def _own_descriptor(path):
    """N when `path`, after any links, is /proc/self/fd/N, /dev/fd/N or
    /dev/stdout (our descriptor N), else None."""
    for _ in range(_LINK_HOPS):
        folder, name = os.path.split(os.path.abspath(path))
        found = _OWN_DESCRIPTORS.fullmatch(os.path.realpath(folder))
        if found and int(found[1]) == os.getpid() and name.isdigit():
            return int(name)
        if not os.path.islink(path):
            return None
        path = os.path.join(folder, os.readlink(path))
    return None


def plan(path):
    """The Plan for writing `path`, or OutputError for what cannot be
    written: a directory, a block device (a disk), a socket, a name in a
    folder that does not exist."""
    descriptor = _own_descriptor(path)
    if descriptor is not None:
        return Plan("descriptor", path, descriptor)
    try:
        mode = os.stat(path).st_mode
    except FileNotFoundError:
        mode = None
    except OSError as exc:
        raise OutputError(f"cannot write {path}: {exc.strerror or exc}") from None
    if mode is not None and not stat.S_ISREG(mode):
        if stat.S_ISCHR(mode) or stat.S_ISFIFO(mode):
            return Plan("stream", path)
        what = ("a directory" if stat.S_ISDIR(mode) else "a block device" if stat.S_ISBLK(mode)
                else "a socket" if stat.S_ISSOCK(mode) else "not a regular file")
        raise OutputError(f"cannot write {path}: it is {what}")
    # Through any links to the file they name: the link stays a link.
    target = os.path.realpath(path)
    folder = os.path.dirname(target if os.path.islink(path) else os.path.abspath(path))
    if not os.path.isdir(folder):
        raise OutputError(f"cannot write {path}: no directory {folder}")
    return Plan("replace", target)


def write_output(path, write):
    """Calls `write(file_path)` to write `path` as its Plan says; any
    failure is an OutputError naming `path` (a closed pipe stays a
    BrokenPipeError, which the command ends quietly on)."""
    how = plan(path)
    try:
        if how.kind == "stream":
            write(path)
        elif how.kind == "descriptor":
            _write_descriptor(path, how.descriptor, write)
        else:
            _replace(path, how.target, write)
    except (BrokenPipeError, OutputError):
        raise
    except _Signalled as exc:  # a handler of the caller's that let the command go on
        raise OutputError(f"cannot write {path}: stopped by "
                          f"{signal.Signals(exc.signum).name}") from None
    except OSError as exc:
        raise OutputError(f"cannot write {path}: {exc.strerror or exc}") from None


def _write_descriptor(path, descriptor, write):
    """A descriptor open on a pipe or a terminal is opened again by its
    name; one open on a regular file (`-o /dev/stdout >> log`) is written
    through a copy of the descriptor, from a temporary file, so that the
    file is neither truncated nor written from its start."""
    if not stat.S_ISREG(os.fstat(descriptor).st_mode):
        write(path)
        return
    with _temporary(tempfile.gettempdir(), os.path.basename(path)) as temp:
        write(temp)
        with open(temp, "rb") as source, os.fdopen(os.dup(descriptor), "wb") as sink:
            shutil.copyfileobj(source, sink)


def _replace(path, target, write):
    folder, name = os.path.split(target)
    with _temporary(folder, name) as temp:
        write(temp)
        _sync(temp)
        _take_over_owner_and_mode(temp, target)
        # Checked again at the last moment: whatever took the name since the
        # plan, a device or a FIFO is never replaced by a regular file.
        try:
            mode = os.lstat(target).st_mode
        except FileNotFoundError:
            mode = stat.S_IFREG
        if not stat.S_ISREG(mode):
            raise OutputError(f"cannot write {path}: it is no longer a regular file")
        os.replace(temp, target)
    # The rename is on disk only once the folder is.
    _sync(folder, directory=True)


def _sync(path, directory=False):
    fd = os.open(path, os.O_RDONLY | (os.O_DIRECTORY if directory else 0))
    try:
        os.fsync(fd)
    except OSError as exc:
        # Some file systems cannot sync a directory; the file itself is.
        if not (directory and exc.errno in (errno.EINVAL, errno.ENOTSUP)):
            raise
    finally:
        os.close(fd)


def _take_over_owner_and_mode(temp, target):
    """A file written over keeps its owner (when we may give it) and its
    permissions (a private 0600 file stays private); a new one gets what
    open() would give it under the umask, not mkstemp's 0600."""
    try:
        old = os.stat(target)
    except FileNotFoundError:
        os.chmod(temp, 0o666 & ~_umask())
        return
    if (old.st_uid, old.st_gid) != (os.getuid(), os.getgid()):
        with contextlib.suppress(PermissionError):
            os.chown(temp, old.st_uid, old.st_gid)
    os.chmod(temp, stat.S_IMODE(old.st_mode))


def _umask():
    mask = os.umask(0)
    os.umask(mask)
    return mask


class _Signalled(BaseException):
    def __init__(self, signum):
        super().__init__(f"signal {signum}")
        self.signum = signum


@contextlib.contextmanager
def _temporary(folder, name):
    """A temporary file `.NAME.XXXXXXXX.EXT` in `folder`, removed when the
    body fails, is interrupted by SIGTERM, SIGINT or SIGHUP, or leaves it
    behind; the signal's own handler then runs as if nothing had caught it
    (by default it ends the process with that signal; one that returns
    leaves _Signalled raised)."""
    handled = _catch_signals()
    received = None
    # A signal between the file's creation and the moment its name is kept
    # would leave it behind: it waits until then.
    _block(handled)
    try:
        try:
            fd, temp = tempfile.mkstemp(prefix=f".{name}.", suffix=os.path.splitext(name)[1],
                                        dir=folder)
            os.close(fd)
        finally:
            _unblock(handled)
        try:
            yield temp
        except _Signalled as exc:
            received = exc.signum
            raise
        finally:
            _block(handled)  # nothing interrupts the removal
            with contextlib.suppress(FileNotFoundError):
                os.unlink(temp)
    finally:
        _block(handled)
        for signum, handler in handled.items():
            signal.signal(signum, handler)
        if received is not None:
            os.kill(os.getpid(), received)  # pending until unblocked, then as it would have
        _unblock(handled)


def _catch_signals():
    """{signal: previous handler} for each signal now raising _Signalled;
    none off the main thread (Python allows handlers only there), none that
    is ignored (nohup's SIGHUP stays ignored)."""
    if threading.current_thread() is not threading.main_thread():
        return {}
    previous = {}
    for signum in _SIGNALS:
        handler = signal.getsignal(signum)
        if handler in (signal.SIG_IGN, None):
            continue
        previous[signum] = signal.signal(signum, _raise_signalled)
    return previous


def _raise_signalled(signum, frame):
    raise _Signalled(signum)


def _block(handled):
    if handled:
        signal.pthread_sigmask(signal.SIG_BLOCK, handled)


def _unblock(handled):
    if handled:
        signal.pthread_sigmask(signal.SIG_UNBLOCK, handled)
