/*
 * statfs - the statfs(2) system call for Python
 *
 *	statfs.statfs(path, *, timeout=None)
 *	    -> (bsize, blocks, bavail, files, ffree)
 *	statfs.free_mb(path, *, timeout=None) -> the space unprivileged users
 *	    may still use, in whole mebibytes
 *	statfs.Version -> the source's identification line
 *
 * One source for Python 2.7 and Python 3; what differs between the two
 * stands together below, under "The interpreter".  The Python 3 module is
 * built against the stable ABI (Py_LIMITED_API), so that one file serves
 * every CPython 3 from 3.6 on that has the interpreter lock.  From 3.15 on,
 * the stable ABI that free-threaded CPython shares (Py_TARGET_ABI3T) gives
 * one file for both kinds; a free-threaded 3.13 or 3.14 gets a build of
 * its own, against its full API.
 * Errors are OSError from errno, with the path as the file name.  The
 * interpreter lock is let go during the system call, and only there.
 * With a timeout, the system call runs on a thread of its own (see
 * "Calls with a timeout" below).
 *
 * The module keeps no state of its own, so under Python 3 it serves
 * isolated subinterpreters and free-threaded interpreters alike: each
 * module object gets its own Version.  The calls with a timeout that are
 * still running are the process's, outside every interpreter.
 */

#include <Python.h>
#include <pythread.h>

#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cfloat>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#if PY_MAJOR_VERSION < 3
#include <sys/syscall.h>

#include <ctime>
#endif

#ifdef __x86_64__
/*
 * The C library's memcpy of 2.14 on is not in the older ones that the
 * wheels are tagged for: take the one they have, which serves the same.
 */
__asm__(".symver memcpy,memcpy@GLIBC_2.2.5");
#endif

static const char *RCSInfo =
    "$Id: statfsmodule,v 1.1 2000/08/14 16:02:01 kdw Exp $";

/*
 * What differs between the interpreters in the functions' own code.
 * ARGUMENTS(name) is what the argument parser is given for the function
 * name: for a call by position alone, the name (Python 3) or the format
 * of the one path argument (Python 2), then the format of a call with
 * keywords, path and the keyword-only timeout.  The path is an object
 * under Python 3, which statfs_path() converts itself, a str under Python
 * 2, whose parser knows no keyword-only arguments (parse_path() holds the
 * call to one positional argument).  SIGNATURE(name) starts the
 * function's doc string: Python 3 takes the signature from there for
 * inspect.signature().  int_object() and version_string() make an int and
 * a str.
 */
#if PY_MAJOR_VERSION >= 3
#define ARGUMENTS(name)	    name, "O|$O:" name
#define SIGNATURE(name)	    name "($module, path, *, timeout=None)\n--\n\n"
#define int_object	    PyLong_FromLong
#define version_string	    PyUnicode_FromString
#else
#define ARGUMENTS(name)	    "s:" name, "s|O:" name
#define SIGNATURE(name)	    name "(path, *, timeout=None)\n\n"
#define int_object	    PyInt_FromLong
#define version_string	    PyString_FromString
#endif

static int statfs_path(
    PyObject *, PyObject *, const char *, const char *, struct statfs *);

PyDoc_STRVAR(statfs_module__doc__,
    "The statfs(2) system call: the size and the free space of the file\n"
    "system that holds a path.");

/*
 * What a call with a timeout costs and leaves behind: under Python 2,
 * whose timed wait is a poll, a thread of its own that ends with it.
 */
#if PY_MAJOR_VERSION >= 3
#define TIMEOUT_THREADS                                                         \
	"A thread whose call has answered waits 2 seconds, idle, for the\n"    \
	"next call, which it takes; one thread at most waits so.  A call that\n" \
	"it takes costs a few microseconds more than one without a timeout, a\n" \
	"call that starts a thread some tens of microseconds more."
#else
#define TIMEOUT_THREADS                                                         \
	"Each call starts a thread, which ends with it: some tens of\n"        \
	"microseconds more than a call without a timeout."
