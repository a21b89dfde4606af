/*
 * Preloaded into the interpreter by the statfs module's tests.
 *
 * statfs() and statfs64() answer for made-up paths of the form
 *
 *	/fake/BSIZE/FRSIZE/BLOCKS/BAVAIL/FILES/FFREE
 *
 * and pass every other path to the C library;
 * the 32-bit statfs() fails with EOVERFLOW, as the kernel's does, where a
 * figure does not fit.  statfs_fake_calls counts the calls of both, and
 * statfs_fake_threads the threads that pthread_create() has started;
 * statfs_fake_bsize_bits and statfs_fake_bsize_signed tell the block
 * size's type.
 *
 * A call on /block/BEGUN/GO/ERRNO writes a byte to descriptor BEGUN, waits
 * for one on descriptor GO and then fails with ERRNO.  It waits 5 s at the
 * most and fails with ETIMEDOUT after that, so that a caller that keeps
 * everyone else waiting meanwhile fails rather than hangs.
 *
 * statfs_fake_init_fault makes the module's initialisation fail: 1 when it
 * makes its Version string, 2 when it stores it in the module;
 * statfs_fake_object_fault, when set to N, makes the Nth of the objects
 * that the module's functions make from then on fail, and is 0 again after
 * that (see the end of this file).  statfs_fake_start_fault, while set,
 * makes what a call with a timeout starts with fail: 1 its thread
 * (pthread_create fails with EAGAIN, for every caller), 2 its record (the
 * malloc of the module that the fault tests load fails with ENOMEM).
 */

#include <dlfcn.h>
#include <poll.h>
#include <pthread.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <type_traits>

#ifdef __i386__
/*
 * The interpreter under test may have an older C library than the one
 * built against: take the dlsym that both have.
 */
__asm__(".symver dlsym,dlsym@GLIBC_2.0");
#endif

struct _object;
using object = struct _object;

/*
 * The block size's type: a long, but on s390x, whose record has an
 * unsigned int.
 */
using bsize_type = decltype(static_cast<struct statfs *>(nullptr)->f_bsize);

extern "C" {
unsigned long statfs_fake_calls;
unsigned long statfs_fake_threads;
int statfs_fake_init_fault;
int statfs_fake_object_fault;
int statfs_fake_start_fault;
int statfs_fake_bsize_bits = sizeof(bsize_type) * 8;
int statfs_fake_bsize_signed = std::is_signed_v<bsize_type> ? 1 : 0;
}

template <typename T>
static bool
store(T *field, unsigned long long v)
{
	*field = static_cast<T>(v);
	return static_cast<unsigned long long>(*field) == v;
}

static bool
released(int begun, int go)
{
	struct pollfd p = { go, POLLIN, 0 };
	char c = 0;

	return write(begun, &c, 1) == 1 && poll(&p, 1, 5000) == 1 &&
	    read(go, &c, 1) == 1;
}

/*
 * Whether path is prefix followed by n decimal numbers, each after a "/"
 * but the first, and nothing else; if so, stores them in v.  (Not sscanf:
 * glibc 2.38's headers bind it to a symbol that the older C library of a
 * prepared foreign interpreter lacks.)
 */
static bool
numbers(const char *path, const char *prefix, unsigned long long *v, int n)
{
	const size_t len = strlen(prefix);

	if (strncmp(path, prefix, len) != 0)
		return false;
	path += len;
	for (int i = 0; i < n; i++) {
		if ((i > 0 && *path++ != '/') || *path < '0' || *path > '9')
			return false;
		for (v[i] = 0; *path >= '0' && *path <= '9'; path++)
			v[i] = v[i] * 10 + static_cast<unsigned>(*path - '0');
	}
	return *path == '\0';
}

