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
 * every CPython 3 from 3.6 on.  Errors are OSError from errno, with the
 * path as the file name.  The interpreter lock is let go during the system
 * call, and only there.
 */

#include <Python.h>

#include <sys/statfs.h>

#include <cerrno>
#include <cstdint>

static const char *RCSInfo =
    "$Id: statfsmodule,v 1.1 2000/08/14 16:02:01 kdw Exp $";
static PyObject *PSVersion;

/*
 * What differs between the interpreters in the functions' own code.
 * statfs_path() takes the path argument out of args: Python 3's needs the
 * function's name, for its messages; Python 2's needs the argument parser's
 * format, "s:" and the name.  int_object() and version_string() make an int
 * and a str.
 */
#if PY_MAJOR_VERSION >= 3
#define PATH_ARGUMENT(name) name
#define int_object PyLong_FromLong
#define version_string PyUnicode_FromString
#else
#define PATH_ARGUMENT(name) "s:" name
#define int_object PyInt_FromLong
#define version_string PyString_FromString
#endif

static int statfs_path(PyObject *, const char *, struct statfs *);
static PyObject *statfs_init(void);

PyDoc_STRVAR(statfs__doc__,
    "statfs(path) -> \n"
    " (bsize, blocks, bfree, files, ffree)\n"
    "Perform a statfs system call on the given path.");

/*
 * statfs(2) without the interpreter lock, so that the process's other
 * threads run on while a slow or hung file system answers.  errno is the
 * call's own afterwards, whatever taking the lock again did to it.
 */
static int
unlocked_statfs(const char *path, struct statfs *st)
{
	PyThreadState *self = PyEval_SaveThread();
	const int rc = statfs(path, st);
	const int err = errno;

	PyEval_RestoreThread(self);
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
my_statfs(PyObject * /* self */, PyObject *args)
{
	struct statfs st;

	if (statfs_path(args, PATH_ARGUMENT("statfs"), &st) != 0)
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
free_mb(PyObject * /* self */, PyObject *args)
{
	struct statfs st;
	long long unit;

	if (statfs_path(args, PATH_ARGUMENT("free_mb"), &st) != 0)
		return nullptr;
	unit = st.f_frsize > 0 ? st.f_frsize : st.f_bsize;
	if (unit <= 0)
		return PyLong_FromLong(0);
	return mebibytes(st.f_bavail, static_cast<uint64_t>(unit));
}

static PyMethodDef statfs_methods[] = {
	{ "statfs", my_statfs, METH_VARARGS, statfs__doc__ },
	{ "free_mb", free_mb, METH_VARARGS, nullptr },
	{ nullptr, nullptr, 0, nullptr },
};

/*
 * The interpreter.
 *
 * statfs_path() takes the one path argument from args, runs statfs(2) on
 * it and returns 0, or -1 with the exception set; statfs_module_create()
 * makes the module object and statfs_module_discard() undoes that.
 */
#if PY_MAJOR_VERSION >= 3

/* The path as passed: str, bytes or os.PathLike. */
static PyObject *
error_with_filename(PyObject *path)
{
	return PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path);
}

static int
statfs_path(PyObject *args, const char *name, struct statfs *st)
{
	PyObject *path, *bytes;
	int rc;

	if (!PyArg_UnpackTuple(args, name, 1, 1, &path) ||
	    !PyUnicode_FSConverter(path, &bytes))
		return -1;
	rc = unlocked_statfs(PyBytes_AsString(bytes), st);
	if (rc != 0)
		error_with_filename(path);
	Py_DECREF(bytes);
	return rc != 0 ? -1 : 0;
}

static struct PyModuleDef statfs_module = {
	PyModuleDef_HEAD_INIT,
	"statfs",
	nullptr,
	-1,
	statfs_methods,
	nullptr,
	nullptr,
	nullptr,
	nullptr,
};

static PyObject *
statfs_module_create()
{
	return PyModule_Create(&statfs_module);
}

static void
statfs_module_discard(PyObject *m)
{
	Py_DECREF(m);
}

PyMODINIT_FUNC
PyInit_statfs(void)
{
	return statfs_init();
}

#else /* Python 2 */

/* A str, or a unicode in the default encoding. */
static PyObject *
error_with_filename(const char *path)
{
	return PyErr_SetFromErrnoWithFilename(PyExc_OSError, path);
}

static int
statfs_path(PyObject *args, const char *format, struct statfs *st)
{
	const char *path;

	if (!PyArg_ParseTuple(args, format, &path))
		return -1;
	if (unlocked_statfs(path, st) != 0) {
		error_with_filename(path);
		return -1;
	}
	return 0;
}

static PyObject *
statfs_module_create()
{
	return Py_InitModule4(
	    "statfs", statfs_methods, nullptr, nullptr, PYTHON_API_VERSION);
}

/* The module is in sys.modules from its creation on; the error stands. */
static void
statfs_module_discard(PyObject * /* m */)
{
	PyObject *type, *value, *tb;

	PyErr_Fetch(&type, &value, &tb);
	PyDict_DelItemString(PyImport_GetModuleDict(), "statfs");
	PyErr_Restore(type, value, tb);
}

PyMODINIT_FUNC
initstatfs(void)
{
	(void)statfs_init();
}

#endif

/*
 * The module, with its Version.  Where something cannot be made the
 * interpreter's exception stands and no module is left behind.
 */
static PyObject *
statfs_init(void)
{
	PyObject *m;

	if (PSVersion == nullptr &&
	    (PSVersion = version_string(RCSInfo)) == nullptr)
		return nullptr;
	if ((m = statfs_module_create()) == nullptr)
		return nullptr;
	if (PyDict_SetItemString(PyModule_GetDict(m), "Version", PSVersion) !=
	    0) {
		statfs_module_discard(m);
		return nullptr;
	}
	return m;
}
