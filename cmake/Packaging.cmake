# Installation and the Debian package: the two programs, a desktop entry and the icon in the
# usual places. `cmake --install build` installs; `cpack --config build/CPackConfig.cmake` (or
# the `package` target) builds ce-molv_<version>_<arch>.deb.
include(GNUInstallDirs)

foreach(program CE_MOLV printer-emulator)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(TARGET CE_MOLV)
  install(FILES ${PROJECT_SOURCE_DIR}/app/res/ce_molv.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  set(ce_molv_icon ${PROJECT_SOURCE_DIR}/app/res/ce_molv.png)
  if(EXISTS ${ce_molv_icon})
    install(FILES ${ce_molv_icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
  else()
    message(WARNING "app/res/ce_molv.png is missing: the desktop entry will have no icon")
  endif()
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ce-molv)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ce-molv)  # Debian package names are lower case
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "CE_MOLV maintainers <ce-molv@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "A dialog that drives a thermal printer module on a serial line, one button per printer
feature, with its status reports as check boxes; and a virtual printer module that
stands in for the real one on a pseudo-terminal and saves the paper as PNG.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The shared libraries come from dpkg-shlibdeps; the fonts are read at run time, so they are
# named here: Font A and the 24-dot CJK glyphs from xfonts-base, the fallback and the dialog's
# CJK captions from fonts-wqy-zenhei.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-zenhei, xfonts-base")
set(CPACK_STRIP_FILES ON)
include(CPack)