#endif
#define TIMEOUT_DOC                                                             \
	"\n"                                                                    \
	"timeout, a number of seconds above zero, bounds the wait: the system\n" \
	"call runs on a thread of its own, and a file system that does not\n"   \
	"answer in time raises OSError with errno ETIMEDOUT (under Python 3,\n" \
	"TimeoutError).  The system call goes on until the file system\n"       \
	"answers; later calls on the same path wait for that call, each up to\n" \
	"its own timeout, rather than start another.\n" TIMEOUT_THREADS "\n"    \
	"Without a timeout (None), the call waits as long as the file system\n" \
	"takes, and starts no thread."

PyDoc_STRVAR(statfs__doc__,
    SIGNATURE("statfs")
    "Return (bsize, blocks, bavail, files, ffree) for the file system\n"
    "that holds path, from the statfs system call.\n"
    "\n"
    "bsize is the file system's block size.  blocks is its size and bavail\n"
    "(f_bavail) the blocks available to unprivileged users, which leaves\n"
    "out any reserved for the superuser; both count fragments of the\n"
    "file system's fragment size (f_frsize), which is bsize on most file\n"
    "systems.  files and ffree are the file nodes in all and free.\n"
    TIMEOUT_DOC);

PyDoc_STRVAR(free_mb__doc__,
    SIGNATURE("free_mb")
    "Return the space available to unprivileged users on the file system\n"
    "that holds path, in whole mebibytes (MiB, 2**20 bytes), rounded\n"
    "down: f_bavail fragments of f_frsize bytes (of f_bsize bytes where\n"
    "the file system gives no fragment size).\n"
    TIMEOUT_DOC);

/*
 * statfs(2) without the interpreter lock, so that the process's other
 * threads run on while a slow or hung file system answers.  Taking the
 * lock back keeps errno, as os.statvfs relies on too.
 */
static int
unlocked_statfs(const char *path, struct statfs *st)
{
	PyThreadState *self = PyEval_SaveThread();
	const int rc = statfs(path, st);

	PyEval_RestoreThread(self);
	return rc;
}

/*
 * Calls with a timeout.  Their functions stay out of the calls without
 * one, which cost what they did before there were timeouts.
 *
 * The system call runs on a thread of the interpreter's thread API, while
 * the caller waits for it at most the timeout, without the interpreter
 * lock.  A call that is late is left running: its thread, blocked in the
 * kernel, goes on when the file system answers at last.  Meanwhile every
 * later call on the same path waits for that pending call, up to its own
 * timeout, and starts no thread: there is at most one thread per path.
 *
 * A thread whose call has answered waits IDLE_US for the next call, which
 * it takes: a thread's start costs tens of microseconds, far more than
 * most calls take.  One thread at most waits so, idle; another that
 * answers meanwhile ends.  Two seconds keep the thread of a loop that
 * calls once a second, and leave a process that has stopped calling with
 * its own threads alone soon after: for fork(), say, or a user namespace,
 * which wants a process of one thread.  Python 2 has no timed lock for
 * the idle wait: there a thread ends with its call.
 *
 * Both sides of a handover sleep on their locks at once, rather than try
 * them again and again for a while first: the kernel switches from the
 * thread that sleeps to the one it woke, mostly on the same processor, in
 * a microsecond or so.  Trying saves that on an idle machine, but on a
 * busy one a thread that tries is one more for the processors to run, and
 * the woken one waits its turn behind it: there the call would cost more
 * than the thread pool that it is to beat.
 *
 * A pending call is a C record, the process's, outside every interpreter,
 * so that a thread that outlives its caller, the module object or the
 * interpreter touches nothing of theirs: only its record, the list, the
 * locks (whose functions need no thread state) and the C library's heap.
 * Its lock done is held until the call has returned; whoever takes it
 * then lets it go again for the next.  The record has a reference for its
 * thread and one for each caller waiting for it, counted under the list's
 * lock: the last to let go frees it.  The process ends without waiting for
 * an idle thread, as for a blocked one: neither is the interpreter's to
 * join.
 */
#define NOT_INLINED __attribute__((noinline))

