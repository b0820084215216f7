# Where the installed files go, below the install prefix. The defaults keep everything of ours
# in lib: the tuner control looks for libkxtuner.so in ../lib next to the running program, so an
# installed tree works wherever it is unpacked. A distribution package sets VD_INSTALL_LIB to its
# library folder (lib/<multiarch triplet>) and VD_INSTALL_MODULE_LIB to the private folder, so
# that only the public libraries lie on the system's search path.
include(GNUInstallDirs)

set(VD_INSTALL_LIB lib CACHE STRING "Folder of the public libraries, below the prefix")
set(VD_PRIVATE_SUBDIR viewdeck)
set(VD_INSTALL_PRIVATE_LIB ${VD_INSTALL_LIB}/${VD_PRIVATE_SUBDIR})
set(VD_INSTALL_MODULE_LIB ${VD_INSTALL_LIB} CACHE STRING
    "Folder of the device-access and tuner modules, below the prefix")

# The same folders relative to one another, for $ORIGIN paths and the module search: the
# programs and libraries find each other through the installed layout, never an absolute path.
function(vd_relative_path out from to)
  file(RELATIVE_PATH rel /prefix/${from} /prefix/${to})
  string(REGEX REPLACE "/$" "" rel "${rel}")
  if(rel STREQUAL "")
    set(rel .)
  endif()
  set(${out} ${rel} PARENT_SCOPE)
endfunction()
vd_relative_path(VD_BIN_TO_MODULES ${CMAKE_INSTALL_BINDIR} ${VD_INSTALL_MODULE_LIB})
