# Where an installed Kwelta lies, from GNUInstallDirs. Included before the sources, because the program
# is told where its documentation lies relative to itself.
#
# The program and its language modules share a folder of their own (KWELTA_INSTALL_PROGRAMDIR), since
# the program looks for the modules beside its own resolved path; <bindir>/kwelta is a link to it.

# GNUInstallDirs would name the documentation folder after the project, "Kwelta"; Debian's is the
# package's name. A normal variable, because GNUInstallDirs leaves an empty cache entry behind that a
# cached default could not replace; a folder given with -DCMAKE_INSTALL_DOCDIR still wins.
if(NOT CMAKE_INSTALL_DOCDIR)
    set(CMAKE_INSTALL_DOCDIR "share/doc/kwelta")
endif()
include(GNUInstallDirs)

# lib/kwelta rather than LIBDIR, which is a multiarch folder on Debian: nothing in it is a library.
set(KWELTA_INSTALL_PROGRAMDIR "lib/kwelta" CACHE PATH "The folder of the program and its language modules")

# The documentation seen from the program's folder, so that a copy unpacked anywhere (a scratch root, a
# relocated prefix) finds its own.
cmake_path(ABSOLUTE_PATH KWELTA_INSTALL_PROGRAMDIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
    OUTPUT_VARIABLE _kwelta_program_dir)
file(RELATIVE_PATH KWELTA_DOC_FROM_PROGRAM "${_kwelta_program_dir}" "${CMAKE_INSTALL_FULL_DOCDIR}")

# Reverse-DNS, as AppStream wants: the desktop entry, the icon and the metadata are named after it, and
# the program's own start-up entry names the icon by it.
set(KWELTA_APP_ID "pl.ostrel.kwelta")