#if PY_MAJOR_VERSION >= 3
#define IDLE_US		2000000	/* how long a thread waits for the next call */
#else
#define IDLE_US		0
#endif

struct pending_list;

/* A thread that waits for the next call: wake is held but to hand it one. */
struct idler {
	PyThread_type_lock wake;
	struct pending *call;
};

struct pending {
	struct pending *next;
	struct pending_list *list;
	PyThread_type_lock done;
	int refs;
	int rc, err;		/* statfs(2)'s answer and errno */
	struct statfs st;
	char *path;		/* a copy, after the record */
};

/*
 * The pending calls, and the idle thread, under lock.  A child of fork()
 * has none of its parent's threads, and perhaps a lock that one of them
 * held: it starts a list of its own, and what it copied of its parent's
 * is left alone.
 */
struct pending_list {
	PyThread_type_lock lock;
	struct pending *calls;
	struct idler *idle;
	pid_t pid;
};

static struct pending_list *statfs_pending;

/*
 * This process's list of pending calls, made at its first call; or none.
 * It is published with a compare-and-swap, and read with one that swaps
 * null for null.  They are the __sync builtins, not the __atomic ones:
 * ARMv5 has no atomic instructions, and the compilers make the __atomic
 * builtins there into calls of libatomic, which the module does not link,
 * the __sync ones into calls of libgcc's helpers, linked into the module,
 * which ask the kernel's.  (No lock could serve instead: a child of
 * fork() may find it held by a thread that the child has not.)
 */
static struct pending_list *
pending_list(void)
{
	struct pending_list *l =
	    __sync_val_compare_and_swap(&statfs_pending, nullptr, nullptr);
	const pid_t pid = getpid();
	struct pending_list *made, *was;

	while (l == nullptr || l->pid != pid) {
		made = static_cast<struct pending_list *>(malloc(sizeof(*made)));
		if (made == nullptr)
			return nullptr;
		made->lock = PyThread_allocate_lock();
		if (made->lock == nullptr) {
			free(made);
			return nullptr;
		}
		made->calls = nullptr;
		made->idle = nullptr;
		made->pid = pid;
		/* Should another thread make one first, it serves. */
		was = __sync_val_compare_and_swap(&statfs_pending, l, made);
		if (was == l)
			return made;
		PyThread_free_lock(made->lock);
		free(made);
		l = was;
	}
	return l;
}

static void
unlink_pending(struct pending *p)
{
	struct pending **q = &p->list->calls;

	while (*q != p)
		q = &(*q)->next;
	*q = p->next;
}

static void
free_pending(struct pending *p)
{
	PyThread_free_lock(p->done);
	free(p);
}

/* Lets go of a reference to p, freeing p with the last. */
static void
let_go(struct pending *p)
{
	struct pending_list *l = p->list;
	bool last;

	PyThread_acquire_lock(l->lock, WAIT_LOCK);
	last = --p->refs == 0;
	PyThread_release_lock(l->lock);
	if (last)
		free_pending(p);
}

/*
 * The idle thread's wait for the next call: the call handed to it, or
 * none once IDLE_US have passed without one.  A caller may take the
 * thread as its time runs out: then the call is the thread's all the same.
 */
static struct pending *
next_call(struct pending_list *l, struct idler *self)
{
#if PY_MAJOR_VERSION >= 3
	bool handed =
	    PyThread_acquire_lock_timed(self->wake, IDLE_US, 0) == PY_LOCK_ACQUIRED;

	if (!handed) {
		PyThread_acquire_lock(l->lock, WAIT_LOCK);
		handed = l->idle != self;
		if (!handed)
			l->idle = nullptr;
		PyThread_release_lock(l->lock);
		if (!handed)
			return nullptr;
		PyThread_acquire_lock(self->wake, WAIT_LOCK); /* let go at once */
	}
	return self->call;
#else
	(void)l;
	(void)self;
	return nullptr;
#endif
}

/*
 * The thread of pending calls: no interpreter state, no Python object.
 * Once a call's answer is stored, the call leaves the list, so that a
 * later call on its path starts afresh, and done opens for those waiting;
 * then the thread waits for the next call, unless another thread does.
 */
