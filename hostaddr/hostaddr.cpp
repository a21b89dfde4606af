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
 * --help and --version answer for themselves.  --exclude PATTERN passes
 * over the records whose name matches the shell pattern, as if they were
 * not listed, and --explain tells on standard error what became of each
 * record; neither changes anything else.  Every other argument is ignored.
 */

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <fnmatch.h>
#include <unistd.h>

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

/*
 * The options: the patterns of --exclude, gathered at the front of argv
 * (argv[1] to argv[npatterns]), and --explain.
 */
static char **patterns;
static int npatterns;
static bool explaining;

/* What became of a record, in the words --explain gives it. */
enum verdict {
	EXCLUDED,   /* its name matched a pattern of --exclude */
	NO_FLAGS,   /* its flag query failed */
	DOWN,       /* its interface is down */
	LOOPBACK,   /* or loopback */
	ZERO,       /* its address is 0.0.0.0 */
	LINK_LOCAL, /* or link-local */
	HELD,       /* a 172.16.0.0/16 address was chosen before it */
	CHOSEN,     /* it is the choice now */
	SITE,       /* it is the choice, and the scan ends */
	UNSEEN      /* the scan ended before it */
};

static bool
within(uint32_t addr, uint32_t first, uint32_t last)
{
	return addr >= first && addr <= last;
}

/* A record's name as the kernel lists it, made a string; its length. */
static int
name_of(const struct ifreq *ifr, char name[IFNAMSIZ + 1])
{
	int n;

	for (n = 0; n < IFNAMSIZ && ifr->ifr_name[n] != '\0'; n++)
		name[n] = ifr->ifr_name[n];
	name[n] = '\0';
	return n;
}

/* A record's address, in host order. */
static uint32_t
address_of(const struct ifreq *ifr)
{
	const struct sockaddr_in *sin =
	    reinterpret_cast<const struct sockaddr_in *>(&ifr->ifr_addr);
	uint32_t addr;

	memcpy(&addr, &sin->sin_addr, sizeof(addr));
	return ntohl(addr);
}

/*
 * Decides what becomes of one record, updating *chosen (host order; 0 for
 * none).  The flag query overwrites the family with the flags but leaves
 * the address, so both are read from the record.
 */
static enum verdict
judge(int s, struct ifreq *ifr, uint32_t *chosen)
{
	uint32_t addr;

	if (ioctl(s, SIOCGIFFLAGS, ifr) < 0)
		return NO_FLAGS;
	if ((ifr->ifr_flags & (IFF_UP | IFF_LOOPBACK)) != IFF_UP)
		return (ifr->ifr_flags & IFF_UP) ? LOOPBACK : DOWN;

	addr = address_of(ifr);
	/* 0.0.0.0 would read as "none"; it is no address to give. */
	if (addr == 0)
		return ZERO;
	if (within(addr, LINK_FIRST, LINK_LAST))
		return LINK_LOCAL;
	if (within(addr, SITE_FIRST, SITE_LAST)) {
		*chosen = addr;
		return SITE;
	}
	if (within(*chosen, NET172_16_FIRST, NET172_16_LAST))
		return HELD;
	*chosen = addr;
	return CHOSEN;
}

/* The first pattern of --exclude that the record's name matches, or null. */
static const char *
excluded(const struct ifreq *ifr)
{
	char name[IFNAMSIZ + 1];
	int i;

	(void)name_of(ifr, name);
	for (i = 1; i <= npatterns; i++)
		if (fnmatch(patterns[i], name, 0) == 0)
			return patterns[i];
	return nullptr;
}

/*
 * Writes a host-order address in dotted-decimal form, as inet_ntoa does,
 * into buf; its length.
 */
static int
dotted(uint32_t addr, char buf[INET_ADDRSTRLEN])
{
	char *p = buf;
	int shift;

	for (shift = 24; shift >= 0; shift -= 8) {
		const unsigned octet = (addr >> shift) & 0xffU;

		if (octet >= 100)
			*p++ = static_cast<char>('0' + octet / 100);
		if (octet >= 10)
			*p++ = static_cast<char>('0' + octet / 10 % 10);
		*p++ = static_cast<char>('0' + octet % 10);
		*p++ = shift > 0 ? '.' : '\0';
	}
	return static_cast<int>(p - buf - 1);
}

