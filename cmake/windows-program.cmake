# Cross-builds the Windows program (trackview.exe and its test programs) with mingw-w64 as part
# of the host build, from the same sources, the host's generated mesh and the host's icon.
find_program(TRACKVIEW_MINGW_CXX x86_64-w64-mingw32-g++)
option(TRACKVIEW_WINDOWS_PROGRAM "Cross-build trackview.exe with mingw-w64" ON)

if(TRACKVIEW_WINDOWS_PROGRAM AND TRACKVIEW_MINGW_CXX)
  include(ExternalProject)
  get_target_property(mesh_source trackview_mesh_source MESH_SOURCE)
  get_target_property(icon_file trackview_icon ICON_FILE)
  set(TRACKVIEW_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
  # The glTF reader's JSON headers, copied where the cross compiler sees them and nothing else of
  # the host's include folder.
  set(json_copy ${CMAKE_BINARY_DIR}/json-include)
  file(COPY ${TRACKVIEW_JSON_INCLUDE}/nlohmann DESTINATION ${json_copy})
  ExternalProject_Add(trackview_windows
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${TRACKVIEW_WINDOWS_DIR}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64.cmake
      -DCMAKE_BUILD_TYPE=Release
      -DBUILD_TESTING=${BUILD_TESTING}
      -DTRACKVIEW_MESH_SOURCE=${mesh_source}
      -DTRACKVIEW_ICON=${icon_file}
      -DTRACKVIEW_JSON_INCLUDE=${json_copy}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    DEPENDS trackview_mesh_source trackview_icon)
else()
  message(STATUS "Not building trackview.exe (needs x86_64-w64-mingw32-g++)")
endif()

# package_windows: trackview-VERSION-win64.zip holding one folder with trackview.exe, README.txt
# (the README, plain text apart from its Markdown marks) and LICENSE.txt: names that Windows opens.
if(TARGET trackview_windows)
  set(zip_name trackview-${PROJECT_VERSION}-win64)
  set(zip_stage ${CMAKE_BINARY_DIR}/package_windows)
  add_custom_target(package_windows
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${zip_stage} ${CMAKE_BINARY_DIR}/${zip_name}.zip
    COMMAND ${CMAKE_COMMAND} -E make_directory ${zip_stage}/${zip_name}
    COMMAND ${CMAKE_COMMAND} -E copy ${TRACKVIEW_WINDOWS_DIR}/shell/trackview.exe
      ${zip_stage}/${zip_name}/trackview.exe
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/README.md
      ${zip_stage}/${zip_name}/README.txt
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE
      ${zip_stage}/${zip_name}/LICENSE.txt
    COMMAND ${CMAKE_COMMAND} -E chdir ${zip_stage}
      ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/${zip_name}.zip --format=zip ${zip_name}
    DEPENDS trackview_windows
    COMMENT "Packing ${zip_name}.zip"
    VERBATIM)
endif()
