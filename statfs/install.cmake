# statfs_install(<target> <module> <interpreter> <X.Y>): installs the
# module of <target> (an install component of that name), statfs_py2,
# statfs_py3, statfs_py3t (abi3t) or statfs_py<X.Y>t, where <interpreter>
# looks for modules under the prefix given at install time (its own
# install schemes say where: lib/python3/dist-packages for Debian's python3
# under /usr, lib/python3.11/dist-packages under /usr/local, a pyenv
# interpreter's lib/pythonX.Y/site-packages), or in
# STATFS_PYTHON<major>_INSTALL_DIR, relative to the prefix.
#
# Beside it go the distribution's metadata, hostinspect_statfs-<version>.dist-info
# (METADATA, the WHEEL that the module's wheel carries, and INSTALLER), so
# that importlib.metadata and pip know the installed version, and for
# Python 3 the stub-only package statfs-stubs (PEP 561) for type checkers.
# Where there is no interpreter to ask, the folder is lib/pythonX.Y/site-packages.
# There is no RECORD: the files belong to whatever installed them (dpkg,
# CMake's install_manifest.txt, or wheel pack, which writes it), and a
# Python tool must not remove a project that has none.
#
# Where the folder is not on the interpreter's sys.path (nor among its site
# folders, which join sys.path once they exist), the install says so in
# one line.  A cross build's interpreter runs under the emulator from
# a folder of its own: its paths under its prefix there are taken as under
# /usr, Debian's prefix, where it is on its own machine.

set(STATFS_INSTALLER cmake CACHE STRING
  "The tool that the module's .dist-info/INSTALLER names (none if empty)")

# The core metadata, from setup.cfg (read by the top CMakeLists.txt).
file(READ ${PROJECT_SOURCE_DIR}/statfs/README.md description)
string(REGEX REPLACE "[-_.]+" "_" statfs_dist "${cfg_name}")
set(statfs_metadata "Metadata-Version: 2.1
Name: ${cfg_name}
Version: ${PROJECT_VERSION}
Summary: ${cfg_description}
Author: ${cfg_author}
License: ${cfg_license}
${cfg_classifiers}Requires-Python: ${cfg_python_requires}
Description-Content-Type: ${cfg_long_description_content_type}

${description}")

function(statfs_install target module python version)
  string(REGEX MATCH "^[23]" major ${module})
  # The wheel's tags: the stable ABI's floor (abi3t's serves both kinds of
  # CPython), or a free-threaded CPython's.
  set(tags cp3${statfs_abi3_minor}-abi3)
  if(module STREQUAL 3t)
    set(tags cp3${statfs_abi3t_minor}-abi3 cp3${statfs_abi3t_minor}-abi3t)
  elseif(module MATCHES "t$")
    string(REGEX REPLACE "^([0-9]+)\\.([0-9]+)t$" "cp\\1\\2-cp\\1\\2t" tags ${module})
  endif()
  list(TRANSFORM tags REPLACE "(.+)" "Tag: \\1-linux_${CMAKE_SYSTEM_PROCESSOR}")
  list(JOIN tags "\n" tags)
  set(info ${CMAKE_CURRENT_BINARY_DIR}/${target}.dist/${statfs_dist}-${PROJECT_VERSION}.dist-info)
  file(WRITE ${info}/METADATA "${statfs_metadata}")
  file(REMOVE ${info}/INSTALLER ${info}/WHEEL)
  if(STATFS_INSTALLER)
    file(WRITE ${info}/INSTALLER "${STATFS_INSTALLER}\n")
  endif()
  set(stubs "")
  if(major EQUAL 3)
    file(WRITE ${info}/WHEEL "Wheel-Version: 1.0\nGenerator: hostinspect (CMake)
Root-Is-Purelib: false\n${tags}\n")
    set(stubs "\"${CMAKE_CURRENT_SOURCE_DIR}/statfs-stubs\"")
  endif()
  set(STATFS_PYTHON${major}_INSTALL_DIR "" CACHE STRING "Where to install the Python \
${major} modules, relative to the prefix (empty: where their interpreters look)")
  set(home "")
  if(CMAKE_CROSSCOMPILING)
    set(home /usr)
  endif()
  install(CODE "
    set(dir \"${STATFS_PYTHON${major}_INSTALL_DIR}\")
    if(NOT dir)
      set(dir lib/python${version}/site-packages)
    endif()
    set(dir \"\${CMAKE_INSTALL_PREFIX}/\${dir}\")
    set(python \"${python}\")
    if(python)
      execute_process(COMMAND \${python} -E ${PROJECT_SOURCE_DIR}/cmake/python_install_dir.py
        \"\${CMAKE_INSTALL_PREFIX}\" \"${STATFS_PYTHON${major}_INSTALL_DIR}\" \"${home}\"
        OUTPUT_VARIABLE dir OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    endif()
    file(INSTALL DESTINATION \"\${dir}\" TYPE MODULE FILES \"$<TARGET_FILE:${target}>\")
    file(INSTALL DESTINATION \"\${dir}\" TYPE DIRECTORY FILES \"${info}\" ${stubs})" COMPONENT ${target})
endfunction()
