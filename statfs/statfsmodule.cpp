/*
 * statfs - the statfs(2) system call for Python
 *
 *	statfs.statfs(path) -> (bsize, blocks, bavail, files, ffree)
 *	statfs.free_mb(path) -> the space unprivileged users may still use,
 *	    in whole mebibytes
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
 *
 * The module keeps no state of its own, so under Python 3 it serves
 * isolated subinterpreters and free-threaded interpreters alike: each
 * module object gets its own Version.
 */

#include <Python.h>

#include <sys/statfs.h>

#include <cstdint>
#include <cstring>

static const char *RCSInfo =
    "$Id: statfsmodule,v 1.1 2000/08/14 16:02:01 kdw Exp $";

/*
 * What differs between the interpreters in the functions' own code.
 * PATH_ARGUMENT(name) is the argument parser's format for the one path
 * argument of the function name: an object under Python 3, which
 * statfs_path() converts itself, a str under Python 2.  SIGNATURE(name)
 * starts the function's doc string: Python 3 takes the signature from
 * there for inspect.signature().  int_object() and version_string() make
 * an int and a str.
 */
#if PY_MAJOR_VERSION >= 3
#define PATH_ARGUMENT(name) "O:" name
#define SIGNATURE(name)	    name "($module, path)\n--\n\n"
#define int_object	    PyLong_FromLong
#define version_string	    PyUnicode_FromString
#else
#define PATH_ARGUMENT(name) "s:" name
#define SIGNATURE(name)	    name "(path)\n\n"
#define int_object	    PyInt_FromLong
#define version_string	    PyString_FromString
#endif

static int statfs_path(PyObject *, PyObject *, const char *, struct statfs *);

PyDoc_STRVAR(statfs_module__doc__,
    "The statfs(2) system call: the size and the free space of the file\n"
    "system that holds a path.");

PyDoc_STRVAR(statfs__doc__,
    SIGNATURE("statfs")
    "Return (bsize, blocks, bavail, files, ffree) for the file system\n"
    "that holds path, from the statfs system call.\n"
    "\n"
    "bsize is the file system's block size.  blocks is its size and bavail\n"
    "(f_bavail) the blocks available to unprivileged users, which leaves\n"
    "out any reserved for the superuser; both count fragments of the\n"
    "file system's fragment size (f_frsize), which is bsize on most file\n"
    "systems.  files and ffree are the file nodes in all and free.");

PyDoc_STRVAR(free_mb__doc__,
    SIGNATURE("free_mb")
    "Return the space available to unprivileged users on the file system\n"
    "that holds path, in whole mebibytes (MiB, 2**20 bytes), rounded\n"
    "down: f_bavail fragments of f_frsize bytes (of f_bsize bytes where\n"
    "the file system gives no fragment size).");

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

	if (statfs_path(args, kwargs, PATH_ARGUMENT("statfs"), &st) != 0)
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

	if (statfs_path(args, kwargs, PATH_ARGUMENT("free_mb"), &st) != 0)
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
 * takes it.  A call without keywords, the common one, takes the short
 * way: the keyword parser is for calls that name it.  Python 3's short
 * way wants the function's name alone, after the format's "O:".
 */
static const char *const path_keyword[] = { "path", nullptr };

static int
parse_path(PyObject *args, PyObject *kwargs, const char *format, void *path)
{
	if (kwargs != nullptr)
		return PyArg_ParseTupleAndKeywords(args, kwargs, format,
		    const_cast<char **>(path_keyword), path);
#if PY_MAJOR_VERSION >= 3
	return PyArg_UnpackTuple(args, format + 2, 1, 1, path);
#else
	return PyArg_ParseTuple(args, format, path);
#endif
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
 * statfs_path() takes the one path argument from args and kwargs, runs
 * statfs(2) on it and returns 0, or -1 with the exception set; the
 * initialisation function makes the module.
 */
#if PY_MAJOR_VERSION >= 3

static int
statfs_path(
    PyObject *args, PyObject *kwargs, const char *format, struct statfs *st)
{
	PyObject *path, *bytes;
	int rc;

	if (!parse_path(args, kwargs, format, &path) ||
	    !PyUnicode_FSConverter(path, &bytes))
		return -1;
	rc = unlocked_statfs(PyBytes_AsString(bytes), st);
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

static int
statfs_path(
    PyObject *args, PyObject *kwargs, const char *format, struct statfs *st)
{
	const char *path;

	if (!parse_path(args, kwargs, format, &path))
		return -1;
	if (unlocked_statfs(path, st) != 0) {
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
