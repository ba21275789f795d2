# Desktop integration: thumbnailer, MIME definitions, application icons, the
# program's menu entry and the Debian package. Everything goes under the
# install prefix; the program and the tool need no data files of their own.

include(GNUInstallDirs)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(VEXMIRA_ICON_SIZES 16 22 24 32 48 64 128 256)
set(icon_dir ${CMAKE_BINARY_DIR}/icons)
set(icon_source ${icon_dir}/vexmira-source.png)
add_custom_command(OUTPUT ${icon_source}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/make_icon.py ${icon_source}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_icon.py
  COMMENT "Drawing the application icon")
set(icon_outputs)
foreach(size IN LISTS VEXMIRA_ICON_SIZES)
  set(out ${icon_dir}/${size}x${size}/vexmira.png)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}/${size}x${size}
    COMMAND vexmira-tool thumbnail -s ${size} ${icon_source} ${out}
    DEPENDS ${icon_source} vexmira-tool)
  list(APPEND icon_outputs ${out})
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(vexmira_icons ALL DEPENDS ${icon_outputs})

install(FILES ${CMAKE_CURRENT_LIST_DIR}/vexmira.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/vexmira-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
  RENAME vexmira.xml)
# The program's menu entry.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/vexmira.desktop.in DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
  RENAME vexmira.desktop)

# cpack -G DEB. No maintainer scripts: the shared-mime-info and hicolor icon
# theme triggers pick up the new files on Debian.
set(CPACK_PACKAGE_NAME vexmira)
set(CPACK_PACKAGE_VENDOR "Vexmira")
set(CPACK_PACKAGE_CONTACT "Vexmira developers <dev@vexmira.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "image manager and editor for icons and cursors")
set(CPACK_PACKAGE_DESCRIPTION
  "Vexmira reads and writes icons, cursors, animated cursors and common image formats.\n This package holds the program, the command-line tool and a thumbnailer that shows\n icons, cursors, animated cursors and the icons inside Windows programs in file managers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vexmira developers <dev@vexmira.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Libraries come from the shared-library scan; the font draws text cards and
# metafile text, the Wayland plugin lets Qt run natively there.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, hicolor-icon-theme, qt6-wayland")
set(CPACK_STRIP_FILES ON)
include(CPack)

# The default template library; the program copies it into the user's data
# folder on first use.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/Template/Template.db ${CMAKE_CURRENT_LIST_DIR}/Template/pin.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/vexmira/Template)
