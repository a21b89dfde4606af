"""Tests of the statfs module, for Python 2.7 and Python 3.

CTest runs one class at a time, each in a fresh interpreter, with the
module's folder on PYTHONPATH and test_preload's library preloaded: it
answers statfs for made-up /fake/ paths and counts the calls, and the
threads started.  A class whose every test was skipped exits with status
77.  STATFS_STRESS_CALLS sets how many calls each thread of Stress makes
(20000; fewer under an emulator), and with it how many calls with a
timeout Stress makes.
"""

from __future__ import print_function

import ctypes
import errno
import gc
import itertools
import os
import re
import select
import shutil
import signal
import sys
import sysconfig
import tempfile
import threading
import time
import traceback
import unittest
import warnings

PY3 = sys.version_info[0] >= 3
FREE_THREADED = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))
MiB = 1 << 20
LEAKED = 256 << 10      # growth over many calls that tells of a leak
libc = ctypes.CDLL(None, use_errno=True)


def fake(**fields):
    order = ("bsize", "frsize", "blocks", "bavail", "files", "ffree")
    return "/fake/%d/%d/%d/%d/%d/%d" % tuple(fields.get(f, 0) for f in order)


def calls():
    """How often statfs has been called in this process."""
    return ctypes.c_ulong.in_dll(libc, "statfs_fake_calls").value


def started_threads():
    """How many threads have been started in this process."""
    return ctypes.c_ulong.in_dll(libc, "statfs_fake_threads").value


def bsize_type():
    """The block size's width in bits, and whether it is signed."""
    return (ctypes.c_int.in_dll(libc, "statfs_fake_bsize_bits").value,
            ctypes.c_int.in_dll(libc, "statfs_fake_bsize_signed").value)


def module():
    import statfs
    return statfs


def rss():
    """The process's resident size, in bytes."""
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def growth(run):
    """How much the process grows over run(): the least of up to three
    runs, stopping at one below LEAKED.  A leak grows it on every run;
    under qemu, whose own size this is too, its translation of code new
    to it may grow it once."""
    least = None
    for _ in range(3):
        before = rss()
        run()
        grew = rss() - before
        least = grew if least is None else min(least, grew)
        if least < LEAKED:
            break
    return least


# CTest runs a cross build's tests under qemu-user, giving it the
# environment of the interpreter under test in QEMU_SET_ENV, which that
# inherits too.
EMULATED = "QEMU_SET_ENV" in os.environ


def gil_enabled():
    return getattr(sys, "_is_gil_enabled", lambda: True)()


now = getattr(time, "monotonic", time.time)
TIMED_OUT = TimeoutError if PY3 else OSError  # noqa: F821 (Python 2)
LATE = 0.05     # how late a timeout may come, at the most
# How long a thread whose timed call has answered waits, idle, for the
# next (Python 2.7 has no timed lock to wait with: there it ends with its
# call), and the idle threads that such a call leaves.
IDLE = 2.0 if PY3 else 0
IDLING = 1 if IDLE else 0


def tasks():
    """The process's threads, once none has come or gone for 50 ms (a
    thread that was joined may take a moment to go)."""
    n = None
    while n != len(os.listdir("/proc/self/task")):
        n = len(os.listdir("/proc/self/task"))
        time.sleep(0.05)
    return n


# The process's threads before any call with a timeout: its own.
BASE = tasks()


def settle(want, within=5.0):
    """The process's threads once they are want, or within seconds."""
    end = now() + within
    while len(os.listdir("/proc/self/task")) != want and now() < end:
        time.sleep(0.005)
    return tasks()


def hold(test, *codes):
    """Paths whose statfs, run by test_preload, waits until release() is
    called (or 5 s have passed), then fails with the errno code given for
    each; release(n) lets n calls go, by default one a path; and
    started(), which waits up to 5 s for a call on one of them to
    begin and says whether one did."""
    begun, go = os.pipe(), os.pipe()
    paths = ["/block/%d/%d/%d" % (begun[1], go[0], code) for code in codes]

    def release(calls=len(paths)):
        os.write(go[1], b"x" * calls)

    def started():
        if not select.select([begun[0]], [], [], 5.0)[0]:
            return False
        return len(os.read(begun[0], 1)) == 1
    for fd in begun + go:
        test.addCleanup(os.close, fd)
    test.addCleanup(release)    # first: nothing stays held
    return paths, started, release


def child(test, call, code, within=3.0):
    """Starts a child of fork() that makes call() and ends its
    interpreter, as a process does that returns from its main code:
    with status 0 where the call raised OSError with errno code, 1
    with another, 2 where it returned (99, its traceback written, where
    it raised anything else); returns a function that waits for it, up
    to within seconds from now, and returns its wait status."""
    begin = now()
    with warnings.catch_warnings():
        # (3.12 on warn of a fork with threads running: that may be
        # the case)
        warnings.simplefilter("ignore", DeprecationWarning)
        pid = os.fork()
    if pid == 0:
        status = 99
        try:
            call()
            status = 2
        except OSError as e:
            status = int(e.errno != code)
        except BaseException:
            traceback.print_exc()
        finally:
            ctypes.pythonapi.Py_Exit(status)

    def ended():
        while True:
            done, status = os.waitpid(pid, os.WNOHANG)
            if done == pid:
                return status
            if now() - begin > within:
                os.kill(pid, signal.SIGKILL)
                os.waitpid(pid, 0)
                test.fail("the child has not ended")
            time.sleep(0.01)
    return ended


