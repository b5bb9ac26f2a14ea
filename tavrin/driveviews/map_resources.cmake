# The map's resources for a program that shows the map: quill_map_resources(<target>) adds the map's
# resource script (the two map pages, the host object's type library TYPELIB 1, the map dialogs'
# templates) to the target. The files are made once per build folder by the target map_resources.
set(QUILL_MAP_GEN_DIR ${CMAKE_BINARY_DIR}/map_resources)

get_property(_map_resources_defined GLOBAL PROPERTY QUILL_MAP_RESOURCES_DEFINED)
if(NOT _map_resources_defined)
  set_property(GLOBAL PROPERTY QUILL_MAP_RESOURCES_DEFINED TRUE)
  find_program(QUILL_WIDL NAMES i686-w64-mingw32-widl widl REQUIRED)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(_map_src ${PROJECT_SOURCE_DIR})
  # widl finds the standard OLE library (stdole2.tlb) in Wine's 32-bit Windows folder.
  set(QUILL_STDOLE_DIR /usr/lib/i386-linux-gnu/wine/i386-windows CACHE PATH "folder of stdole2.tlb")
  add_custom_command(
    OUTPUT ${QUILL_MAP_GEN_DIR}/map103.html ${QUILL_MAP_GEN_DIR}/map381.html
    COMMAND ${Python3_EXECUTABLE} ${_map_src}/tools/make_map_pages.py --script ${_map_src}/res/map/map_page.js
            --shell ${_map_src}/res/map/map_page.html --out ${QUILL_MAP_GEN_DIR}
    DEPENDS ${_map_src}/tools/make_map_pages.py ${_map_src}/tools/draw_map_icons.py
            ${_map_src}/tools/draw_skin.py ${_map_src}/res/map/map_page.js ${_map_src}/res/map/map_page.html
    COMMENT "Making the map pages" VERBATIM)
  add_custom_command(
    OUTPUT ${QUILL_MAP_GEN_DIR}/map_host_object.tlb
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILL_MAP_GEN_DIR}
    COMMAND ${QUILL_WIDL} -t -o ${QUILL_MAP_GEN_DIR}/map_host_object.tlb -L ${QUILL_STDOLE_DIR}
            ${_map_src}/tavrin/driveviews/map_host_object.idl
    DEPENDS ${_map_src}/tavrin/driveviews/map_host_object.idl
    COMMENT "Compiling the map host object's type library" VERBATIM)
  add_custom_target(map_resources ALL DEPENDS ${QUILL_MAP_GEN_DIR}/map103.html
                    ${QUILL_MAP_GEN_DIR}/map381.html ${QUILL_MAP_GEN_DIR}/map_host_object.tlb)
  set(MAP_GEN_DIR ${QUILL_MAP_GEN_DIR})
  set(MAP_RES_HEADER ${_map_src}/res/map_res.h)
  configure_file(${_map_src}/res/map/map.rc.in ${QUILL_MAP_GEN_DIR}/map.rc @ONLY)
endif()

function(quill_map_resources target)
  set(rc ${QUILL_MAP_GEN_DIR}/map.rc)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
    "${QUILL_MAP_GEN_DIR}/map103.html;${QUILL_MAP_GEN_DIR}/map381.html;${QUILL_MAP_GEN_DIR}/map_host_object.tlb")
  add_dependencies(${target} map_resources)
endfunction()
