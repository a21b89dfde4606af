"""The statfs module for pip: one stable-ABI build for every CPython 3 from
3.6 on, from the same source and with the same linking as the CMake build,
so that it needs libc alone."""

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext


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
        define_macros=[("Py_LIMITED_API", "0x03060000")],
        py_limited_api=True,
        extra_compile_args=["-std=c++20", "-fno-exceptions", "-fno-rtti"],
        extra_link_args=["-Wl,--as-needed", "-Wl,-z,relro,-z,now"],
    )],
    packages=[],        # the module alone: nothing else to look for
    py_modules=[],
    cmdclass={"build_ext": LibcOnly},
    options={"bdist_wheel": {"py_limited_api": "cp36"},
             "build": {"build_base": "build-pip"}},
)