class Interface(unittest.TestCase):
    docs = [
        # function, words its doc string must hold
        ("statfs", ["(bsize, blocks, bavail, files, ffree)", "f_bavail",
                    "unprivileged", "fragment", "f_frsize"]),
        ("free_mb", ["f_bavail", "unprivileged", "mebibytes", "MiB", "rounded down"]),
    ]
    # what both say of the timeout, and of what a call with one costs and
    # leaves behind
    timeout_words = ["timeout", "TimeoutError", "ETIMEDOUT", "thread of its own",
                     "same path", "None", "starts no thread"]
    timeout_words += (["waits 2 seconds, idle, for the next call", "a few microseconds",
                       "one thread at most"] if IDLE else
                      ["starts a thread, which ends with it", "tens of microseconds"])

    def test_names_and_texts(self):
        statfs = module()
        self.assertEqual(sorted(n for n in dir(statfs) if not n.startswith("_")),
                         ["Version", "free_mb", "statfs"])
        self.assertEqual(statfs.Version,
                         "$Id: statfsmodule,v 1.1 2000/08/14 16:02:01 kdw Exp $")
        self.assertIs(type(statfs.Version), str)
        self.assertIn("statfs(2)", statfs.__doc__)
        if FREE_THREADED:
            self.assertFalse(gil_enabled(), "importing statfs turned the lock on")

    def test_doc_strings_tell_the_figures_truthfully(self):
        statfs = module()
        for name, words in self.docs:
            doc = " ".join(getattr(statfs, name).__doc__.split())
            for word in words + self.timeout_words:
                self.assertIn(word, doc, name)
            self.assertNotIn("bfree", doc)

    def test_signatures(self):
        statfs = module()
        for name, _ in self.docs:
            f = getattr(statfs, name)
            if not PY3:     # no inspect.signature: the doc string shows it
                self.assertTrue(f.__doc__.startswith(name + "(path, *, timeout=None)\n\n"),
                                f.__doc__)
                continue
            import inspect
            signature = inspect.signature(f)
            self.assertEqual(str(signature), "(path, *, timeout=None)")
            self.assertEqual(signature.parameters["path"].kind,
                             inspect.Parameter.POSITIONAL_OR_KEYWORD)
            self.assertEqual(signature.parameters["timeout"].kind,
                             inspect.Parameter.KEYWORD_ONLY)
            self.assertIs(signature.parameters["timeout"].default, None)
            self.assertFalse(f.__doc__.startswith(name), f.__doc__)


class Faults(unittest.TestCase):
    """What cannot be made leaves the error and nothing else behind.

    The module comes from the build whose calls of the interpreter's
    object-making functions, and of malloc, go through test_preload's
    stand-ins."""

    def test_failed_initialisation_leaves_no_module(self):
        fault = ctypes.c_int.in_dll(libc, "statfs_fake_init_fault")
        for where in (1, 2):
            fault.value = where
            try:
                with self.assertRaises(MemoryError):
                    module()
            finally:
                fault.value = 0
            self.assertNotIn("statfs", sys.modules)
        self.assertEqual(module().free_mb(fake(bsize=MiB, bavail=7)), 7)

    results = [
        # function, figures, objects its result is made of
        ("statfs", dict(bsize=4096, blocks=(1 << 40) + 1, bavail=(1 << 35) + 3,
                        files=(1 << 33) + 5, ffree=(1 << 32) + 7), 6),
        ("free_mb", dict(bsize=MiB, bavail=(1 << 40) + 1), 1),
        ("free_mb", dict(bsize=1 << 30, bavail=(1 << 64) - 1), 5),   # past 64 bits
    ]

    def test_failed_results_leave_nothing_behind(self):
        statfs = module()
        fault = ctypes.c_int.in_dll(libc, "statfs_fake_object_fault")
        self.addCleanup(setattr, fault, "value", 0)
        for name, fields, objects in self.results:
            f = getattr(statfs, name)
            path = "".join(fake(**fields))      # this test's alone
            want = f(path)

            def fail(n, times):
                for _ in itertools.repeat(None, times):
                    fault.value = n
                    self.assertRaises(MemoryError, f, path)
            # the Nth object fails, and the call with it, until there are
            # fewer than N to make
            n = 1
            while True:
                fault.value = n
                try:
                    got = f(path)
                except MemoryError:
                    fail(n, 2000)
                    before = sys.getrefcount(path)
                    self.assertLess(growth(lambda: fail(n, 20000)), LEAKED, (name, n))
                    self.assertEqual(sys.getrefcount(path), before, (name, n))
                    n += 1
                    continue
                fault.value = 0
                self.assertEqual(got, want)
                break
            self.assertEqual(n - 1, objects, name)

    starts = [
        # what fails (test_preload's statfs_fake_start_fault: 1 the
        # thread, 2 the record of a call with a timeout), the timeout,
        # whether a thread waits idle for the call (else the one there is
        # held on another path), and the call's errno (0: it answers)
        (1, 5, False, errno.EAGAIN),
        (2, 5, False, errno.ENOMEM),
        # the idle thread takes the call, none started (under Python 2.7
        # none waits); the record is made all the same
        (1, 5, True, 0 if IDLE else errno.EAGAIN),
        (2, 5, True, errno.ENOMEM),
        # a call without one starts neither
        (1, None, False, 0),
        (2, None, False, 0),
    ]

    def test_failed_starts_leave_nothing_behind(self):
        """A call whose thread or record cannot be made fails at once,
        saying why, and the next call answers: each in a child, so that
        one that hangs fails the test in time."""
        statfs = module()
        fault = ctypes.c_int.in_dll(libc, "statfs_fake_start_fault")
        path = fake(bsize=MiB, blocks=9, bavail=7)
        (held,), _, _ = hold(self, errno.EIO)
        for (where, timeout, idle, code), f in itertools.product(
                self.starts, (statfs.statfs, statfs.free_mb)):
            want = (code, os.strerror(code), path) if code else f(path)

            def call():
                # the child's list of pending calls made, and its thread
                # left idle or held
                if idle:
                    f(path, timeout=5)
                else:
                    try:
                        f(held, timeout=0.01)
                    except TIMED_OUT:
                        pass
                fault.value = where
                try:
                    got = f(path, timeout=timeout)
                except OSError as e:
                    got = e.errno, e.strerror, e.filename
                fault.value = 0
                if got != want or f(path, timeout=5) != f(path):
                    raise AssertionError(got)
            # (exit status 2: every call returned as it should)
            self.assertEqual(child(self, call, None)() >> 8, 2,
                             (where, timeout, idle, f.__name__))


