# CMake 3.25 with Ninja does not rerun moc when a CONFIGURE_DEPENDS glob finds a new
# file: a Q_OBJECT header added after the first build would never be moc'ed (undefined
# vtable at link time). moc does rerun when a CMake file it was configured from changes,
# so each target's file list is written to a small CMake file (rewritten only when the
# list changes) that configuration reads.
function(lumetra_moc_follows_new_files target)
  set(_manifest ${CMAKE_BINARY_DIR}/lumetra-sources/${target}.cmake)
  list(JOIN ARGN "\n# " _lines)
  file(CONFIGURE OUTPUT ${_manifest} CONTENT "# Sources of ${target}, written by configuration.\n# ${_lines}\n")
  include(${_manifest})
endfunction()

# lumetra_module(name dir deps...): a static library of every source in dir.
# A folder with no sources yet becomes an interface library that only forwards its deps.
function(lumetra_module name dir)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  set(_target lumetra_${name})
  if(_sources)
    add_library(${_target} STATIC ${_sources})
    target_include_directories(${_target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${_target} PUBLIC ${ARGN})
    lumetra_moc_follows_new_files(${_target} ${_sources})
  else()
    add_library(${_target} INTERFACE)
    target_include_directories(${_target} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${_target} INTERFACE ${ARGN})
  endif()
endfunction()

# lumetra_unit_tests(name dir deps...): one GoogleTest program for the tests in dir,
# each test case run by ctest on its own with the offscreen platform.
function(lumetra_unit_tests name dir)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  if(NOT _sources)
    return()
  endif()
  add_executable(test_${name} ${_sources})
  target_link_libraries(test_${name} PRIVATE lumetra_testsupport ${ARGN})
  lumetra_moc_follows_new_files(test_${name} ${_sources})
  gtest_discover_tests(test_${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS unit TIMEOUT 120)
endfunction()
