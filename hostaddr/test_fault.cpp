/*
 * Preloaded into hostaddr by its tests to make the C library's socket(2)
 * and ioctl(2) misbehave as HOSTADDR_FAULT says:
 *
 *	socket		socket() fails with EMFILE
 *	ifconf		the SIOCGIFCONF listing fails with EACCES
 *	size		the SIOCGIFCONF query for the list's length (no
 *			buffer) fails with EINVAL
 *	grow		the first such query answers two records short, as if
 *			the list grew by two before the next listing
 *	malloc		malloc() fails with ENOMEM for more than 4096 bytes
 *	flags=N		the SIOCGIFFLAGS query on listed record N (from 0)
 *			fails with ENODEV
 *	zero=N		listed record N carries the address 0.0.0.0
 *
 * Records are told apart by their place in the listing buffer, so a query
 * that is not made on the listed record itself never matches.
 */

#include <dlfcn.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;
extern "C" void *__libc_malloc(size_t size) noexcept;

static char *listing; /* the buffer of the last listing */

static bool
fault(const char *name, long *arg)
{
	const char *f = getenv("HOSTADDR_FAULT");
	size_t n = strlen(name);

	if (f == nullptr || strncmp(f, name, n) != 0)
		return false;
	if (f[n] == '=')
		*arg = strtol(f + n + 1, nullptr, 10);
	return f[n] == '\0' || f[n] == '=';
}

extern "C" int
socket(int domain, int type, int protocol) noexcept
{
	using socket_fn = int (*)(int, int, int);
	static auto real =
	    reinterpret_cast<socket_fn>(dlsym(RTLD_NEXT, "socket"));
	long arg = 0;

	if (fault("socket", &arg)) {
		errno = EMFILE;
		return -1;
	}
	return real(domain, type, protocol);
}

extern "C" int
ioctl(int fd, unsigned long request, ...) noexcept
{
	/*
	 * The C library's is variadic, and is called as such: on ppc64el a
	 * variadic callee stores its arguments in its caller's frame, which
	 * a caller that took it for a function of three arguments has not
	 * made room for.
	 */
	using ioctl_fn = int (*)(int, unsigned long, ...);
	static auto real =
	    reinterpret_cast<ioctl_fn>(dlsym(RTLD_NEXT, "ioctl"));
	va_list ap;
	void *p;
	long n = -1;

	va_start(ap, request);
	p = va_arg(ap, void *);
	va_end(ap);

	if (request == SIOCGIFCONF) {
		auto *ifc = static_cast<struct ifconf *>(p);

		if (fault("ifconf", &n)) {
			errno = EACCES;
			return -1;
		}
		if (ifc->ifc_buf == nullptr) {
			static bool grown;

			if (fault("size", &n)) {
				errno = EINVAL;
				return -1;
			}
			const int rc = real(fd, request, p);
			if (rc == 0 && !grown && fault("grow", &n)) {
				ifc->ifc_len -=
				    static_cast<int>(2 * sizeof(struct ifreq));
				grown = true;
			}
			return rc;
		}
		const int rc = real(fd, request, p);
		listing = ifc->ifc_buf;
		if (rc == 0 && fault("zero", &n) && n >= 0 &&
		    static_cast<size_t>(n) < static_cast<size_t>(ifc->ifc_len) /
			    sizeof(struct ifreq)) {
			auto *sin = reinterpret_cast<struct sockaddr_in *>(
			    &ifc->ifc_req[n].ifr_addr);
			memset(&sin->sin_addr, 0, sizeof(sin->sin_addr));
		}
		return rc;
	}
	if (request == SIOCGIFFLAGS && listing != nullptr &&
	    fault("flags", &n) &&
	    static_cast<char *>(p) == listing + n * sizeof(struct ifreq)) {
		errno = ENODEV;
		return -1;
	}
	return real(fd, request, p);
}

extern "C" void *
malloc(size_t size) noexcept
{
	long arg = 0;

	if (size > 4096 && fault("malloc", &arg)) {
		errno = ENOMEM;
		return nullptr;
	}
	return __libc_malloc(size);
}