class Sizes(unittest.TestCase):
    """Figures that no file system here would show, from the fake statfs."""

    cases = [
        # fields, free_mb
        (dict(bsize=4096, frsize=4096, bavail=999), 3),
        (dict(bsize=4096, bavail=999), 3),
        (dict(bsize=MiB, frsize=MiB, bavail=77), 77),
        (dict(bsize=768 << 10, frsize=768 << 10, bavail=4), 3),
        (dict(bsize=4 * MiB, frsize=4 * MiB, bavail=5), 20),
        (dict(bsize=MiB, frsize=4096, bavail=256 * 5 + 255), 5),
        (dict(bsize=0, frsize=0, bavail=123), 0),
        (dict(bsize=512, frsize=512, bavail=2047), 0),
        (dict(bsize=4096, frsize=4096, bavail=0), 0),
    ]
    wide = [
        (dict(bsize=4096, frsize=4096, blocks=(1 << 40) + 5, bavail=(1 << 33) + 1,
              files=(1 << 32) + 7, ffree=(1 << 32) + 1), (1 << 33) // 256),
        (dict(bsize=4096, frsize=4096, blocks=(1 << 64) - 1, bavail=(1 << 64) - 1,
              files=(1 << 64) - 1, ffree=(1 << 63)), ((1 << 64) - 1) // 256),
        # more mebibytes than 64 bits hold
        (dict(bsize=1 << 30, bavail=(1 << 64) - 1), ((1 << 64) - 1) << 10),
        (dict(bsize=(1 << 31) - 1, bavail=(1 << 64) - 3),
         ((1 << 64) - 3) * ((1 << 31) - 1) // MiB),
    ]
    # where the block size has 64 bits
    wide64 = [
        (dict(bsize=1 << 62, frsize=1 << 62, bavail=(1 << 64) - 1),
         ((1 << 64) - 1) << 42),
        (dict(bsize=(1 << 63) - 1, bavail=(1 << 64) - 3),
         ((1 << 64) - 3) * ((1 << 63) - 1) // MiB),
    ]

    def check(self, fields, want):
        statfs = module()
        path = fake(**fields)
        bsize = fields.get("bsize", 0)
        figures = (-1 if bsize == (1 << 64) - 1 else bsize,
                   fields.get("blocks", 0), fields.get("bavail", 0),
                   fields.get("files", 0), fields.get("ffree", 0))
        self.assertEqual(statfs.free_mb(path), want)
        self.assertEqual(statfs.statfs(path), figures)
        self.assertEqual(statfs.free_mb(path=path), want)
        self.assertEqual(statfs.statfs(path=path), figures)
        for timeout in (None, 5, 0.5, 10 ** 12):    # None: as without one
            self.assertEqual(statfs.free_mb(path, timeout=timeout), want)
            self.assertEqual(statfs.statfs(path=path, timeout=timeout), figures)

    def test_block_and_fragment_sizes(self):
        # and the block size with every bit set: -1 where it is signed
        bits, signed = bsize_type()
        top = (1 << 64) - 1 if signed else (1 << bits) - 1
        for fields, want in self.cases + [
                (dict(bsize=top, bavail=9), 0 if signed else 9 * top // MiB)]:
            self.check(fields, want)

    def test_counts_at_full_width(self):
        statfs = module()
        for fields, want in self.wide + (self.wide64 if bsize_type()[0] == 64 else []):
            self.check(fields, want)
        # an int and four longs; free_mb a long (in Python 3 all are ints)
        figures = statfs.statfs(fake(bsize=4096, blocks=1))
        self.assertEqual([type(n) for n in figures], [int] + 4 * [type(1 << 64)])
        self.assertIs(type(statfs.free_mb(fake(bsize=MiB, bavail=1))), type(1 << 64))


class Errors(unittest.TestCase):
    def test_failed_calls_raise_oserror_with_the_path(self):
        statfs = module()
        scratch = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, scratch)
        regular = os.path.join(scratch, "file")
        open(regular, "w").close()
        paths = [
            (os.path.join(scratch, "missing"), errno.ENOENT),
            ("", errno.ENOENT),
            (os.path.join(regular, "below"), errno.ENOTDIR),
            ("/" + "a" * 5000, errno.ENAMETOOLONG),
        ]
        if PY3:
            import pathlib
            paths.append((os.fsencode(os.path.join(scratch, "missing")), errno.ENOENT))
            paths.append((pathlib.PurePath(scratch, "missing"), errno.ENOENT))
        # keywords besides the path (None: the path by position alone)
        ways = [None, {}, {"timeout": None}, {"timeout": 5}]
        for path, code in paths:
            for f, kwargs in itertools.product((statfs.statfs, statfs.free_mb), ways):
                with self.assertRaises(OSError) as cm:
                    if kwargs is None:
                        f(path)
                    else:
                        f(path=path, **kwargs)
                self.assertEqual(cm.exception.errno, code)
                self.assertEqual(cm.exception.strerror, os.strerror(code))
                if PY3:
                    self.assertIs(cm.exception.filename, path)
                else:
                    self.assertEqual(cm.exception.filename, path)

    def test_bad_arguments_make_no_call(self):
        statfs = module()
        nul = ValueError if PY3 else TypeError
        # arguments, keywords (None: a call without any, which takes the
        # short way), exception, whether its message names the function
        bad = [((), None, TypeError, True), (("/", "/"), None, TypeError, True),
               ((4096,), None, TypeError, False), ((None,), None, TypeError, False),
               ((["/"],), None, TypeError, False), (("/\0x",), None, nul, False),
               ((), {}, TypeError, False), (("/", "/"), {}, TypeError, False),
               ((), {"file": "/"}, TypeError, False), ((), {"fd": 3}, TypeError, False),
               (("/",), {"path": "/"}, TypeError, False),
               ((), {"path": "/", "dir_fd": None}, TypeError, False),
               ((), {"path": None}, TypeError, False), ((), {"path": "/\0x"}, nul, False),
               # the timeout: keyword-only, a number above zero and finite
               (("/", 5), {}, TypeError, False), (("/", None), {}, TypeError, False),
               (("/", 5), {"timeout": 5}, TypeError, True),
               (("/",), {"timeout": 0}, ValueError, True),
               (("/",), {"timeout": 0.0}, ValueError, True),
               (("/",), {"timeout": -0.0}, ValueError, True),
               (("/",), {"timeout": -1}, ValueError, True),
               (("/",), {"timeout": -1e-9}, ValueError, True),
               (("/",), {"timeout": float("nan")}, ValueError, True),
               (("/",), {"timeout": float("inf")}, ValueError, True),
               (("/",), {"timeout": float("-inf")}, ValueError, True),
               (("/",), {"timeout": "5"}, TypeError, True),
               (("/",), {"timeout": b"5"}, TypeError, True),
               (("/",), {"timeout": [5]}, TypeError, True),
               (("/",), {"timeout": 5j}, TypeError, True),
               ((), {"path": "/", "timeout": "5"}, TypeError, False),
               ((), {"path": None, "timeout": 5}, TypeError, False),
               ((), {"path": "/\0x", "timeout": 5}, nul, False)]
        for args, kwargs, exc, named in bad:
            for f in (statfs.statfs, statfs.free_mb):
                before = calls()
                with self.assertRaises(exc) as cm:
                    if kwargs is None:
                        f(*args)
                    else:
                        f(*args, **kwargs)
                self.assertEqual(calls(), before, (f, args, kwargs))
                if named:
                    self.assertTrue(re.match(f.__name__ + r"\b", str(cm.exception)),
                                    str(cm.exception))


class Threads(unittest.TestCase):
    """Other threads run while the call waits, and its errno survives that."""

    # A thread whose timed call has answered waits IDLE s for the next
    # one, which it takes; one at most waits so.  Each row is a child of
    # fork(), made while this process has such a thread, which the child
    # has not: its timed calls, in order, on paths that answer ("a", "b")
    # or on a held one ("h"), the held call let go ("r", and 0.1 s for its
    # answer), and its pauses, of half IDLE (",") or of more than IDLE
    # ("."); the threads that they start; and the threads that it has then
    # besides its own.  It then ends its interpreter, at once, though a
    # thread waits idle.
    idle = [
        ("a", 1, 1),
        ("aaaa", 1, 1),     # the one thread takes each call
        ("abba", 1, 1),
        ("a,a", 1, 1),      # still waiting
        ("a.a", 2, 1),      # gone: another starts
        ("ha", 2, 2),       # a held thread is not idle
        ("aha", 2, 2),      # the idle one held: another for the next
        ("ahha", 2, 2),     # (a call on a held path waits for its thread)
        ("hra", 1, 1),      # the held one, answered, waits idle
        ("har", 2, 1),      # ... or ends, where another does
    ]

    def test_a_thread_that_has_answered_waits_for_the_next_call(self):
        if not IDLE:
            self.skipTest("Python 2.7 has no timed lock to wait with: "
                          "its threads end with their calls")
        if EMULATED:
            self.skipTest("qemu-user fails to start a thread in a child "
                          "forked from a process with threads running")
        statfs = module()
        (held,), _, release = hold(self, errno.EIO)
        answers = {"a": (fake(bsize=MiB, bavail=3), 3), "b": (fake(bsize=MiB, bavail=4), 4)}
        pauses = {",": IDLE / 2, ".": IDLE + 0.5, "r": 0.1}
        for row, starts, left in self.idle:
            self.assertEqual(statfs.free_mb(answers["a"][0], timeout=5), 3)
            self.assertEqual(tasks(), BASE + 1, "no thread waits idle here")

            def run():
                own, before = tasks(), started_threads()
                for c in row:
                    if c == "r":
                        release()
                    if c in pauses:
                        time.sleep(pauses[c])
                    elif c == "h":
                        try:
                            statfs.free_mb(held, timeout=0.01)
                        except TIMED_OUT:
                            pass
                    elif statfs.free_mb(answers[c][0], timeout=5) != answers[c][1]:
                        raise AssertionError(c)
                got = started_threads() - before, tasks() - own
                if got != (starts, left):
                    raise AssertionError("%s: started, left %r" % (row, got))
            # (exit status 2: all as it should be, the end in time)
            within = 1 + sum(pauses.get(c, 0) for c in row)
            self.assertEqual(child(self, run, None, within)() >> 8, 2, row)

    def test_the_lock_is_let_go_during_the_call(self):
        statfs = module()
        for f in (statfs.statfs, statfs.free_mb):
            begun, go = os.pipe(), os.pipe()
            path = "/block/%d/%d/%d" % (begun[1], go[0], errno.ENOLINK)
            raised = []

            def call():
                try:
                    f(path)
                except OSError as e:
                    raised.append(e)
            before = started_threads()
            t = threading.Thread(target=call)
            t.start()
            os.read(begun[0], 1)    # the call has begun in the other thread,
            started = started_threads() - before    # (which started no thread for it)
            os.write(go[1], b"x")   # and only this one, running, can end it
            t.join()
            self.assertEqual(started, 1, f.__name__)
            for fd in begun + go:
                os.close(fd)
            self.assertNotEqual(raised[0].errno, errno.ETIMEDOUT,
                                "%s kept the interpreter lock while it waited" % f.__name__)
            self.assertEqual((raised[0].errno, raised[0].filename), (errno.ENOLINK, path))

    def timed_out(self, f, path, timeout):
        """f(path, timeout=timeout) times out, in time: how late it was."""
        start = now()
        with self.assertRaises(TIMED_OUT) as cm:
            f(path, timeout=timeout)
        took = now() - start
        e = cm.exception
        self.assertEqual((e.errno, e.strerror), (errno.ETIMEDOUT, os.strerror(errno.ETIMEDOUT)))
        if PY3:
            self.assertIs(e.filename, path)
        else:
            self.assertEqual(e.filename, path)
        self.assertGreaterEqual(took, timeout)
        return took - timeout

    def test_a_held_path_times_out_on_one_thread(self):
        """One thread for the held path (the idle one, where there is
        one), besides this process's own."""
        statfs = module()
        for f in (statfs.statfs, statfs.free_mb):
            (path,), started, release = hold(self, errno.ENOLINK)
            threads, before = BASE, calls()
            late = [self.timed_out(f, path, 0.2)]
            self.assertTrue(started())
            self.assertEqual(tasks(), threads + 1)
            # the second and third call wait for the same call
            late += [self.timed_out(f, path, t) for t in (0.1, 0.3)]
            self.assertEqual((tasks(), calls()), (threads + 1, before + 1))
            self.assertLess(min(late), LATE, late)
            # another path answers at once, on a thread that then waits
            # idle (under Python 2.7, ends)
            start = now()
            self.assertEqual(f(fake(bsize=MiB, frsize=MiB, bavail=9, blocks=9), timeout=5),
                             9 if f is statfs.free_mb else (MiB, 9, 9, 0, 0))
            self.assertLess(now() - start, 1)
            self.assertEqual(settle(threads + 1 + IDLING), threads + 1 + IDLING)
            # a call that waits when the file system answers has its answer
            raised, waiting = [], threading.Event()

            def wait():
                waiting.set()
                try:
                    f(path, timeout=5)
                except OSError as e:
                    raised.append(e)
            t = threading.Thread(target=wait)
            t.start()
            waiting.wait()
            time.sleep(0.1)
            release()
            t.join()
            self.assertEqual((raised[0].errno, raised[0].filename), (errno.ENOLINK, path))
            self.assertEqual(calls(), before + 2)
            # the held thread ends: another waits idle already
            self.assertEqual(settle(threads + IDLING), threads + IDLING)

    def test_a_process_ends_while_its_call_is_held(self):
        statfs = module()
        (path,), started, _ = hold(self, errno.EIO)     # never released
        ended = child(self, lambda: statfs.free_mb(path, timeout=0.05), errno.ETIMEDOUT)
        self.assertTrue(started())
        self.assertEqual(ended(), 0)

    def test_a_forked_child_calls_on_its_own(self):
        """A child of fork() makes a call of its own on the path that its
        parent's pending call holds, which no thread of its serves."""
        if EMULATED:
            self.skipTest("qemu-user fails to start a thread in a child "
                          "forked from a process with threads running")
        statfs = module()
        (path,), started, release = hold(self, errno.ENOLINK)
        threads = BASE
        self.timed_out(statfs.statfs, path, 0.05)
        self.assertTrue(started())
        ended = child(self, lambda: statfs.statfs(path, timeout=2), errno.ENOLINK)
        self.assertTrue(started(), "the child made no call of its own")
        release(2)      # the parent's call and the child's
        self.assertEqual(ended(), 0)
        # the parent's thread, answered, waits idle (under Python 2.7, ends)
        self.assertEqual(settle(threads + IDLING), threads + IDLING)


def no_user_namespace(err):
    """Why no user namespace could be made (unshare failed with err): the
    setting that forbids it."""
    for setting, path in (("user.max_user_namespaces", "/proc/sys/user/max_user_namespaces"),
                          ("kernel.unprivileged_userns_clone",
                           "/proc/sys/kernel/unprivileged_userns_clone")):
        try:
            with open(path) as f:
                if f.read().strip() == "0":
                    return setting + "=0"
        except (IOError, OSError):
            pass
    if err == errno.EPERM:
        return ("the kernel refuses user namespaces to a chrooted process (a root "
                "for tests is to be entered with pivot_root in a mount namespace, "
                "not chroot)")
    return os.strerror(err)     # EINVAL: threads run (an emulator's, say)


class Tmpfs(unittest.TestCase):
    """A tmpfs of known size in a mount namespace of this process's own:
    where it may not make one, in a user namespace of its own too, where
    it is root (which needs it to have no other thread, as it has when
    this class runs first or alone)."""

    def mount_tmpfs(self, where, options):
        CLONE_NEWNS, CLONE_NEWUSER, MS_REC, MS_PRIVATE = 0x20000, 0x10000000, 0x4000, 0x40000
        if libc.unshare(CLONE_NEWNS) != 0:
            uid, gid = os.getuid(), os.getgid()
            if libc.unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0:
                self.skipTest("cannot make a mount namespace, nor a user namespace "
                              "to make it in: " + no_user_namespace(ctypes.get_errno()))
            for name, text in (("uid_map", "0 %d 1" % uid), ("setgroups", "deny"),
                               ("gid_map", "0 %d 1" % gid)):
                with open("/proc/self/" + name, "w") as f:
                    f.write(text)
        # (in a chroot whose / is no mount point, say)
        if libc.mount(b"none", b"/", None, MS_REC | MS_PRIVATE, None) != 0:
            self.skipTest("cannot make the mounts private: "
                          + os.strerror(ctypes.get_errno()))
        if libc.mount(b"none", where.encode(), b"tmpfs", 0, options.encode()) != 0:
            self.fail("mount: " + os.strerror(ctypes.get_errno()))

    def test_tmpfs_of_known_size(self):
        statfs = module()
        where = tempfile.mkdtemp()
        self.addCleanup(os.rmdir, where)
        self.mount_tmpfs(where, "size=4m,nr_inodes=64")
        self.addCleanup(libc.umount, where.encode())
        self.assertEqual(statfs.statfs(where), (4096, 1024, 1024, 64, 63))
        self.assertEqual(statfs.free_mb(where), 4)
        with open(os.path.join(where, "data"), "wb") as f:
            f.write(b"x" * (MiB + 1))
        self.assertEqual(statfs.statfs(where), (4096, 1024, 1024 - 257, 64, 62))
        self.assertEqual(statfs.free_mb(where), 2)


class Statvfs(unittest.TestCase):
    def test_agrees_with_statvfs_on_real_mounts(self):
        statfs = module()
        for where in ("/", "/proc", "/sys", "/dev", tempfile.gettempdir()):
            for _ in range(5):      # a busy file system may change between calls
                before = os.statvfs(where)
                got = statfs.statfs(where), statfs.free_mb(where)
                if os.statvfs(where) == before:
                    break
            v = before
            self.assertEqual(got, ((v.f_bsize, v.f_blocks, v.f_bavail, v.f_files,
                                    v.f_ffree), v.f_bavail * v.f_frsize // MiB), where)


class Leaks(unittest.TestCase):
    """Many calls down every path, and the process does not grow."""

    def test_no_growth(self):
        statfs = module()
        # arguments made here, so that no other code holds them and their
        # reference counts are their own (literals may be shared or immortal)
        root, missing, nul = ("".join(p) for p in (("/", "."), ("/none", "xistent"), ("\0", "x")))
        huge = fake(bsize=1 << 62, bavail=(1 << 64) - 1)
        number = int("7" * 30)
        # positional arguments as lists, so that each call gets a tuple of
        # its own, as callers' calls do (a tuple passed on with f(*t) would
        # be the same one every time, and a reference kept on it unseen)
        calls = [(statfs.statfs, [root], {}), (statfs.free_mb, [root], {}),
                 (statfs.free_mb, [huge], {}), (statfs.statfs, [missing], {}),
                 (statfs.free_mb, [missing], {}), (statfs.statfs, [], {}),
                 (statfs.free_mb, [number], {}), (statfs.statfs, [nul], {}),
                 (statfs.statfs, [], {"path": root}),
                 (statfs.free_mb, [], {"path": huge}),
                 (statfs.free_mb, [], {"path": missing}),
                 (statfs.statfs, [root], {"path": root}),
                 (statfs.free_mb, [], {"path": root, "other": number}),
                 (statfs.statfs, [root], {"timeout": -1}),
                 (statfs.free_mb, [root], {"timeout": root}),
                 (statfs.statfs, [], {"path": number, "timeout": 5})]
        self.no_growth(calls, [root, missing, nul, huge, number], 20000)

    def test_no_growth_with_timeouts(self):
        """Calls on a thread each, fewer: the least that a pending call
        takes, kept of each, would tell."""
        if EMULATED:
            self.skipTest("qemu-user keeps some 15 KB of every thread that "
                          "has ended, Python's own threads' too")
        statfs = module()
        root, missing = ("".join(p) for p in (("/", "."), ("/none", "xistent")))
        huge = fake(bsize=1 << 62, bavail=(1 << 64) - 1)
        calls = [(statfs.statfs, [root], {"timeout": 5}),
                 (statfs.free_mb, [missing], {"timeout": 5.0}),
                 (statfs.free_mb, [], {"path": huge, "timeout": 5})]
        self.no_growth(calls, [root, missing, huge], 10000)

    def no_growth(self, calls, arguments, n):
        """The calls, n times each, grow the process by less than LEAKED,
        and leave the arguments' reference counts as they were."""
        def churn(n):
            for f, args, kwargs in calls:
                for _ in itertools.repeat(None, n):     # no list of ints in Python 2
                    try:
                        f(*args, **kwargs)
                    except (OSError, TypeError, ValueError):
                        pass
        churn(n // 10)
        before = [sys.getrefcount(a) for a in arguments]
        self.assertLess(growth(lambda: churn(n)), LEAKED)
        self.assertEqual([sys.getrefcount(a) for a in arguments], before)

    def test_no_growth_over_imports(self):
        """A module object's own objects go with it."""
        module()

        # A hundred at a time, each hundred collected: each module object
        # is in a cycle, and how much of them the collector lets pile up
        # between its own rounds is no leak (free-threaded 3.13's measures
        # it against all the objects the process holds)
        def imports(n):
            for _ in itertools.repeat(None, n // 100):
                for _ in itertools.repeat(None, 100):
                    del sys.modules["statfs"]
                    module()
                gc.collect()
        imports(200)
        self.assertLess(growth(lambda: imports(10000)), LEAKED)


class Stress(unittest.TestCase):
    """Threads calling both functions at once, every answer right.

    Under a free-threaded interpreter they run truly at once, and the
    lock stays off."""

    threads = 8

    @staticmethod
    def at_once(go, threads):
        """Starts the threads, sets go, which they wait for, and joins them."""
        for t in threads:
            t.start()
        go.set()
        for t in threads:
            t.join()

    def test_threads_at_once(self):
        statfs = module()
        n = int(os.environ.get("STATFS_STRESS_CALLS", "20000"))
        # each thread its own path and answers, half of them past 64 bits
        work = []
        for k in range(self.threads):
            fields = dict(bsize=4096 << k, frsize=4096 << k, blocks=(1 << 40) + k,
                          bavail=(1 << 64) - 1 - k if k % 2 else (1 << 33) + k,
                          files=(1 << 32) + k, ffree=k)
            path = "".join(fake(**fields))
            work.append((path, (fields["bsize"], fields["blocks"], fields["bavail"],
                                fields["files"], fields["ffree"]),
                         fields["bavail"] * fields["frsize"] // MiB))
        wrong = []
        go = threading.Event()

        def run(path, figures, mb):
            go.wait()
            for _ in itertools.repeat(None, n):
                got = statfs.statfs(path), statfs.free_mb(path)
                if got != (figures, mb):
                    wrong.append((path, got))
                    return
        threads = [threading.Thread(target=run, args=w) for w in work]
        before = calls(), [sys.getrefcount(w[0]) for w in work]
        self.at_once(go, threads)
        self.assertEqual(wrong, [])
        self.assertEqual(calls() - before[0], 2 * n * self.threads)
        self.assertEqual([sys.getrefcount(w[0]) for w in work], before[1])
        if FREE_THREADED:
            self.assertFalse(gil_enabled())

    def test_timed_calls_at_once(self):
        """Half the threads on held paths, the others on their own."""
        statfs = module()
        n = int(os.environ.get("STATFS_STRESS_CALLS", "20000")) // 40
        held, started, release = hold(self, errno.ENOLINK, errno.EIO)
        wrong = []
        go = threading.Event()

        def free(k):
            path = "".join(fake(bsize=4096, frsize=4096 << k, bavail=(1 << 64) - 1 - k))
            figures = (4096, 0, (1 << 64) - 1 - k, 0, 0)
            go.wait()
            for _ in itertools.repeat(None, n):
                got = statfs.statfs(path, timeout=5), statfs.free_mb(path, timeout=5)
                if got != (figures, ((1 << 64) - 1 - k) * (4096 << k) // MiB):
                    wrong.append((path, got))
                    return

        def stuck(path):
            go.wait()
            for f in itertools.islice(itertools.cycle((statfs.statfs, statfs.free_mb)), 20):
                try:
                    f(path, timeout=0.01)
                except OSError as e:
                    if (e.errno, e.filename) != (errno.ETIMEDOUT, path):
                        wrong.append((path, e))
                        return
                else:
                    wrong.append((path, "answered"))
                    return
        threads = [threading.Thread(target=free, args=(k,)) for k in range(self.threads // 2)]
        threads += [threading.Thread(target=stuck, args=(held[k % 2],))
                    for k in range(self.threads // 2)]
        before = BASE, calls()
        self.at_once(go, threads)
        self.assertEqual(wrong, [])
        self.assertEqual(calls() - before[1], 2 * n * (self.threads // 2) + 2)
        self.assertTrue(started() and started())
        # a thread for each held path, and one idle
        self.assertEqual(settle(before[0] + 2 + IDLING), before[0] + 2 + IDLING)
        release()
        self.assertEqual(settle(before[0] + IDLING), before[0] + IDLING)
        if FREE_THREADED:
            self.assertFalse(gil_enabled())


class Subinterpreters(unittest.TestCase):
    """Isolated interpreters, each with a lock of its own, calling at once."""

    count = 4
    script = """if 1:
        import os, statfs
        os.write(%(out)d, b"%%d\\n" %% id(statfs.Version))
        if statfs.Version != %(version)r:
            raise AssertionError(statfs.Version)
        for _ in range(2000):
            got = statfs.statfs(%(path)r), statfs.free_mb(path=%(path)r)
            if got != (%(figures)r, %(mb)r):
                raise AssertionError(got)
        """

    def interpreter(self):
        """A new isolated interpreter: a function that runs code in it, and
        one that ends it."""
        if sys.version_info >= (3, 14):
            from concurrent import interpreters
            i = interpreters.create()
            return getattr(i, "exec"), i.close     # a keyword in Python 2
        if sys.version_info >= (3, 13):
            import _interpreters as interpreters
            i = interpreters.create("isolated")

            def run(code):
                failure = interpreters.run_string(i, code)
                if failure is not None:
                    raise AssertionError(failure.formatted)
        elif sys.version_info >= (3, 12):
            import _xxsubinterpreters as interpreters
            i = interpreters.create(isolated=True)

            def run(code):
                interpreters.run_string(i, code)
        else:
            self.skipTest("isolated interpreters came with Python 3.12")
        return run, lambda: interpreters.destroy(i)

    def isolated(self):
        """Functions that run code, each in an isolated interpreter of its own."""
        runs = []
        for _ in range(self.count):
            run, end = self.interpreter()
            self.addCleanup(end)
            runs.append(run)
        return runs

    def test_no_growth_over_interpreters(self):
        """The module objects of ended interpreters leave nothing behind."""
        if (3, 12) <= sys.version_info < (3, 14):
            self.skipTest("CPython 3.12 and 3.13 keep 2 MB or more of every "
                          "isolated interpreter that ends, whatever it ran")
        module()

        def interpreters(n):
            for _ in itertools.repeat(None, n):
                run, end = self.interpreter()
                try:
                    run("import statfs")
                finally:
                    end()
        interpreters(20)
        self.assertLess(growth(lambda: interpreters(300)), LEAKED)

    def test_an_interpreter_ends_while_its_call_is_held(self):
        statfs = module()
        (path,), started, release = hold(self, errno.ENOLINK)
        run, end = self.interpreter()
        threads, before = BASE, calls()
        run("""if 1:
            import errno, statfs
            try:
                statfs.free_mb(%r, timeout=0.05)
            except TimeoutError as e:
                if e.errno != errno.ETIMEDOUT:
                    raise
            else:
                raise AssertionError("no timeout")
            """ % path)
        end()
        self.assertTrue(started())
        self.assertEqual(tasks(), threads + 1)
        # the call goes on, and this interpreter's call waits for it
        t = threading.Timer(0.1, release)
        t.start()
        with self.assertRaises(OSError) as cm:
            statfs.statfs(path, timeout=5)
        t.join()
        self.assertEqual((cm.exception.errno, calls()), (errno.ENOLINK, before + 1))
        # its thread, answered, waits idle
        self.assertEqual(settle(threads + IDLING), threads + IDLING)

    def test_isolated_interpreters_at_once(self):
        statfs = module()
        runs = self.isolated()
        out, into = os.pipe()
        self.addCleanup(os.close, out)
        failures = []

        def run(f, k):
            fields = dict(bsize=4096, frsize=4096 << k, blocks=(1 << 40) + k,
                          bavail=(1 << 64) - 1 - k, files=k, ffree=k)
            try:
                f(self.script % dict(
                    out=into, version=statfs.Version, path=fake(**fields),
                    figures=(4096, (1 << 40) + k, (1 << 64) - 1 - k, k, k),
                    mb=((1 << 64) - 1 - k) * (4096 << k) // MiB))
            except Exception as e:
                failures.append(e)
        threads = [threading.Thread(target=run, args=(f, k)) for k, f in enumerate(runs)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        os.close(into)
        self.assertEqual(failures, [])
        # no object shared: each interpreter's Version is its own
        ids = os.read(out, 4096).split()
        self.assertEqual(len(ids), self.count)
        self.assertEqual(len(set(ids + [str(id(statfs.Version)).encode()])), self.count + 1)


class Refusal(unittest.TestCase):
    """A free-threaded interpreter refuses statfs.abi3.so, and says why.

    CTest runs this class alone under such an interpreter, with the
    stable-ABI module on the path."""

    def test_free_threaded_interpreter_refuses_the_stable_abi_module(self):
        if not FREE_THREADED:
            self.skipTest("this interpreter has its lock")
        with self.assertRaises(ImportError) as cm:
            module()
        message = str(cm.exception)
        for words in ("statfs.abi3.so", "free-threaded",
                      "statfs.cpython-%d%dt-" % sys.version_info[:2],
                      "a build configured with it", "pip from the source"):
            self.assertIn(words, message)
        self.assertNotIn("statfs", sys.modules)
        self.assertFalse(gil_enabled())


if __name__ == "__main__":
    result = unittest.main(exit=False).result
    if not result.wasSuccessful():
        sys.exit(1)
    if result.testsRun and len(result.skipped) == result.testsRun:
        sys.exit(77)