static void
pending_call(void *arg)
{
	struct pending *p = static_cast<struct pending *>(arg);
	struct pending_list *l = p->list;
	struct idler self = { nullptr, nullptr };

	/* (without its lock, it ends with its call) */
	if (IDLE_US > 0 && (self.wake = PyThread_allocate_lock()) != nullptr)
		PyThread_acquire_lock(self.wake, NOWAIT_LOCK); /* new: taken */
	while (p != nullptr) {
		const int rc = statfs(p->path, &p->st);
		const int err = errno;
		bool last, stays;

		PyThread_acquire_lock(l->lock, WAIT_LOCK);
		p->rc = rc;
		p->err = err;
		unlink_pending(p);
		last = --p->refs == 0;
		stays = self.wake != nullptr && l->idle == nullptr;
		if (stays)
			l->idle = &self;
		PyThread_release_lock(l->lock);
		if (last)
			free_pending(p);	/* no one waits for it */
		else
			PyThread_release_lock(p->done);
		p = stays ? next_call(l, &self) : nullptr;
	}
	if (self.wake != nullptr)
		PyThread_free_lock(self.wake);
}

#if PY_MAJOR_VERSION < 3
/*
 * Seconds on the monotonic clock, from the system call: the C library's
 * clock_gettime is 2.17's, younger than many a C library that Python 2.7
 * runs on, and than all else the module takes from it.  The kernel's
 * record has longs, as this time_t must be.
 */
static double
monotonic(void)
{
	struct timespec t = { 0, 0 };

	static_assert(sizeof(t.tv_sec) == sizeof(long), "the kernel's timespec");
	syscall(SYS_clock_gettime, CLOCK_MONOTONIC, &t);
	return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}
#endif

/*
 * Waits up to seconds for done, without the interpreter lock; whether it
 * was taken.  Python 2 has no timed lock: it looks again and again, at
 * first after 50 us, then twice as long each time, up to 5 ms.
 */
static bool
wait_for(PyThread_type_lock done, double seconds)
{
	bool taken;
	PyThreadState *self = PyEval_SaveThread();
#if PY_MAJOR_VERSION >= 3
	/* An hour at most at a time, far below any lock's limit. */
	const double most = 3600e6;
	double left = seconds * 1e6;

	do {
		const double wait = left < most ? left : most;
		PY_TIMEOUT_T us = static_cast<PY_TIMEOUT_T>(wait);

		if (static_cast<double>(us) < wait)
			us++;	/* no shorter than asked */
		taken = PyThread_acquire_lock_timed(done, us, 0) == PY_LOCK_ACQUIRED;
		left -= wait;
	} while (!taken && left > 0);
#else
	const double end = monotonic() + seconds;
	long pause = 50000; /* ns */

	for (;;) {
		const double left = end - monotonic();
		struct timespec t = { 0, pause };

		taken = PyThread_acquire_lock(done, NOWAIT_LOCK) != 0;
		if (taken || left <= 0)
			break;
		if (left * 1e9 < static_cast<double>(pause))
			t.tv_nsec = static_cast<long>(left * 1e9) + 1;
		nanosleep(&t, nullptr);
		if (pause < 5000000)
			pause *= 2;
	}
#endif
	PyEval_RestoreThread(self);
	return taken;
}

/*
 * statfs(2) on path, waiting for it seconds at most: as statfs(2), 0 or
 * -1 with errno set, ETIMEDOUT where it is late (ENOMEM or EAGAIN where
 * no record or no thread could be made).  Called with the interpreter
 * lock, which the thread's start needs.  The call goes to the idle
 * thread, where there is one, or else to a thread of its own.
 */
