# python python_install_dir.py PREFIX
#
# Prints where this interpreter looks for modules installed under PREFIX,
# relative to PREFIX, from its own install schemes.  Debian's interpreters
# have schemes of their own: deb_system for /usr, and posix_local, which
# is /usr/local's; every other prefix takes posix_local's form, or else
# the interpreter's posix_prefix.
import os
import sys
import sysconfig

prefix = sys.argv[1]
schemes = sysconfig.get_scheme_names()
if prefix == "/usr" and "deb_system" in schemes:
    scheme, base = "deb_system", prefix
elif "posix_local" in schemes:
    scheme, base, prefix = "posix_local", "/usr", "/usr/local"
else:
    scheme, base = "posix_prefix", prefix
path = sysconfig.get_path("platlib", scheme, vars={"base": base, "platbase": base})
print(os.path.relpath(path, prefix))