template <typename S>
static int
answer(const char *path, S *st, const char *name)
{
	using real_fn = int (*)(const char *, S *);
	unsigned long long v[6];

	/*
	 * Counted right when many threads call at once; by __sync, which on
	 * ARMv5 (armel) is libgcc's, through the kernel's helpers, where
	 * std::atomic would be libatomic's.
	 */
	__sync_fetch_and_add(&statfs_fake_calls, 1);
	if (numbers(path, "/block/", v, 3)) {
		errno = released(static_cast<int>(v[0]), static_cast<int>(v[1]))
		    ? static_cast<int>(v[2])
		    : ETIMEDOUT;
		return -1;
	}
	/* A path that is not made up is real. */
	if (!numbers(path, "/fake/", v, 6))
		return reinterpret_cast<real_fn>(dlsym(RTLD_NEXT, name))(
		    path, st);
	memset(st, 0, sizeof(*st));
	/* Every field is stored, whether or not an earlier one fitted. */
	const bool fits[] = {
		store(&st->f_bsize, v[0]),
		store(&st->f_frsize, v[1]),
		store(&st->f_blocks, v[2]),
		store(&st->f_bavail, v[3]),
		store(&st->f_files, v[4]),
		store(&st->f_ffree, v[5]),
	};
	if (!std::all_of(std::begin(fits), std::end(fits),
		[](bool fit) { return fit; })) {
		errno = EOVERFLOW;
		return -1;
	}
	return 0;
}

extern "C" int
statfs(const char *file, struct statfs *buf) noexcept
{
	return answer(file, buf, "statfs");
}

extern "C" int
statfs64(const char *file, struct statfs64 *buf) noexcept
{
	return answer(file, buf, "statfs64");
}

/*
 * What a call with a timeout starts with, failing on request, and its
 * threads counted.  (The parameters are named as the C library's
 * declaration names them.)
 */

extern "C" int
pthread_create(pthread_t *__newthread, const pthread_attr_t *__attr,
    void *(*__start_routine)(void *), void *__arg) noexcept
{
	using real_fn = int (*)(
	    pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);

	if (statfs_fake_start_fault == 1)
		return EAGAIN;
	const int rc = reinterpret_cast<real_fn>(dlsym(RTLD_NEXT, "pthread_create"))(
	    __newthread, __attr, __start_routine, __arg);
	if (rc == 0) {
		__sync_fetch_and_add(&statfs_fake_threads, 1);
	}
	return rc;
}

extern "C" void *
__wrap_malloc(size_t size)
{
	if (statfs_fake_start_fault == 2) {
		errno = ENOMEM;
		return nullptr;
	}
	return malloc(size);
}

/*
 * The interpreter's functions that the module calls to make objects,
 * failing on request.  The module that the fault tests load is linked with
 * --wrap for these, so that its calls come here whichever way the
 * interpreter binds its own names.
 */

template <typename Fn>
static Fn
interpreter(const char *name)
{
	return reinterpret_cast<Fn>(dlsym(RTLD_DEFAULT, name));
}

static object *
no_memory()
{
	return interpreter<object *(*)()>("PyErr_NoMemory")();
}

static object *
from_string(const char *s, const char *name)
{
	if (statfs_fake_init_fault == 1 && strncmp(s, "$Id: statfs", 11) == 0)
		return no_memory();
	return interpreter<object *(*)(const char *)>(name)(s);
}

extern "C" object *
__wrap_PyString_FromString(const char *s)
{
	return from_string(s, "PyString_FromString");
}

extern "C" object *
__wrap_PyUnicode_FromString(const char *s)
{
	return from_string(s, "PyUnicode_FromString");
}

extern "C" int
__wrap_PyDict_SetItemString(object *d, const char *key, object *v)
{
	using fn = int (*)(object *, const char *, object *);

	if (statfs_fake_init_fault == 2 && strcmp(key, "Version") == 0) {
		no_memory();
		return -1;
	}
	return interpreter<fn>("PyDict_SetItemString")(d, key, v);
}

/* The objects of the functions' results: the Nth from when it is set fails. */
template <typename... Args>
static object *
make(const char *name, Args... args)
{
	if (statfs_fake_object_fault > 0 && --statfs_fake_object_fault == 0)
		return no_memory();
	return interpreter<object *(*)(Args...)>(name)(args...);
}

extern "C" object *
__wrap_PyInt_FromLong(long v)
{
	return make("PyInt_FromLong", v);
}

extern "C" object *
__wrap_PyLong_FromLong(long v)
{
	return make("PyLong_FromLong", v);
}

extern "C" object *
__wrap_PyLong_FromUnsignedLongLong(unsigned long long v)
{
	return make("PyLong_FromUnsignedLongLong", v);
}

extern "C" object *
__wrap_PyTuple_New(ssize_t size)
{
	return make("PyTuple_New", size);
}

extern "C" object *
__wrap_PyNumber_Multiply(object *a, object *b)
{
	return make("PyNumber_Multiply", a, b);
}

extern "C" object *
__wrap_PyNumber_Rshift(object *a, object *b)
{
	return make("PyNumber_Rshift", a, b);
}