static int NOT_INLINED
timed_statfs(const char *path, double seconds, struct statfs *st)
{
	struct pending_list *l = pending_list();
	const size_t len = strlen(path);
	struct pending *made, *p;
	PyThread_type_lock wake = nullptr;	/* the idle thread's, handed p */
	int rc = -1, err = ETIMEDOUT;

	made = l != nullptr
	    ? static_cast<struct pending *>(malloc(sizeof(*made) + len + 1))
	    : nullptr;
	if (made != nullptr && (made->done = PyThread_allocate_lock()) == nullptr) {
		free(made);
		made = nullptr;
	}
	if (made == nullptr) {
		errno = ENOMEM;
		return -1;
	}
	made->list = l;
	made->refs = 2;		/* its thread's and this caller's */
	made->path = reinterpret_cast<char *>(made + 1);
	memcpy(made->path, path, len + 1);
	PyThread_acquire_lock(made->done, NOWAIT_LOCK); /* new: taken at once */

	PyThread_acquire_lock(l->lock, WAIT_LOCK);
	for (p = l->calls; p != nullptr && strcmp(p->path, path) != 0; p = p->next)
		;
	if (p != nullptr) {
		p->refs++;
	} else {
		p = made;
		p->next = l->calls;
		l->calls = p;
		if (l->idle != nullptr) {
			l->idle->call = p;
			wake = l->idle->wake;
			l->idle = nullptr;
		}
	}
	PyThread_release_lock(l->lock);

	if (p != made) { /* a call on the path is pending: wait for it */
		free_pending(made);
	} else if (wake != nullptr) {
		PyThread_release_lock(wake);
	} else if (PyThread_start_new_thread(pending_call, p) ==
	    static_cast<decltype(PyThread_start_new_thread(pending_call, p))>(-1)) {
		/*
		 * No thread, and its reference goes with it: the call fails,
		 * for any that wait for it too.
		 */
		PyThread_acquire_lock(l->lock, WAIT_LOCK);
		p->rc = -1;
		p->err = EAGAIN;
		p->refs--;
		unlink_pending(p);
		PyThread_release_lock(l->lock);
		PyThread_release_lock(p->done);
	}

	/* The answer stands from done's release on. */
	if (wait_for(p->done, seconds)) {
		rc = p->rc;
		err = p->err;
		*st = p->st;
		PyThread_release_lock(p->done); /* for the next waiting */
	}
	let_go(p);
	errno = err;
	return rc;
}

/*
 * (bsize, blocks, bavail, files, ffree): what Py_BuildValue("(lKKKK)")
 * makes, an int and four longs, without parsing a format on every call.
 */
static PyObject *
figures(const struct statfs *st)
{
	PyObject *item[] = {
		int_object(static_cast<long>(st->f_bsize)),
		PyLong_FromUnsignedLongLong(st->f_blocks),
		PyLong_FromUnsignedLongLong(st->f_bavail),
		PyLong_FromUnsignedLongLong(st->f_files),
		PyLong_FromUnsignedLongLong(st->f_ffree),
	};
	PyObject *t = PyTuple_New(5);
	Py_ssize_t i;

	/* Should anything not be made, the error stands and nothing is kept. */
	for (i = 0; i < 5; i++) {
		if (t != nullptr && item[i] != nullptr) {
			PyTuple_SetItem(t, i, item[i]);
		} else {
			Py_CLEAR(t);
			Py_XDECREF(item[i]);
		}
	}
	return t;
}

static PyObject *
my_statfs(PyObject * /* self */, PyObject *args, PyObject *kwargs)
{
	struct statfs st;

	if (statfs_path(args, kwargs, ARGUMENTS("statfs"), &st) != 0)
		return nullptr;
	return figures(&st);
}

/*
 * floor(count * unit / 2^20), exact: in 64 bits for every real file
 * system, and in Python's integers past 2^64 bytes.
 */
static PyObject *
mebibytes(uint64_t count, uint64_t unit)
{
	uint64_t bytes;
	PyObject *a, *b, *shift, *product, *mib;

	if (!__builtin_mul_overflow(count, unit, &bytes))
		return PyLong_FromUnsignedLongLong(bytes >> 20);
	a = PyLong_FromUnsignedLongLong(count);
	b = PyLong_FromUnsignedLongLong(unit);
	shift = PyLong_FromLong(20);
	product = a && b ? PyNumber_Multiply(a, b) : nullptr;
	mib = product && shift ? PyNumber_Rshift(product, shift) : nullptr;
	Py_XDECREF(a);
	Py_XDECREF(b);
	Py_XDECREF(shift);
	Py_XDECREF(product);
	return mib;
}

