"""The statfs module for pip's builds from the source, with setuptools'
own backend: the module is built by CMake, the build of record, for the
interpreter that runs this; the metadata is in setup.cfg."""

import configparser
import glob
import os
import subprocess
import sys
import sysconfig
from importlib.machinery import EXTENSION_SUFFIXES

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = os.path.dirname(os.path.abspath(__file__))


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = os.path.abspath(self.build_temp)
        subprocess.check_call(["cmake", "-S", HERE, "-B", build, "-DBUILD_TESTING=OFF",
                               "-DCMAKE_DISABLE_FIND_PACKAGE_Python2=ON",
                               "-DPython3_EXECUTABLE=" + sys.executable,
                               "-DSTATFS_PYTHONS=" + sys.executable])
        subprocess.check_call(["cmake", "--build", build])
        # of the modules built, the one that this interpreter would import
        built = glob.glob(os.path.join(build, "statfs", "statfs_py3*", "statfs*.so"))
        module = next(m for suffix in EXTENSION_SUFFIXES for m in built
                      if os.path.basename(m) == "statfs" + suffix)
        self.mkpath(self.build_lib)
        self.copy_file(module, os.path.join(self.build_lib, os.path.basename(module)))


# The wheel is tagged for the module it holds: where this interpreter has
# its lock, the stable-ABI one, for every CPython 3 that python_requires
# names (cp36-abi3); where it has none (a free-threaded build), the
# interpreter's own (cp313-cp313t).
options = {}
if not sysconfig.get_config_var("Py_GIL_DISABLED"):
    cfg = configparser.ConfigParser()
    cfg.read(os.path.join(HERE, "setup.cfg"))
    floor = cfg["options"]["python_requires"].lstrip(">=")
    options["bdist_wheel"] = {"py_limited_api": "cp" + floor.replace(".", "")}

setup(ext_modules=[Extension("statfs", ["statfs/statfsmodule.cpp"])],
      cmdclass={"build_ext": CMakeBuild}, options=options)
