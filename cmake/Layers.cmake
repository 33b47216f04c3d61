# A layer is one folder of sources built into one library.  Its sources include headers by path
# from the repository root ("runtime/Classes.h").  Each layer sees an include root of its own that
# holds links to itself and to the layers below it only, so including a higher layer fails to
# compile instead of creeping in.
#
# vozmira_layer(name lower...) builds <name>/*.cpp into the library `name` and, when
# tests/<name>/*.cpp exist, the test binary `test_<name>` registered with CTest.
# Extra libraries of a layer are listed in <name>/Layer.cmake, which sets LAYER_LIBRARIES.
function(vozmira_layer name)
  set(lower ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/include-roots/${name})
  file(MAKE_DIRECTORY ${root})
  foreach(layer IN ITEMS ${name} ${lower})
    # A build folder copied from another checkout keeps links to that checkout's sources: a link
    # that names another folder is made again.
    set(target "")
    if(IS_SYMLINK ${root}/${layer})
      file(READ_SYMLINK ${root}/${layer} target)
    endif()
    if(NOT target STREQUAL ${CMAKE_SOURCE_DIR}/${layer})
      file(REMOVE ${root}/${layer})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${layer} ${root}/${layer} SYMBOLIC)
    endif()
  endforeach()

  set(LAYER_LIBRARIES "")
  set(LAYER_SOURCES "")
  if(EXISTS ${CMAKE_SOURCE_DIR}/${name}/Layer.cmake)
    include(${CMAKE_SOURCE_DIR}/${name}/Layer.cmake)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${name}/*.cpp)
  list(APPEND sources ${LAYER_SOURCES})
  set(below "")
  if(lower)
    list(GET lower 0 below)
  endif()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${root}>)
    target_link_libraries(${name} PUBLIC ${below} ${LAYER_LIBRARIES})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE $<BUILD_INTERFACE:${root}>)
    target_link_libraries(${name} INTERFACE ${below} ${LAYER_LIBRARIES})
  endif()

  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${name}/*.cpp)
  if(VOZMIRA_TESTS AND tests)
    add_executable(test_${name} ${tests})
    target_include_directories(test_${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    # Tests that read the program's own files (page templates) find them in the sources.
    target_compile_definitions(test_${name} PRIVATE VOZMIRA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    target_link_libraries(test_${name} PRIVATE ${name} GTest::gtest GTest::gmock GTest::gtest_main)
    gtest_discover_tests(test_${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                         DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${name})
  endif()
endfunction()
