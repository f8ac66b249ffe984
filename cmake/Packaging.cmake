# Installation and the Debian package: the two programs with their manual pages, the desktop entry,
# its icon and AppStream description, and the documents Debian asks for. `cmake --install build`
# installs; `cpack --config build/CPackConfig.cmake` (or the `package` target) builds
# ce-molv_<version>_<arch>.deb. The package's sources are in packaging/.
include(GNUInstallDirs)

set(CE_MOLV_PACKAGE ce-molv)  # Debian package names are lower case
set(CE_MOLV_MAINTAINER "CE_MOLV developers <ce-molv@users.noreply.invalid>")
set(CE_MOLV_APPSTREAM_ID invalid.noreply.users.ce_molv)
set(packaging_source ${PROJECT_SOURCE_DIR}/packaging)
set(packaging_build ${PROJECT_BINARY_DIR}/packaging)
set(package_docdir ${CMAKE_INSTALL_DATADIR}/doc/${CE_MOLV_PACKAGE})
file(MAKE_DIRECTORY ${packaging_build})

set(ce_molv_programs "")
foreach(program CE_MOLV printer-emulator)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    list(APPEND ce_molv_programs ${program})
  endif()
endforeach()
install(TARGETS ce-molv-http ce-molv-fonts LIBRARY DESTINATION ${CE_MOLV_MODULE_DIR}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
if(TARGET printer-emulator-window)
  install(TARGETS printer-emulator-window RUNTIME DESTINATION ${CE_MOLV_WINDOW_PROGRAM_DIR})
endif()

# The changelog's newest entry is the release being built: its version must be the project's,
# and its date is the release date the AppStream description shows.
file(STRINGS ${packaging_source}/changelog changelog_lines)
list(GET changelog_lines 0 changelog_head)
string(REPLACE "." "\\." version_pattern "${PROJECT_VERSION}")
if(NOT changelog_head MATCHES "^${CE_MOLV_PACKAGE} \\(${version_pattern}\\) ")
  message(FATAL_ERROR "packaging/changelog: the newest entry is '${changelog_head}', not version "
                      "${PROJECT_VERSION}; add an entry for ${PROJECT_VERSION} at the top")
endif()
foreach(line IN LISTS changelog_lines)
  if(line MATCHES "^ -- .*  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    set(day ${CMAKE_MATCH_1})
    set(year ${CMAKE_MATCH_3})
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(FIND months ${CMAKE_MATCH_2} month)
    math(EXPR month "${month} + 101")  # 1-based, two digits after the leading 1
    string(SUBSTRING ${month} 1 2 month)
    set(CE_MOLV_RELEASE_DATE ${year}-${month}-${day})
    break()
  endif()
endforeach()
if(NOT CE_MOLV_RELEASE_DATE)
  message(FATAL_ERROR "packaging/changelog: the newest entry has no ' -- name <mail>  date' line")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${packaging_source}/changelog)

# Debian wants documents compressed with gzip -9n (no name or time stamp, so builds are
# reproducible).
function(ce_molv_gzip source output)
  get_filename_component(name ${output} NAME_WLE)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${packaging_build}/${name}
    COMMAND gzip -9nf ${packaging_build}/${name}
    DEPENDS ${source}
    VERBATIM)
endfunction()

ce_molv_gzip(${packaging_source}/changelog ${packaging_build}/changelog.gz)
set(package_documents ${packaging_build}/changelog.gz)

# Manual pages from each program's --help and --version, so they follow the options. Sanitizer
# and fuzzing builds are never packaged, and their programs are not run at build time.
find_program(HELP2MAN help2man)
if(NOT HELP2MAN)
  message(WARNING "help2man is missing: no manual pages, and the package will lack them "
                  "(scripts/install-deps.sh installs it)")
elseif(NOT CE_MOLV_SANITIZE AND NOT CE_MOLV_FUZZ)
  foreach(program IN LISTS ce_molv_programs)
    set(page ${packaging_build}/${program}.1)
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${HELP2MAN} --no-info --section=1 --include=${packaging_source}/${program}.h2m
              --output=${page} $<TARGET_FILE:${program}>
      DEPENDS ${program} ${packaging_source}/${program}.h2m
      COMMENT "Writing the manual page of ${program}"
      VERBATIM)
    ce_molv_gzip(${page} ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    list(APPEND package_documents ${page}.gz)
  endforeach()
endif()
add_custom_target(package-documents ALL DEPENDS ${package_documents})

install(FILES ${packaging_source}/copyright ${packaging_build}/changelog.gz DESTINATION ${package_docdir})
# The installed README is the one for users of the package (how to start, where receipts go);
# the repository's tells how to build. It links its pictures as docs/*.png: they go beside it.
install(FILES ${packaging_source}/README.package.md DESTINATION ${package_docdir} RENAME README.md)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${package_docdir}/docs FILES_MATCHING PATTERN "*.png")

if(TARGET CE_MOLV)
  install(FILES ${packaging_source}/ce_molv.desktop ${packaging_source}/ce_molv-desk-printer.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # Both programs' icons at every size desktops look for, and scalable (tools/IconGenerator.cpp).
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/app/res/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  set(metainfo ${packaging_build}/${CE_MOLV_APPSTREAM_ID}.metainfo.xml)
  configure_file(${packaging_source}/${CE_MOLV_APPSTREAM_ID}.metainfo.xml.in ${metainfo} @ONLY)
  install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${CE_MOLV_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${CE_MOLV_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "A dialog that drives a thermal printer module on a serial line, one button
per printer feature, with its status reports as check boxes; and a virtual
printer module that stands in for the real one on a pseudo-terminal, a serial
port or a file, and saves the paper as PNG pictures.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The shared libraries come from dpkg-shlibdeps; the fonts read at run time are named here: the
# fallback and the dialog's CJK captions from fonts-wqy-zenhei. The printer's bitmap fonts are
# baked into it from xfonts-base when it is built, so the package needs none of them.
# Qt's Wayland plugin is a plugin, so dpkg-shlibdeps cannot see it: without it the windows do
# not open on a Wayland desktop.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-zenhei, qt6-wayland")
set(CPACK_STRIP_FILES ON)
if(CMAKE_CROSSCOMPILING)
  # A cross build's package is for its target (cmake/toolchains/), not for this machine.
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${CE_MOLV_DEB_ARCH})
  # The target's libzint is unpacked beside dpkg's records, not installed: dpkg-shlibdeps is shown
  # where it is, and its package, named by Debian's rule from the library's soname, is added.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CE_MOLV_CROSS_OVERLAY}/usr/lib)
  file(GLOB zint_sonames RELATIVE ${CE_MOLV_CROSS_OVERLAY}/usr/lib
       ${CE_MOLV_CROSS_OVERLAY}/usr/lib/libzint.so.*)
  list(FILTER zint_sonames INCLUDE REGEX "^libzint\\.so\\.[0-9]+\\.[0-9]+$")
  if(NOT zint_sonames)
    message(FATAL_ERROR "no libzint in ${CE_MOLV_CROSS_OVERLAY} (scripts/install-cross.sh)")
  endif()
  list(GET zint_sonames 0 zint_soname)
  string(REPLACE ".so." "" zint_package ${zint_soname})
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${zint_package}")
endif()
include(CPack)