/* The widths of the name and address columns of --explain's lines. */
static int name_width, addr_width;

static void
measure(const struct ifreq *recs, size_t nrecs)
{
	char name[IFNAMSIZ + 1], addr[INET_ADDRSTRLEN];
	size_t i;

	for (i = 0; i < nrecs; i++) {
		const int n = name_of(&recs[i], name);
		const int a = dotted(address_of(&recs[i]), addr);

		if (n > name_width)
			name_width = n;
		if (a > addr_width)
			addr_width = a;
	}
}

/*
 * What --explain says of each verdict, in their order; the words of HELD
 * and CHOSEN follow the kind of address, 172.16.0.0/16 or ordinary.
 */
static const char *const said[] = {
	"excluded by ",
	"flag query failed: ",
	"down: passed over",
	"loopback: passed over",
	"0.0.0.0: passed over",
	"link-local: passed over",
	"passed over, since a 172.16.0.0/16 address is held",
	"chosen",
	"site network: chosen, the scan ends",
	"not looked at",
};
static_assert(sizeof(said) / sizeof(said[0]) == UNSEEN + 1, "a text for each verdict");

/*
 * Tells on standard error, in one line, what became of a record: its name
 * and address, in columns, and the verdict.  was is the choice before it,
 * by the pattern that excluded it.  After a failed flag query, nothing may
 * come between the query and this: the line takes errno's text (%m).
 */
static void
tell(const struct ifreq *ifr, enum verdict v, uint32_t was, const char *by)
{
	char name[IFNAMSIZ + 1], addr[INET_ADDRSTRLEN], old[INET_ADDRSTRLEN];
	const uint32_t a = address_of(ifr);
	const char *kind = "";

	(void)name_of(ifr, name);
	(void)dotted(a, addr);
	old[0] = '\0';
	if (v == NO_FLAGS) {
		(void)dprintf(STDERR_FILENO, "%-*s  %-*s  %s%m\n", name_width,
		    name, addr_width, addr, said[v]);
		return;
	}
	if (v == HELD || v == CHOSEN)
		kind = within(a, NET172_16_FIRST, NET172_16_LAST)
		    ? "172.16.0.0/16: "
		    : "ordinary: ";
	if (v == CHOSEN && was != 0)
		(void)dotted(was, old);
	(void)dprintf(STDERR_FILENO, "%-*s  %-*s  %s%s%s%s%s\n", name_width,
	    name, addr_width, addr, kind, said[v], v == EXCLUDED ? by : "",
	    old[0] != '\0' ? ", replacing " : "", old);
}

/* Tells on standard error what the scan of nrecs records came to. */
static void
conclude(uint32_t chosen, size_t nrecs)
{
	char addr[INET_ADDRSTRLEN];

	if (chosen == 0 && nrecs == 0) {
		(void)dprintf(STDERR_FILENO,
		    "result: none, exit status 1 (no address is listed)\n");
		return;
	}
	if (chosen == 0) {
		(void)dprintf(STDERR_FILENO,
		    "result: none, exit status 1 (%zu listed, none could be "
		    "chosen)\n",
		    nrecs);
		return;
	}
	(void)dotted(chosen, addr);
	if (within(chosen, SITE_FIRST, SITE_LAST)) {
		(void)dprintf(STDERR_FILENO,
		    "result: %s, the first address in the site network "
		    "%u.%u.0.0/16\n",
		    addr, SITE_FIRST >> 24, (SITE_FIRST >> 16) & 0xffU);
		return;
	}
	(void)dprintf(STDERR_FILENO, "result: %s, %s\n", addr,
	    within(chosen, NET172_16_FIRST, NET172_16_LAST)
		? "the first address in 172.16.0.0/16 (none in the site "
		  "network)"
		: "the last ordinary address listed");
}

/*
 * The scan with --exclude or --explain: the same choice, but a record whose
 * name matches a pattern is passed over before its flag query, as if it
 * were not listed, and with --explain each record's verdict is told.  The
 * choice, in host order (0 for none).
 */
