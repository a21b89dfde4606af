"""The build backend that pip calls for hostinspect-statfs (pyproject.toml),
and the one place where its wheels are put together.

pip builds the module with setuptools (setup.py build_ext, the metadata from
setup.cfg), and this file makes the wheel of it.  It needs no "wheel"
package, which the Pythons that bring setuptools along (pyenv's 3.7 to
3.11, say) lack.  ./package makes the release wheels of CMake's build the
same way:

	python3 backend.py wheel OUTDIR MODULE PLATFORM

writes the wheel of MODULE (statfs.abi3.so, statfs.cpython-313t-....so)
for PLATFORM (linux_x86_64, ...) into OUTDIR and prints its path.

Runs under every Python 3 from 3.6 on.
"""

import base64
import email.parser
import glob
import hashlib
import os
import re
import shutil
import subprocess
import sys
import sysconfig
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
STUBS = os.path.join("statfs", "statfs-stubs", "__init__.pyi")

NO_SETUPTOOLS = """\
hostinspect-statfs: building the module from its source needs setuptools \
40.6 or later, and this Python ({}) has none.  Either install setuptools \
into it (offline: pip install --no-index --find-links FOLDER setuptools) \
and build again, or install the wheel that was built for it: the \
cp36-abi3 wheel serves every CPython 3 from 3.6 on (pip install \
hostinspect_statfs-1.0-cp36-abi3-....whl), and ./package in a clone makes \
them all.""".format(sys.executable)


def _setuptools():
    try:
        import setuptools  # noqa: F401
    except ImportError:
        raise SystemExit(NO_SETUPTOOLS)


def _setup(*args):
    """Runs setup.py with args, in the source folder, under this Python."""
    subprocess.check_call([sys.executable, "setup.py", "-q"] + list(args),
                          cwd=HERE, stdout=sys.stderr)


# The PEP 517 hooks.

def get_requires_for_build_wheel(config_settings=None):
    _setuptools()
    return []


def get_requires_for_build_sdist(config_settings=None):
    _setuptools()
    return []


def build_sdist(sdist_directory, config_settings=None):
    _setuptools()
    from setuptools import build_meta
    return build_meta.build_sdist(sdist_directory, config_settings)


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    _setuptools()
    work = tempfile.mkdtemp()
    try:
        _setup("build_ext", "-b", os.path.join(work, "lib"),
               "-t", os.path.join(work, "tmp"))
        modules = glob.glob(os.path.join(work, "lib", "statfs*.so"))
        if len(modules) != 1:
            raise SystemExit("hostinspect-statfs: setup.py build_ext made %r"
                             % modules)
        platform = re.sub(r"[-.]", "_", sysconfig.get_platform())
        return os.path.basename(
            write_wheel(wheel_directory, modules[0], platform, work))
    finally:
        shutil.rmtree(work)


# The wheel.

def abi_tag(module):
    """The interpreter and ABI tags that a module's file name says it is
    for: cp36-abi3 for the stable ABI (Py_LIMITED_API 0x03060000), else
    the tags of the CPython the file name names (cp313-cp313t, ...)."""
    name = os.path.basename(module)
    if name == "statfs.abi3.so":
        return "cp36-abi3"
    m = re.match(r"statfs\.cpython-(3)(\d+)([a-z]*)-[^.]+\.so$", name)
    if not m:
        raise SystemExit("hostinspect-statfs: no wheel tag for %s" % name)
    return "cp{0}{1}-cp{0}{1}{2}".format(*m.groups())


def metadata(work):
    """The distribution's core metadata (PKG-INFO), as setuptools makes it
    from setup.cfg, in the folder work."""
    _setuptools()
    _setup("egg_info", "-e", work)
    found = glob.glob(os.path.join(work, "*.egg-info", "PKG-INFO"))
    if len(found) != 1:
        raise SystemExit("hostinspect-statfs: setup.py egg_info made %r" % found)
    with open(found[0], "rb") as f:
        return f.read()


def _record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest())
    return "%s,sha256=%s,%d" % (name, digest.rstrip(b"=").decode(), len(data))


def write_wheel(directory, module, platform, work):
    """Writes the wheel of module for platform into directory: the module,
    the type stubs, and the metadata (made in the folder work).  Returns
    the wheel's path."""
    stubs = os.path.join(HERE, STUBS)
    if not os.path.isfile(stubs):
        raise SystemExit("hostinspect-statfs: no type stubs in %s" % stubs)
    meta = metadata(work)
    fields = email.parser.BytesParser().parsebytes(meta, headersonly=True)
    dist = "%s-%s" % (re.sub(r"[-_.]+", "_", fields["Name"]), fields["Version"])
    tag = "%s-%s" % (abi_tag(module), platform)
    info = dist + ".dist-info/"
    wheel = ("Wheel-Version: 1.0\nGenerator: hostinspect backend.py\n"
             "Root-Is-Purelib: false\nTag: %s\n" % tag).encode()

    def read(path):
        with open(path, "rb") as f:
            return f.read()

    files = [
        (os.path.basename(module), read(module), 0o755),
        ("statfs-stubs/__init__.pyi", read(stubs), 0o644),
        (info + "LICENSE", read(os.path.join(HERE, "LICENSE")), 0o644),
        (info + "METADATA", meta, 0o644),
        (info + "WHEEL", wheel, 0o644),
    ]
    record = "".join(_record_line(n, d) + "\n" for n, d, _ in files)
    files.append((info + "RECORD", (record + info + "RECORD,,\n").encode(), 0o644))

    if not os.path.isdir(directory):
        os.makedirs(directory)
    path = os.path.join(directory, "%s-%s.whl" % (dist, tag))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data, mode in files:
            entry = zipfile.ZipInfo(name, (1980, 1, 1, 0, 0, 0))
            entry.external_attr = (0o100000 | mode) << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(entry, data)
    return path


if __name__ == "__main__":
    if len(sys.argv) != 5 or sys.argv[1] != "wheel":
        sys.exit("usage: %s wheel OUTDIR MODULE PLATFORM" % sys.argv[0])
    work = tempfile.mkdtemp()
    try:
        print(write_wheel(sys.argv[2], sys.argv[3], sys.argv[4], work))
    finally:
        shutil.rmtree(work)
