# python python_install_dir.py PREFIX FOLDER HOME
#
# Prints where a module installed under PREFIX goes for this interpreter:
# PREFIX/FOLDER, or where FOLDER is empty, where the interpreter looks for
# modules under PREFIX, from its own install schemes (Debian's have two of
# their own: deb_system for /usr, and posix_local, which is /usr/local's
# and gives every other prefix its form; others take posix_prefix).  Says
# on standard error where that is not on the interpreter's module path
# (nor among its site folders, which join sys.path once they exist).  An
# interpreter of a cross build runs from a folder of its own: HOME, if
# given, is where its sys.prefix is on its own machine.
import os
import site
import sys
import sysconfig

prefix, folder, home = sys.argv[1:4]
if not folder:
    schemes, base = sysconfig.get_scheme_names(), prefix
    if prefix == "/usr" and "deb_system" in schemes:
        scheme = "deb_system"
    elif "posix_local" in schemes:
        scheme, base = "posix_local", "/usr"
    else:
        scheme = "posix_prefix"
    path = sysconfig.get_path("platlib", scheme, vars={"base": base, "platbase": base})
    folder = os.path.relpath(path, "/usr/local" if scheme == "posix_local" else base)
path = os.path.join(prefix, folder)
print(path)

own, home = os.path.realpath(sys.prefix), home or sys.prefix


def seen(p):
    p = os.path.realpath(p)
    return home + p[len(own):] if (p + "/").startswith(own + "/") else p


paths = sys.path + getattr(site, "getsitepackages", list)()
if getattr(site, "ENABLE_USER_SITE", False):
    paths.append(site.getusersitepackages())
if os.path.realpath(path) not in set(seen(p) for p in paths if p):
    sys.stderr.write("statfs: %s is not on the module path (sys.path) of %s\n"
                     % (path, sys.executable))
