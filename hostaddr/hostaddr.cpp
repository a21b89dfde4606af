/*
 * hostaddr - print one IPv4 address of this host
 *
 * The kernel's interface list is read once and scanned in its own order.
 * Interfaces that are down or loopback are passed over, and so are
 * link-local addresses and 0.0.0.0.  The first address in the site network
 * wins at once; failing that, the first address in 172.16.0.0/16; failing
 * that, the last address seen.
 *
 * Exit status: 0 when an address was printed, 1 otherwise.
 *
 * --help and --version answer for themselves; every other argument is
 * ignored.
 */

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef HOSTADDR_SITE_NET
#error "HOSTADDR_SITE_NET (the site /16 network, host order) must be defined"
#endif
#ifndef HOSTADDR_VERSION
#error "HOSTADDR_VERSION (the release, such as 1.0) must be defined"
#endif

static_assert((HOSTADDR_SITE_NET & 0xffffU) == 0,
    "the site network must be a /16 network address");

/* Inclusive ranges of host-order addresses. */
static constexpr uint32_t SITE_FIRST = HOSTADDR_SITE_NET;
static constexpr uint32_t SITE_LAST = HOSTADDR_SITE_NET | 0xffffU;
static constexpr uint32_t NET172_16_FIRST = 0xac100000U; /* 172.16.0.0 */
static constexpr uint32_t NET172_16_LAST = 0xac10ffffU;  /* 172.16.255.255 */
static constexpr uint32_t LINK_FIRST = 0xa9fe0000U;      /* 169.254.0.0 */
static constexpr uint32_t LINK_LAST = 0xa9feffffU;       /* 169.254.255.255 */

static bool
within(uint32_t addr, uint32_t first, uint32_t last)
{
	return addr >= first && addr <= last;
}

/*
 * The exit status for output that stdio took as written (what it answered:
 * negative on failure); the flush tells whether it went out.  0 when it
 * did, 1 with the failure reported.
 */
static int
exit_status(int written)
{
	if (written < 0 || fflush(stdout) == EOF) {
		perror("stdout");
		return 1;
	}
	return 0;
}

/* Writes the --help or --version text; what printf answered. */
static int
about(const char *arg)
{
	const unsigned a = SITE_FIRST >> 24, b = (SITE_FIRST >> 16) & 0xffU;

	if (strcmp(arg, "--version") == 0)
		return printf("hostaddr %s\nsite network %u.%u.0.0/16\n",
		    HOSTADDR_VERSION, a, b);
	return printf("usage: hostaddr [--help | --version]\n"
		      "Prints one IPv4 address of this host: of those on "
		      "interfaces that are up and\n"
		      "not loopback, outside 169.254.0.0/16, the first in "
		      "the site network\n"
		      "%u.%u.0.0/16, else the first in 172.16.0.0/16, "
		      "else the last one listed.\n"
		      "Exit status: 0 when it printed an address, "
		      "1 otherwise; see hostaddr(1).\n",
	    a, b);
}

/* One listing into ifc: 0, or -1 with the failure reported. */
static int
listing(int s, struct ifconf *ifc)
{
	if (ioctl(s, SIOCGIFCONF, ifc) == 0)
		return 0;
	perror("ioctl(SIOCGIFCONF)");
	return -1;
}

/*
 * Whether a listing into a buffer of size bytes may have been cut: the
 * kernel stops short of a record that does not fit.
 */
static bool
maybe_cut(const struct ifconf *ifc, size_t size)
{
	return static_cast<size_t>(ifc->ifc_len) + sizeof(struct ifreq) > size;
}

/*
 * Lists the interfaces into ifc, whose buffer holds size bytes.  The kernel
 * fills the buffer and silently leaves out what does not fit, so a buffer
 * with no room for one record more may hold only the start of the list:
 * then ask how long the list is (a listing without a buffer), allocate
 * that length and one record more, which *heap keeps for the caller to
 * free, and list again.  The list may grow in between, hence the loop.
 * 0 when the list fits, -1 with the failure reported.
 */
static int
list(int s, struct ifconf *ifc, size_t size, void **heap)
{
	if (listing(s, ifc) < 0)
		return -1;
	while (maybe_cut(ifc, size)) {
		ifc->ifc_len = 0;
		ifc->ifc_buf = nullptr;
		if (listing(s, ifc) < 0)
			return -1;
		size = static_cast<size_t>(ifc->ifc_len) + sizeof(struct ifreq);
		free(*heap);
		if ((*heap = malloc(size)) == nullptr) {
			perror("malloc");
			return -1;
		}
		ifc->ifc_len = static_cast<int>(size);
		ifc->ifc_buf = static_cast<char *>(*heap);
		if (listing(s, ifc) < 0)
			return -1;
	}
	return 0;
}

int
main(int argc, char **argv)
{
	/* The listing buffer; its records are stepped through in place. */
	alignas(struct ifreq) char buf[4096];
	static char obuf[128];
	struct ifconf ifc;
	struct in_addr out;
	void *heap = nullptr;
	uint32_t addr, chosen;
	size_t i, nrecs;
	int s;

	/*
	 * A buffer of our own spares stdio its probe of the descriptor and its
	 * allocation; stdio writes a line in one piece only from a buffer of
	 * 128 bytes or more, and one that outlives main.
	 */
	(void)setvbuf(stdout, obuf, _IOFBF, sizeof(obuf));
	for (i = 1; i < static_cast<size_t>(argc); i++)
		if (strcmp(argv[i], "--help") == 0 ||
		    strcmp(argv[i], "--version") == 0)
			return exit_status(about(argv[i]));

	s = socket(AF_INET, SOCK_DGRAM, 0);
	if (s < 0) {
		perror("socket");
		return 1;
	}

	ifc.ifc_len = sizeof(buf);
	ifc.ifc_buf = buf;
	if (list(s, &ifc, sizeof(buf), &heap) < 0)
		return 1;

	/* A trailing partial record, should there be one, is not visited. */
	nrecs = static_cast<size_t>(ifc.ifc_len) / sizeof(struct ifreq);
	chosen = 0;
	for (i = 0; i < nrecs; i++) {
		struct ifreq *ifr = &ifc.ifc_req[i];
		const struct sockaddr_in *sin;

		/*
		 * The flag query overwrites the family with the flags but
		 * leaves the address, so both are read from the record.
		 */
		if (ioctl(s, SIOCGIFFLAGS, ifr) < 0)
			continue;
		if (!(ifr->ifr_flags & IFF_UP) ||
		    (ifr->ifr_flags & IFF_LOOPBACK))
			continue;

		sin = reinterpret_cast<const struct sockaddr_in *>(
		    &ifr->ifr_addr);
		memcpy(&addr, &sin->sin_addr, sizeof(addr));
		addr = ntohl(addr);

		/* 0.0.0.0 would read as "none"; it is no address to give. */
		if (addr == 0 || within(addr, LINK_FIRST, LINK_LAST))
			continue;
		if (within(addr, SITE_FIRST, SITE_LAST)) {
			chosen = addr;
			break;
		}
		if (within(chosen, NET172_16_FIRST, NET172_16_LAST))
			continue;
		chosen = addr;
	}

	free(heap);
	if (chosen == 0)
		return 1;

	out.s_addr = htonl(chosen);
	return exit_status(puts(inet_ntoa(out)));
}
