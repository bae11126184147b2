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

# Precompiled headers: the Qt and standard headers nearly every file includes are parsed
# once per target instead of once per file, which roughly halves a cold build. Test
# programs add GoogleTest and QtTest.
set(LUMETRA_PCH_HEADERS
  <QtCore/QObject> <QtCore/QString> <QtCore/QStringList> <QtCore/QList> <QtCore/QHash>
  <QtCore/QByteArray> <QtCore/QPointer> <QtCore/QTimer> <QtCore/QUrl> <QtCore/QDir>
  <QtCore/QFile> <QtCore/QFileInfo> <QtCore/QDateTime> <QtCore/QThread>
  <QtGui/QImage> <QtGui/QPainter> <QtGui/QPainterPath> <QtGui/QColor> <QtGui/QKeyEvent>
  <QtWidgets/QApplication> <QtWidgets/QWidget>
  <algorithm> <cmath> <functional> <memory> <optional> <vector>)
set(LUMETRA_TEST_PCH_HEADERS <gtest/gtest.h> <QtTest/QTest> <QtTest/QSignalSpy> <QtCore/QTemporaryDir>)

function(lumetra_precompile target)
  target_precompile_headers(${target} PRIVATE ${LUMETRA_PCH_HEADERS} ${ARGN})
endfunction()

# GCC loses track of GoogleTest's own guard against dangling-else warnings once its
# macros come from a precompiled header, and warns on every EXPECT in an unbraced if.
function(lumetra_test_warnings target)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-dangling-else)
  endif()
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
    lumetra_precompile(${_target})
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
  lumetra_precompile(test_${name} ${LUMETRA_TEST_PCH_HEADERS})
  lumetra_test_warnings(test_${name})
  lumetra_moc_follows_new_files(test_${name} ${_sources})
  gtest_discover_tests(test_${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS unit TIMEOUT ${LUMETRA_UNIT_TEST_TIMEOUT})
endfunction()