static uint32_t
scan_told(int s, struct ifreq *recs, size_t nrecs)
{
	const char *by = nullptr;
	uint32_t chosen = 0;
	enum verdict v;
	size_t i;

	if (explaining)
		measure(recs, nrecs);
	for (i = 0; i < nrecs; i++) {
		const uint32_t was = chosen;

		if (npatterns > 0 && (by = excluded(&recs[i])) != nullptr)
			v = EXCLUDED;
		else
			v = judge(s, &recs[i], &chosen);
		if (explaining)
			tell(&recs[i], v, was, by);
		if (v == SITE)
			break;
	}
	if (explaining) {
		while (++i < nrecs)
			tell(&recs[i], UNSEEN, 0, nullptr);
		conclude(chosen, nrecs);
	}
	return chosen;
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

#define USAGE                                                                  \
	"usage: hostaddr [--explain] [--exclude PATTERN]... [--help | "        \
	"--version]\n"

/* Writes the --help or --version text; what printf answered. */
static int
about(const char *arg)
{
	const unsigned a = SITE_FIRST >> 24, b = (SITE_FIRST >> 16) & 0xffU;

	if (strcmp(arg, "--version") == 0)
		return printf("hostaddr %s\nsite network %u.%u.0.0/16\n",
		    HOSTADDR_VERSION, a, b);
	return printf(USAGE
	    "Prints one IPv4 address of this host: of those on interfaces "
	    "that are up and\n"
	    "not loopback, outside 169.254.0.0/16, the first in the site "
	    "network\n"
	    "%u.%u.0.0/16, else the first in 172.16.0.0/16, else the last "
	    "one listed.\n"
	    "  --exclude PATTERN  pass over the interfaces whose name, or "
	    "alias label such\n"
	    "                     as eth0:1, matches the shell pattern "
	    "(repeatable)\n"
	    "  --explain          tell on standard error what became of "
	    "each address\n"
	    "Exit status: 0 when it printed an address, 1 otherwise; see "
	    "hostaddr(1).\n",
	    a, b);
}

/* What follows prefix in arg, or null where arg does not start with it. */
static const char *
after(const char *arg, const char *prefix)
{
	while (*prefix != '\0')
		if (*arg++ != *prefix++)
			return nullptr;
	return arg;
}

/*
 * Reads the arguments: -1 to go on, or the exit status, once --help or
 * --version has answered or a --exclude lacks its pattern.  The patterns
 * are gathered at the front of argv, each in a place it has passed.
 */
static int
options(int argc, char **argv)
{
	const char *pattern;
	int i;

	patterns = argv;
	for (i = 1; i < argc; i++) {
		const char *arg = argv[i];

		if (strcmp(arg, "--help") == 0 || strcmp(arg, "--version") == 0)
			return exit_status(about(arg));
		if (strcmp(arg, "--explain") == 0) {
			explaining = true;
			continue;
		}
		if (strcmp(arg, "--exclude") == 0)
			pattern = i + 1 < argc ? argv[++i] : "";
		else if ((pattern = after(arg, "--exclude=")) == nullptr)
			continue;
		if (*pattern == '\0') {
			(void)dprintf(STDERR_FILENO,
			    "hostaddr: --exclude needs a pattern\n" USAGE);
			return 1;
		}
		patterns[++npatterns] = const_cast<char *>(pattern);
	}
	return -1;
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
	char text[INET_ADDRSTRLEN];
	struct ifconf ifc;
	void *heap = nullptr;
	uint32_t chosen;
	size_t nrecs;
	int s;

	/*
	 * A buffer of our own spares stdio its probe of the descriptor and its
	 * allocation; stdio writes a line in one piece only from a buffer of
	 * 128 bytes or more, and one that outlives main.
	 */
	(void)setvbuf(stdout, obuf, _IOFBF, sizeof(obuf));
	if (argc > 1 && (s = options(argc, argv)) >= 0)
		return s;

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
	if (npatterns > 0 || explaining)
		chosen = scan_told(s, ifc.ifc_req, nrecs);
	else
		for (size_t i = 0; i < nrecs; i++)
			if (judge(s, &ifc.ifc_req[i], &chosen) == SITE)
				break;

	free(heap);
	if (chosen == 0)
		return 1;

	(void)dotted(chosen, text);
	return exit_status(puts(text));
}
