/*
 * statfs - the statfs(2) system call for Python
 *
 *	statfs.statfs(path) -> (bsize, blocks, bavail, files, ffree)
 *	statfs.free_mb(path) -> the space unprivileged users may still use,
 *	    in whole mebibytes
 *	statfs.Version -> the source's identification line
 *
 * One source for Python 2.7 and Python 3; what differs between the two
 * stands together below, under "The interpreter".  Errors are OSError from
 * errno, with the path as the file name.  The interpreter lock is held
 * throughout.
 */

#include <Python.h>

#include <sys/statfs.h>

#include <cerrno>
#include <cstdint>

static const char *RCSInfo =
    "$Id: statfsmodule,v 1.1 2000/08/14 16:02:01 kdw Exp $";
static PyObject *PSVersion;

static int statfs_path(PyObject *args, const char *format, struct statfs *st);
static PyObject *statfs_init(void);

PyDoc_STRVAR(statfs__doc__,
    "statfs(path) -> \n"
    " (bsize, blocks, bfree, files, ffree)\n"
    "Perform a statfs system call on the given path.");

static PyObject *
my_statfs(PyObject * /* self */, PyObject *args)
{
	struct statfs st;

	if (statfs_path(args, "s:statfs", &st) != 0)
		return nullptr;
	return Py_BuildValue("(lKKKK)", static_cast<long>(st.f_bsize),
	    static_cast<unsigned long long>(st.f_blocks),
	    static_cast<unsigned long long>(st.f_bavail),
	    static_cast<unsigned long long>(st.f_files),
	    static_cast<unsigned long long>(st.f_ffree));
}

/*
 * floor(blocks * unit / 2^20), exact for any 64-bit values: the 128-bit
 * product is formed from 32-bit halves, as 32-bit x86 has no wider type.
 */
static PyObject *
mebibytes(uint64_t blocks, uint64_t unit)
{
	const uint64_t lo32 = 0xffffffffU;
	const uint64_t ll = (blocks & lo32) * (unit & lo32);
	const uint64_t lh = (blocks & lo32) * (unit >> 32);
	const uint64_t hl = (blocks >> 32) * (unit & lo32);
	const uint64_t hh = (blocks >> 32) * (unit >> 32);
	const uint64_t mid = (ll >> 32) + (lh & lo32) + (hl & lo32);
	uint64_t lo = (mid << 32) | (ll & lo32);
	uint64_t hi = hh + (lh >> 32) + (hl >> 32) + (mid >> 32);
	PyObject *high, *shift, *shifted, *low, *sum;

	lo = (lo >> 20) | (hi << 44);
	hi >>= 20;
	if (hi == 0)
		return PyLong_FromUnsignedLongLong(lo);

	/* More than 64 bits of mebibytes: hi * 2^64 + lo, the long way. */
	high = PyLong_FromUnsignedLongLong(hi);
	shift = PyLong_FromLong(64);
	shifted = high && shift ? PyNumber_Lshift(high, shift) : nullptr;
	low = PyLong_FromUnsignedLongLong(lo);
	sum = shifted && low ? PyNumber_Or(shifted, low) : nullptr;
	Py_XDECREF(high);
	Py_XDECREF(shift);
	Py_XDECREF(shifted);
	Py_XDECREF(low);
	return sum;
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

	if (statfs_path(args, "s:free_mb", &st) != 0)
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
 * statfs_path() takes the one path argument from args (format is the
 * Python 2 parser's: "s:" and the function's name), runs statfs(2) on it
 * and returns 0, or -1 with the exception set; version_string() makes a
 * str; statfs_module_create() makes the module object and
 * statfs_module_discard() undoes that.
 */
#if PY_MAJOR_VERSION >= 3

/* The path as passed: str, bytes or os.PathLike. */
static PyObject *
error_with_filename(PyObject *path)
{
	return PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path);
}

static int
statfs_path(PyObject *args, const char *format, struct statfs *st)
{
	PyObject *path, *bytes;
	int rc;

	if (!PyArg_UnpackTuple(args, format + 2, 1, 1, &path) ||
	    !PyUnicode_FSConverter(path, &bytes))
		return -1;
	rc = statfs(PyBytes_AS_STRING(bytes), st);
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

#define version_string PyUnicode_FromString

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
	if (statfs(path, st) != 0) {
		error_with_filename(path);
		return -1;
	}
	return 0;
}

#define version_string PyString_FromString

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