/*
 * The counts are in fragments where the file system says how large they
 * are, else in blocks; a size that is not above zero leaves no space.
 */
static PyObject *
free_mb(PyObject * /* self */, PyObject *args, PyObject *kwargs)
{
	struct statfs st;
	long long unit;

	if (statfs_path(args, kwargs, ARGUMENTS("free_mb"), &st) != 0)
		return nullptr;
	unit = st.f_frsize > 0 ? st.f_frsize : st.f_bsize;
	if (unit <= 0)
		return PyLong_FromLong(0);
	return mebibytes(st.f_bavail, static_cast<uint64_t>(unit));
}

/*
 * A function that takes keywords as the method table holds it, through
 * the cast that the compilers take to mean "on purpose".
 */
#define WITH_KEYWORDS(f)                                                  \
	reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(f)), \
	    METH_VARARGS | METH_KEYWORDS

static PyMethodDef statfs_methods[] = {
	{ "statfs", WITH_KEYWORDS(my_statfs), statfs__doc__ },
	{ "free_mb", WITH_KEYWORDS(free_mb), free_mb__doc__ },
	{ nullptr, nullptr, 0, nullptr },
};

/*
 * The path argument into *path (a PyObject * under Python 3, a const
 * char * under Python 2), by position as ever or as path=, as os.statvfs
 * takes it, and the keyword-only timeout into *timeout, which stays null
 * where it is not given.  A call without keywords, the common one, takes
 * the short way, with the first of ARGUMENTS(name): the keyword parser,
 * with the second, is for calls that name one.
 */
static const char *const keywords[] = { "path", "timeout", nullptr };

static int
parse_path(PyObject *args, PyObject *kwargs, const char *positional,
    const char *format, void *path, PyObject **timeout)
{
	if (kwargs != nullptr) {
#if PY_MAJOR_VERSION < 3
		if (PyTuple_Size(args) > 1) {
			PyErr_Format(PyExc_TypeError,
			    "%s() takes at most 1 positional argument (%zd given)",
			    strchr(format, ':') + 1, PyTuple_Size(args));
			return 0;
		}
#endif
		return PyArg_ParseTupleAndKeywords(args, kwargs, format,
		    const_cast<char **>(keywords), path, timeout);
	}
#if PY_MAJOR_VERSION >= 3
	return PyArg_UnpackTuple(args, positional, 1, 1, path);
#else
	return PyArg_ParseTuple(args, positional, path);
#endif
}

/*
 * The timeout given, not None, in *seconds: 0, or -1 with the error set.
 * Any real number of seconds above zero and finite will do.
 */
static int NOT_INLINED
timeout_seconds(PyObject *timeout, const char *format, double *seconds)
{
	*seconds = PyFloat_AsDouble(timeout);
	if (*seconds == -1.0 && PyErr_Occurred() != nullptr) {
		if (PyErr_ExceptionMatches(PyExc_TypeError))
			PyErr_Format(PyExc_TypeError,
			    "%s() timeout must be a number of seconds or None",
			    strchr(format, ':') + 1);
		return -1;
	}
	if (!(*seconds > 0 && *seconds <= DBL_MAX)) { /* NaN fails both */
		PyErr_Format(PyExc_ValueError,
		    "%s() timeout must be above zero and finite",
		    strchr(format, ':') + 1);
		return -1;
	}
	return 0;
}

/* The module's own objects, made for each module object. */
static int
statfs_exec(PyObject *m)
{
	PyObject *version = version_string(RCSInfo);
	int rc;

	if (version == nullptr)
		return -1;
	rc = PyDict_SetItemString(PyModule_GetDict(m), "Version", version);
	Py_DECREF(version);
	return rc;
}

/*
 * The interpreter.
 *
 * statfs_path() takes the one path argument and the timeout from args and
 * kwargs, runs statfs(2) on the path and returns 0, or -1 with the
 * exception set; the initialisation function makes the module.
 */
