# The translations in lang/terms/*.json are compiled into the program: every file becomes one
# entry of a generated table of language resources, named "DuoLang_" + the file's base name
# ("DuoLang_en-US").  Editing a file re-runs CMake, which regenerates the table.
file(GLOB _lang_term_files CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/terms/*.json)
set(LANG_RESOURCE_ENTRIES "")
foreach(_lang_term_file IN LISTS _lang_term_files)
  get_filename_component(_lang_code ${_lang_term_file} NAME_WE)
  file(READ ${_lang_term_file} _lang_json)
  if(_lang_json MATCHES "\\)duolang\"")
    message(FATAL_ERROR "${_lang_term_file} contains the raw string terminator )duolang\"")
  endif()
  string(APPEND LANG_RESOURCE_ENTRIES
         "    {\"DuoLang_${_lang_code}\", R\"duolang(${_lang_json})duolang\"},\n")
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${_lang_term_file})
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/terms/Duo.Lang.Resources.cpp.in
               ${CMAKE_BINARY_DIR}/generated/lang/Duo.Lang.Resources.cpp @ONLY)
list(APPEND LAYER_SOURCES ${CMAKE_BINARY_DIR}/generated/lang/Duo.Lang.Resources.cpp)
