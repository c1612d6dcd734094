# Installation (GNUInstallDirs) and the Debian package (cpack -G DEB). The programs, their man
# pages, the desktop entry with its icons, the thumbnailer, the PLY file type, and README,
# LICENSE, copyright and changelog as docs.
include(GNUInstallDirs)

set(programs trackview trackview-snapshot)
if(TARGET trackview-meshc)
  list(APPEND programs trackview-meshc)
endif()
install(TARGETS ${programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Man pages and the changelog carry the one version number; Debian wants them compressed, and
# gzip -n keeps the bytes the same from build to build.
set(docs_dir ${CMAKE_BINARY_DIR}/docs)
set(compressed)
foreach(page ${programs})
  configure_file(${PROJECT_SOURCE_DIR}/docs/${page}.1.in ${docs_dir}/${page}.1 @ONLY)
  list(APPEND compressed ${docs_dir}/${page}.1)
  install(FILES ${docs_dir}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/docs/changelog.in ${docs_dir}/changelog @ONLY)
list(APPEND compressed ${docs_dir}/changelog)
set(gz_files)
foreach(file ${compressed})
  add_custom_command(OUTPUT ${file}.gz
    COMMAND gzip -9nkf ${file}
    DEPENDS ${file}
    VERBATIM)
  list(APPEND gz_files ${file}.gz)
endforeach()
add_custom_target(trackview_docs ALL DEPENDS ${gz_files})

install(FILES docs/trackview.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES docs/trackview.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES docs/trackview-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
  RENAME trackview.xml)
get_target_property(hicolor_dir trackview_hicolor HICOLOR_DIR)
install(DIRECTORY ${hicolor_dir}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES README.md LICENSE docs/copyright ${docs_dir}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_CONTACT "the trackview authors <trackview@users.noreply.example>")
set(CPACK_PACKAGE_VENDOR "the trackview authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D mesh viewer turned with the mouse like a trackball")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "trackview shows a 3D model (OBJ, PLY, STL, glTF) or its built-in mesh,
drawn with OpenGL lights, two-sided colours and optional fog, and turned with
the mouse: a drag rotates it, a release in motion leaves it spinning. Files
open from the command line, the file manager or by a drop on the window. The
package holds the viewer (SDL2), trackview-snapshot, which renders the viewer
to PNG without a display and makes the file manager's thumbnails of models,
and trackview-meshc, which turns a model file into the mesh source.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