#if PY_MAJOR_VERSION >= 3

static int
statfs_path(PyObject *args, PyObject *kwargs, const char *name,
    const char *format, struct statfs *st)
{
	PyObject *path, *bytes, *timeout = nullptr;
	double seconds = 0;
	bool timed;
	int rc;

	if (!parse_path(args, kwargs, name, format, &path, &timeout))
		return -1;
	timed = timeout != nullptr && timeout != Py_None;
	if ((timed && timeout_seconds(timeout, format, &seconds) != 0) ||
	    !PyUnicode_FSConverter(path, &bytes))
		return -1;
	rc = timed ? timed_statfs(PyBytes_AsString(bytes), seconds, st)
		   : unlocked_statfs(PyBytes_AsString(bytes), st);
	if (rc != 0) /* the file name as passed: str, bytes or os.PathLike */
		PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path);
	Py_DECREF(bytes);
	return rc != 0 ? -1 : 0;
}

/*
 * Multi-phase initialisation: the interpreter makes the module object and
 * statfs_exec() fills it, for each interpreter that imports it.
 */
#ifdef Py_TARGET_ABI3T

/*
 * The stable ABI of 3.15 on, for CPython with the interpreter lock and
 * without it alike: the module is given as slots that the interpreter
 * reads (its ABI among them, which it checks), through the export hook
 * that only 3.15 on looks for.
 */
PyABIInfo_VAR(statfs_abi);

static PySlot statfs_export[] = {
	PySlot_PTR_STATIC(Py_mod_abi, &statfs_abi),
	PySlot_PTR_STATIC(Py_mod_name, "statfs"),
	PySlot_PTR_STATIC(Py_mod_doc, statfs_module__doc__),
	PySlot_PTR_STATIC(Py_mod_methods, statfs_methods),
	PySlot_PTR(Py_mod_exec, statfs_exec),
	PySlot_PTR(Py_mod_gil, Py_MOD_GIL_NOT_USED),
	PySlot_PTR(Py_mod_multiple_interpreters,
	    Py_MOD_PER_INTERPRETER_GIL_SUPPORTED),
	PySlot_END,
};

PyMODEXPORT_FUNC
PyModExport_statfs(void)
{
	return statfs_export;
}

#else /* a module definition */

/*
 * The slots stand newest first, each with the first CPython 3 that knows
 * it.  A build against the full API serves the interpreter whose headers
 * it sees and names the slots they define.  The stable-ABI module serves
 * 3.6 on, whose headers hide the 3.12 slot's value from it (before 3.15,
 * its name too): it names the stable ABI's value, and an interpreter
 * before 3.12, which would refuse a slot it does not know, is given the
 * list from the slot after it.
 */
#if defined(Py_LIMITED_API) && !defined(Py_MOD_PER_INTERPRETER_GIL_SUPPORTED)
#ifndef Py_mod_multiple_interpreters
#define Py_mod_multiple_interpreters 3
#endif
#define Py_MOD_PER_INTERPRETER_GIL_SUPPORTED (reinterpret_cast<void *>(2))
#endif

static PyModuleDef_Slot statfs_slots[] = {
#ifdef Py_GIL_DISABLED
	{ Py_mod_gil, Py_MOD_GIL_NOT_USED }, /* 3.13, free-threaded */
#endif
#ifdef Py_mod_multiple_interpreters
	{ Py_mod_multiple_interpreters, /* 3.12 */
	    Py_MOD_PER_INTERPRETER_GIL_SUPPORTED },
#endif
	{ Py_mod_exec, reinterpret_cast<void *>(statfs_exec) }, /* 3.5 */
	{ 0, nullptr },
};

/* One definition for each list of slots, so that none is ever changed. */
#define STATFS_MODULE(slots)                                        \
	{ PyModuleDef_HEAD_INIT, "statfs", statfs_module__doc__, 0, \
	    statfs_methods, slots, nullptr, nullptr, nullptr }

#ifndef Py_LIMITED_API

