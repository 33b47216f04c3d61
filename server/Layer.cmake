# The server's built-in assets are compiled into the program as byte blobs: the framework's own
# browser scripts, style sheet and error page (server/assets/) and local copies of the web
# libraries the pages use, taken from the npm packages pinned in package-lock.json (node_modules/,
# installed by the setup script before any build).  A generated source includes each file with
# the assembler's .incbin; the table maps the name a browser asks for to its bytes.  The libraries
# are the minified builds their packages ship.
find_package(Threads REQUIRED)
# Form code runs on fibers, so that a wait for the browser keeps a stack and not a thread.
find_package(Boost REQUIRED COMPONENTS context)
# Assets are kept brotli- and gzip-compressed for the browsers that accept it.
find_package(ZLIB REQUIRED)
set(LAYER_LIBRARIES Threads::Threads OpenSSL::SSL OpenSSL::Crypto Boost::context ZLIB::ZLIB
                    PkgConfig::BROTLI)

set(_nm ${CMAKE_SOURCE_DIR}/node_modules)
set(_assets ${CMAKE_CURRENT_LIST_DIR}/assets)
set(SERVER_ASSETS
    "facetserver.js=${_assets}/facetserver.js"
    "duoloader.js=${_assets}/duoloader.js"
    "duo.css=${_assets}/duo.css"
    "error500.html=${_assets}/error500.html"
    "variables.js=${_assets}/variables.js"
    "jsfacetws.js=${_assets}/jsfacetws.js"
    "jssetconnection.js=${_assets}/jssetconnection.js"
    "jsfacetmethods.js=${_assets}/jsfacetmethods.js"
    "jscallbackfacetmethods.js=${_assets}/jscallbackfacetmethods.js"
    "jspageunload.js=${_assets}/jspageunload.js"
    "sweetalert2.js=${_nm}/sweetalert2/dist/sweetalert2.min.js"
    "sweetalert2.css=${_nm}/sweetalert2/dist/sweetalert2.min.css"
    "jquery-3.6.4.js=${_nm}/jquery/dist/jquery.min.js"
    "jquery.inputmask.js=${_nm}/inputmask/dist/jquery.inputmask.min.js"
    "jquery.jqgrid.min.js=${_nm}/free-jqgrid/dist/jquery.jqgrid.min.js"
    "ui.jqgrid-bootstrap5.css=${_nm}/free-jqgrid/css/ui.jqgrid.min.css"
    "bootstrap.bundle.min.js=${_nm}/bootstrap/dist/js/bootstrap.bundle.min.js"
    "bootstrap.min.css=${_nm}/bootstrap/dist/css/bootstrap.min.css"
    "font-awesome.min.css=${_nm}/font-awesome/css/font-awesome.min.css"
    "fontawesome-webfont.woff2=${_nm}/font-awesome/fonts/fontawesome-webfont.woff2"
    "fontawesome-webfont.woff=${_nm}/font-awesome/fonts/fontawesome-webfont.woff"
    "fontawesome-webfont.ttf=${_nm}/font-awesome/fonts/fontawesome-webfont.ttf")

set(_asm "")
set(_table "")
set(_externs "")
set(_files "")
set(_index 0)
foreach(_entry IN LISTS SERVER_ASSETS)
  string(FIND "${_entry}" "=" _eq)
  string(SUBSTRING "${_entry}" 0 ${_eq} _name)
  math(EXPR _from "${_eq} + 1")
  string(SUBSTRING "${_entry}" ${_from} -1 _file)
  if(NOT EXISTS ${_file})
    message(FATAL_ERROR "Web asset ${_file} is missing: run scripts/setup.sh (npm ci) first")
  endif()
  list(APPEND _files ${_file})
  string(APPEND _asm "    \".globl duo_asset_${_index}_begin\\n\"\n"
                     "    \".globl duo_asset_${_index}_end\\n\"\n"
                     "    \"duo_asset_${_index}_begin:\\n\"\n"
                     "    \".incbin \\\"${_file}\\\"\\n\"\n"
                     "    \"duo_asset_${_index}_end:\\n\"\n"
                     "    \".byte 0\\n\"\n")
  string(APPEND _externs "extern \"C\" const char duo_asset_${_index}_begin[];\n"
                         "extern \"C\" const char duo_asset_${_index}_end[];\n")
  string(APPEND _table "    {\"${_name}\", {duo_asset_${_index}_begin, "
                       "static_cast<std::size_t>(duo_asset_${_index}_end - duo_asset_${_index}_begin)}},\n")
  math(EXPR _index "${_index} + 1")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/generated/server/Facet.Server.Assets.Data.cpp.tmp
"// Generated from server/Layer.cmake: the built-in assets of the web server.
#include \"server/Facet.Server.Assets.h\"

#include <cstddef>

asm(\".section .rodata\\n\"
    \".balign 16\\n\"
${_asm}    \".previous\\n\");

${_externs}
const std::vector<TEmbeddedAsset>& EmbeddedAssets() {
  static const std::vector<TEmbeddedAsset> assets = {
${_table}  };
  return assets;
}
")
configure_file(${CMAKE_BINARY_DIR}/generated/server/Facet.Server.Assets.Data.cpp.tmp
               ${CMAKE_BINARY_DIR}/generated/server/Facet.Server.Assets.Data.cpp COPYONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/generated/server/Facet.Server.Assets.Data.cpp
                            PROPERTIES OBJECT_DEPENDS "${_files}")
list(APPEND LAYER_SOURCES ${CMAKE_BINARY_DIR}/generated/server/Facet.Server.Assets.Data.cpp)
