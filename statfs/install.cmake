# statfs_install(<target> <major>): installs the module for Python <major>
# where that interpreter looks for modules under the prefix given at
# install time (its own install schemes say where: lib/python3/dist-packages
# for Debian's python3 under /usr, lib/python3.11/dist-packages under
# /usr/local, a pyenv interpreter's own lib/pythonX.Y/site-packages), or in
# STATFS_PYTHON<major>_INSTALL_DIR, relative to the prefix.
#
# Beside it go the project's metadata, hostinspect_statfs-<version>.dist-info
# (METADATA and INSTALLER), so that importlib.metadata and pip know the
# installed version, and for Python 3 the stub-only package statfs-stubs
# (PEP 561) for type checkers.  There is no RECORD: the files belong to
# whatever installed them (dpkg, or CMake's install_manifest.txt), and a
# Python tool must not remove a project that has none.
#
# Where the folder is not on the interpreter's sys.path (nor among its site
# folders, which join sys.path once they exist), the install says so in
# one line.  A cross build's interpreter runs under the emulator from
# a folder of its own: its paths under its prefix there are taken as under
# /usr, Debian's prefix, where it is on its own machine.

set(STATFS_INSTALLER cmake CACHE STRING
  "The tool that the module's .dist-info/INSTALLER names")

# The distribution's name and summary, as the wheel has them (setup.cfg).
foreach(key name description)
  file(STRINGS ${PROJECT_SOURCE_DIR}/setup.cfg line REGEX "^${key} = ")
  if(NOT line MATCHES "^${key} = (.+)$")
    message(FATAL_ERROR "setup.cfg gives no ${key}")
  endif()
  set(statfs_${key} "${CMAKE_MATCH_1}")
endforeach()
set(statfs_summary "${statfs_description}")
string(REGEX REPLACE "[-_.]+" "_" statfs_dist "${statfs_name}")
set(statfs_dist_info ${CMAKE_CURRENT_BINARY_DIR}/${statfs_dist}-${PROJECT_VERSION}.dist-info)
file(WRITE ${statfs_dist_info}/METADATA "Metadata-Version: 2.1
Name: ${statfs_name}
Version: ${PROJECT_VERSION}
Summary: ${statfs_summary}
License: MIT
")
file(WRITE ${statfs_dist_info}/INSTALLER "${STATFS_INSTALLER}\n")

function(statfs_install target major)
  set(dir_var STATFS_PYTHON${major}_INSTALL_DIR)
  set(${dir_var} "" CACHE STRING "Where to install the Python ${major} module, \
relative to the prefix (empty: where the interpreter looks)")
  set(version "${Python${major}_VERSION_MAJOR}.${Python${major}_VERSION_MINOR}")
  # A cross build asks its interpreter under the emulator.
  set(python ${Python${major}_EXECUTABLE})
  if(CMAKE_CROSSCOMPILING)
    set(python ${STATFS_PYTHON${major}_COMMAND})
  endif()
  if(${dir_var})
    set(dir_usr "${${dir_var}}")
    set(dir_local "${${dir_var}}")
  elseif(NOT python)
    set(dir_usr lib/python${version}/site-packages)
    set(dir_local lib/python${version}/site-packages)
  else()
    foreach(prefix usr local)
      execute_process(COMMAND ${python}
          ${PROJECT_SOURCE_DIR}/cmake/python_install_dir.py /${prefix}
        OUTPUT_VARIABLE dir_${prefix} OUTPUT_STRIP_TRAILING_WHITESPACE
        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()
  set(home "")
  if(CMAKE_CROSSCOMPILING)
    set(home /usr)
  endif()
  set(stubs "")
  if(major EQUAL 3)
    set(stubs "\"${CMAKE_CURRENT_SOURCE_DIR}/statfs-stubs\"")
  endif()
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(dir \"\${CMAKE_INSTALL_PREFIX}/${dir_usr}\")
    else()
      set(dir \"\${CMAKE_INSTALL_PREFIX}/${dir_local}\")
    endif()
    file(INSTALL DESTINATION \"\${dir}\" TYPE MODULE
      FILES \"$<TARGET_FILE:${target}>\")
    file(INSTALL DESTINATION \"\${dir}\" TYPE DIRECTORY FILES
      \"${statfs_dist_info}\" ${stubs})
    set(python \"${python}\")
    if(python)
      list(GET python -1 interpreter)
      execute_process(COMMAND \${python} -E -c \"if 1:
          import os, site, sys
          prefix, home = os.path.realpath(sys.prefix), sys.argv[2] or sys.prefix
          def seen(p):
              p = os.path.realpath(p)
              return home + p[len(prefix):] if (p + '/').startswith(prefix + '/') else p
          paths = sys.path + getattr(site, 'getsitepackages', list)()
          if getattr(site, 'ENABLE_USER_SITE', False):
              paths.append(site.getusersitepackages())
          here = set(seen(p) for p in paths if p)
          sys.exit(os.path.realpath(sys.argv[1]) not in here)\" \"\${dir}\" \"${home}\"
        RESULT_VARIABLE off_path)
      if(off_path EQUAL 1)
        message(NOTICE \"statfs: \${dir} is not on the module path (sys.path) of \${interpreter}\")
      endif()
    endif()")
endfunction()