static struct PyModuleDef statfs_module = STATFS_MODULE(statfs_slots);

PyMODINIT_FUNC
PyInit_statfs(void)
{
	return PyModuleDef_Init(&statfs_module);
}

#else /* the stable ABI */

static struct PyModuleDef statfs_module[] = {
	STATFS_MODULE(&statfs_slots[0]), /* 3.12 on */
	STATFS_MODULE(&statfs_slots[1]), /* 3.6 to 3.11 */
};

/*
 * The running interpreter's minor version, from sys.version_info, or -1
 * with the error set.  The references are borrowed: a free-threaded
 * CPython, refused below, counts them otherwise than the stable ABI's
 * Py_DECREF would.
 */
static int
running_minor(void)
{
	PyObject *info = PySys_GetObject("version_info");
	PyObject *minor = info != nullptr ? PyTuple_GetItem(info, 1) : nullptr;
	long n;

	if (minor == nullptr) {
		if (PyErr_Occurred() == nullptr)
			PyErr_SetString(PyExc_ImportError,
			    "statfs: sys.version_info is missing");
		return -1;
	}
	n = PyLong_AsLong(minor);
	if (n == -1 && PyErr_Occurred() != nullptr)
		return -1;
	return static_cast<int>(n);
}

PyMODINIT_FUNC
PyInit_statfs(void)
{
	const int minor = running_minor();

	if (minor < 0)
		return nullptr;
	/*
	 * A free-threaded CPython loads .abi3.so files too, but its objects
	 * are laid out otherwise than the stable ABI's macros take them to
	 * be: refuse it, having used none of them.
	 */
	if (strstr(Py_GetVersion(), "free-threading build") != nullptr) {
		if (minor >= 15) {
			PyErr_Format(PyExc_ImportError,
			    "statfs.abi3.so is the statfs module for CPython "
			    "with the interpreter lock, not for this "
			    "free-threaded CPython 3.%d: it takes statfs.abi3t.so "
			    "(the cp315-abi3.abi3t wheel)", minor);
		} else {
			PyErr_Format(PyExc_ImportError,
			    "statfs.abi3.so is the statfs module for CPython "
			    "with the interpreter lock, not for this "
			    "free-threaded CPython 3.%d: it takes "
			    "statfs.cpython-3%dt-<arch>.so, which a build "
			    "configured with it makes (pip from the source "
			    "under this interpreter, or CMake)", minor, minor);
		}
		return nullptr;
	}
	return PyModuleDef_Init(&statfs_module[minor >= 12 ? 0 : 1]);
}

#endif /* Py_LIMITED_API */

#endif /* Py_TARGET_ABI3T */

#else /* Python 2 */

/* (inline, into both functions, as the compiler no longer sees fit to) */
static inline int
statfs_path(PyObject *args, PyObject *kwargs, const char *positional,
    const char *format, struct statfs *st)
{
	const char *path;
	PyObject *timeout = nullptr;
	double seconds = 0;
	bool timed;

	if (!parse_path(args, kwargs, positional, format, &path, &timeout))
		return -1;
	timed = timeout != nullptr && timeout != Py_None;
	if (timed && timeout_seconds(timeout, format, &seconds) != 0)
		return -1;
	if ((timed ? timed_statfs(path, seconds, st) : unlocked_statfs(path, st)) != 0) {
		PyErr_SetFromErrnoWithFilename(PyExc_OSError, path);
		return -1;
	}
	return 0;
}

/*
 * The module is in sys.modules from its creation on: where it cannot be
 * filled, it is taken out again and the error stands.
 */
PyMODINIT_FUNC
initstatfs(void)
{
	PyObject *m, *type, *value, *tb;

	m = Py_InitModule4("statfs", statfs_methods, statfs_module__doc__,
	    nullptr, PYTHON_API_VERSION);
	if (m == nullptr || statfs_exec(m) == 0)
		return;
	PyErr_Fetch(&type, &value, &tb);
	PyDict_DelItemString(PyImport_GetModuleDict(), "statfs");
	PyErr_Restore(type, value, tb);
}

#endif
