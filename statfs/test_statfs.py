"""Tests of the statfs module, for Python 2.7 and Python 3.

CTest runs one class at a time, each in a fresh interpreter, with the
module's folder on PYTHONPATH and test_preload's library preloaded: it
answers statfs for made-up /fake/ paths and counts the calls.  A class
whose every test was skipped exits with status 77.
"""

from __future__ import print_function

import ctypes
import errno
import itertools
import os
import shutil
import sys
import tempfile
import threading
import unittest

PY3 = sys.version_info[0] >= 3
MiB = 1 << 20
libc = ctypes.CDLL(None, use_errno=True)


def fake(**fields):
    order = ("bsize", "frsize", "blocks", "bavail", "files", "ffree")
    return "/fake/%d/%d/%d/%d/%d/%d" % tuple(fields.get(f, 0) for f in order)


def calls():
    """How often statfs has been called in this process."""
    return ctypes.c_ulong.in_dll(libc, "statfs_fake_calls").value


def module():
    import statfs
    return statfs


class Interface(unittest.TestCase):
    def test_names_and_texts(self):
        statfs = module()
        self.assertEqual(sorted(n for n in dir(statfs) if not n.startswith("_")),
                         ["Version", "free_mb", "statfs"])
        self.assertEqual(statfs.statfs.__doc__,
                         "statfs(path) -> \n"
                         " (bsize, blocks, bfree, files, ffree)\n"
                         "Perform a statfs system call on the given path.")
        self.assertEqual(len(statfs.statfs.__doc__), 102)
        self.assertIsNone(statfs.free_mb.__doc__)
        self.assertIsNone(statfs.__doc__)
        self.assertEqual(statfs.Version,
                         "$Id: statfsmodule,v 1.1 2000/08/14 16:02:01 kdw Exp $")
        self.assertIs(type(statfs.Version), str)


class Initialisation(unittest.TestCase):
    """A module that cannot be made leaves the error and no module."""

    def test_failures_leave_nothing_behind(self):
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
        (dict(bsize=(1 << 64) - 1, bavail=9), 0),     # -1
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
    if ctypes.sizeof(ctypes.c_long) == 8:   # block sizes are longs
        wide += [
            (dict(bsize=1 << 62, frsize=1 << 62, bavail=(1 << 64) - 1),
             ((1 << 64) - 1) << 42),
            (dict(bsize=(1 << 63) - 1, bavail=(1 << 64) - 3),
             ((1 << 64) - 3) * ((1 << 63) - 1) // MiB),
        ]

    def check(self, fields, want):
        statfs = module()
        path = fake(**fields)
        bsize = fields.get("bsize", 0)
        self.assertEqual(statfs.free_mb(path), want)
        self.assertEqual(statfs.statfs(path),
                         (-1 if bsize == (1 << 64) - 1 else bsize,
                          fields.get("blocks", 0), fields.get("bavail", 0),
                          fields.get("files", 0), fields.get("ffree", 0)))

    def test_block_and_fragment_sizes(self):
        for fields, want in self.cases:
            self.check(fields, want)

    def test_counts_at_full_width(self):
        statfs = module()
        for fields, want in self.wide:
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
        for path, code in paths:
            for f in (statfs.statfs, statfs.free_mb):
                with self.assertRaises(OSError) as cm:
                    f(path)
                self.assertEqual(cm.exception.errno, code)
                self.assertEqual(cm.exception.strerror, os.strerror(code))
                if PY3:
                    self.assertIs(cm.exception.filename, path)
                else:
                    self.assertEqual(cm.exception.filename, path)

    def test_bad_arguments_make_no_call(self):
        statfs = module()
        bad = [((), TypeError), (("/", "/"), TypeError), ((4096,), TypeError),
               ((None,), TypeError), ((["/"],), TypeError),
               (("/\0x",), ValueError if PY3 else TypeError)]
        for args, exc in bad:
            for f in (statfs.statfs, statfs.free_mb):
                before = calls()
                self.assertRaises(exc, f, *args)
                self.assertEqual(calls(), before, (f, args))


class Threads(unittest.TestCase):
    """Other threads run while the call waits, and its errno survives that."""

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
            t = threading.Thread(target=call)
            t.start()
            os.read(begun[0], 1)    # the call has begun in the other thread,
            os.write(go[1], b"x")   # and only this one, running, can end it
            t.join()
            for fd in begun + go:
                os.close(fd)
            self.assertNotEqual(raised[0].errno, errno.ETIMEDOUT,
                                "%s kept the interpreter lock while it waited" % f.__name__)
            self.assertEqual((raised[0].errno, raised[0].filename), (errno.ENOLINK, path))


class Tmpfs(unittest.TestCase):
    """A tmpfs of known size in a mount namespace of this process's own."""

    def mount_tmpfs(self, where, options):
        CLONE_NEWNS, MS_REC, MS_PRIVATE = 0x20000, 0x4000, 0x40000
        if libc.unshare(CLONE_NEWNS) != 0:
            self.skipTest("cannot make a mount namespace: "
                          + os.strerror(ctypes.get_errno()))
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

    def rss(self):
        with open("/proc/self/statm") as f:
            return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")

    def test_no_growth(self):
        statfs = module()
        # arguments made here, so that no other code holds them and their
        # reference counts are their own (literals may be shared or immortal)
        root, missing, nul = ("".join(p) for p in (("/", "."), ("/none", "xistent"), ("\0", "x")))
        huge = fake(bsize=1 << 62, bavail=(1 << 64) - 1)
        number = int("7" * 30)
        calls = [(statfs.statfs, (root,)), (statfs.free_mb, (root,)),
                 (statfs.free_mb, (huge,)), (statfs.statfs, (missing,)),
                 (statfs.free_mb, (missing,)), (statfs.statfs, ()),
                 (statfs.free_mb, (number,)), (statfs.statfs, (nul,))]
        arguments = [root, missing, nul, huge, number]

        def churn(n):
            for f, args in calls:
                for _ in itertools.repeat(None, n):     # no list of ints in Python 2
                    try:
                        f(*args)
                    except (OSError, TypeError, ValueError):
                        pass
        churn(2000)
        before = self.rss(), [sys.getrefcount(a) for a in arguments]
        churn(20000)
        self.assertLess(self.rss() - before[0], 256 << 10)
        self.assertEqual([sys.getrefcount(a) for a in arguments], before[1])


if __name__ == "__main__":
    result = unittest.main(exit=False).result
    if not result.wasSuccessful():
        sys.exit(1)
    if result.testsRun and len(result.skipped) == result.testsRun:
        sys.exit(77)
