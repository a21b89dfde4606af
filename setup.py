"""The statfs module built by setuptools, for pip installs from the source
(the release wheels are built by CMake, see ./package).

The module's flags mirror the CMake build's (cmake/LibcOnly.cmake,
statfs/CMakeLists.txt); check-install compares the compile and link
commands of the two.  The metadata is in setup.cfg.
"""

import sys
import sysconfig

try:
    from setuptools import Extension, setup
    from setuptools.command.build_ext import build_ext
except ImportError:
    sys.path.insert(0, sys.path[0] or ".")
    from backend import NO_SETUPTOOLS
    sys.exit(NO_SETUPTOOLS)

# Free-threaded CPython has no limited API: it gets a module of its own,
# built against the full API.
STABLE_ABI = not sysconfig.get_config_var("Py_GIL_DISABLED")


class LibcOnly(build_ext):
    """No libpython (added for a shared interpreter before 3.8), no RUNPATH
    (copied from the interpreter's own link line), no C++ runtime."""

    def get_libraries(self, ext):
        return ext.libraries

    def build_extensions(self):
        self.compiler.linker_so = [a for a in self.compiler.linker_so
                                   if not a.startswith(("-Wl,-rpath", "-Wl,-R"))]
        build_ext.build_extensions(self)


setup(
    ext_modules=[Extension(
        "statfs", ["statfs/statfsmodule.cpp"],
        language="c",   # linked by the C driver: no libstdc++
        define_macros=[("Py_LIMITED_API", "0x03060000")] if STABLE_ABI else [],
        py_limited_api=STABLE_ABI,
        extra_compile_args=["-std=c++20", "-fno-exceptions", "-fno-rtti"],
        extra_link_args=["-Wl,--as-needed", "-Wl,-z,relro,-z,now"],
    )],
    py_modules=[],
    cmdclass={"build_ext": LibcOnly},
    options={"bdist_wheel": {"py_limited_api": "cp36"} if STABLE_ABI else {},
             "build": {"build_base": "build-pip"}},
)
