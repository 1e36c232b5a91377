# Cross build: Zel.exe, its Win32 adapters, the Wine test programs and the benchmarks.

set(WIN_DEFS UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800)
set(WIN_LIBS ole32 oleaut32 oleacc uuid comctl32 shell32 shlwapi user32 gdi32 wininet urlmon
             version advapi32 kernel32 wintrust crypt32)
foreach(t zel_core zel_fakes)
  target_compile_definitions(${t} PUBLIC ${WIN_DEFS})
endforeach()
# A self-contained executable: no MinGW runtime DLLs beside it.
add_link_options(-static -static-libgcc -static-libstdc++)

file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS */win32/*.cpp)
list(FILTER WIN32_SOURCES EXCLUDE REGEX "shell/win32/main\\.cpp$")
add_library(zel_win32 STATIC ${WIN32_SOURCES})
target_link_libraries(zel_win32 PUBLIC zel_core ${WIN_LIBS})

add_executable(Zel WIN32 shell/win32/main.cpp resources/Zel.rc)
target_link_libraries(Zel PRIVATE zel_win32 -municode)
# The shipped executable carries no symbols.
target_link_options(Zel PRIVATE -s)
target_include_directories(Zel PRIVATE ${CMAKE_SOURCE_DIR}/resources)
# The loading page names the service host and the manifest the version: both are filled in here.
configure_file(resources/Zelloading.html.in ${CMAKE_BINARY_DIR}/generated/Zelloading.html @ONLY)
# The manifest names the image's processor; a 32-bit name in the 64-bit test build makes the
# system load 32-bit common controls into it, and the browser control then fails to load.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(ZEL_MANIFEST_ARCH amd64)
else()
  set(ZEL_MANIFEST_ARCH x86)
endif()
configure_file(resources/Zel.manifest.in ${CMAKE_BINARY_DIR}/generated/Zel.manifest @ONLY)
set_source_files_properties(resources/Zel.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_BINARY_DIR}/generated/Zelloading.html;${CMAKE_BINARY_DIR}/generated/Zel.manifest;${CMAKE_BINARY_DIR}/generated/BuildConfig.h;${CMAKE_SOURCE_DIR}/resources/ZelError.html;${CMAKE_SOURCE_DIR}/resources/Zel.ico")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001 -I ${CMAKE_BINARY_DIR}/generated -I ${CMAKE_SOURCE_DIR}/resources")
# The resource check reads a 32-bit image: it belongs to the shipped build only.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_test(NAME pages.resources COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/pages/resources_test.py
           $<TARGET_FILE:Zel> ${CMAKE_BINARY_DIR}/generated ${ZEL_VERSION} ${ZEL_SERVICE_HOST})
endif()

# The per-user installer around this build's Zel.exe, signed like a release (with the test
# certificate unless ZEL_SIGN_PFX names the publisher's); `make dist` makes the shipped one from
# dist/Zel.exe. NSIS makes 32-bit installers: the 64-bit build's is built and checked, not run.
set(SETUP_DIR ${CMAKE_BINARY_DIR}/setup)
set(ZEL_SETUP ${SETUP_DIR}/Zel-${ZEL_VERSION}-setup.exe)
add_custom_command(OUTPUT ${ZEL_SETUP} ${SETUP_DIR}/Zel.exe ${SETUP_DIR}/uninstall.exe
  COMMAND bash tools/sign.sh $<TARGET_FILE:Zel> ${SETUP_DIR}/Zel.exe ${CMAKE_BINARY_DIR}/signing
  COMMAND bash tools/installer.sh ${SETUP_DIR}/Zel.exe ${ZEL_VERSION} ${ZEL_SETUP}
          ${CMAKE_BINARY_DIR}/signing ${SETUP_DIR}/uninstall.exe
  DEPENDS Zel resources/installer/Zel.nsi resources/Zel.ico tools/installer.sh tools/sign.sh
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} VERBATIM)
add_custom_target(installer ALL DEPENDS ${ZEL_SETUP})
add_test(NAME installer.static COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/installer/static_test.py
         ${ZEL_SETUP} ${SETUP_DIR}/Zel.exe ${SETUP_DIR}/uninstall.exe ${CMAKE_BINARY_DIR}/signing)
set_tests_properties(installer.static PROPERTIES TIMEOUT 60)

# --- Wine test bed: its own prefix, Xvfb and servers, started and stopped by ctest fixtures.
# The bed runs this build's bitness: a 32-bit prefix under wine, or a 64-bit one under wine64.
math(EXPR ZEL_WINE_BITS "${CMAKE_SIZEOF_VOID_P} * 8")
# One bed: the script that runs a program in it (wine-run<suffix>), and its start and stop as
# ctest fixtures. Further arguments are NAME=VALUE settings for tools/testbed.sh.
function(zel_wine_bed suffix fixture)
  set(TESTBED ${CMAKE_BINARY_DIR}/testbed${suffix})
  configure_file(tools/wine-run.in ${CMAKE_BINARY_DIR}/wine-run${suffix} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
  add_test(NAME testbed${suffix}.start COMMAND ${CMAKE_COMMAND} -E env ${ARGN}
           ${CMAKE_SOURCE_DIR}/tools/testbed.sh start ${TESTBED} ${ZEL_WINE_BITS})
  add_test(NAME testbed${suffix}.stop COMMAND ${CMAKE_SOURCE_DIR}/tools/testbed.sh stop ${TESTBED})
  set_tests_properties(testbed${suffix}.start PROPERTIES FIXTURES_SETUP ${fixture} TIMEOUT 120)
  set_tests_properties(testbed${suffix}.stop PROPERTIES FIXTURES_CLEANUP ${fixture} TIMEOUT 60)
endfunction()
zel_wine_bed("" winebed)
set(WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
# A second bed whose screen has 144 pixels per inch, for the tests named *_hidpi_test.
zel_wine_bed(-hidpi winebed_hidpi ZEL_TESTBED_DPI=144)
# A third bed made anew for every run, for the tests named *_fresh_test: a machine that never
# saw Zel (the installer's, which only the 32-bit build runs).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  zel_wine_bed(-fresh winebed_fresh ZEL_TESTBED_FRESH=1)
endif()

# Peers of the Wine tests: programs they start (the stand-in spreadsheet and similar), and a
# folder with a .def file is an in-process server instead, <folder>.dll with those exports (the
# stand-in browser control).
file(GLOB PEER_DIRS LIST_DIRECTORIES true CONFIGURE_DEPENDS tests/standin/*)
foreach(dir ${PEER_DIRS})
  if(IS_DIRECTORY ${dir})
    get_filename_component(peer ${dir} NAME)
    file(GLOB peer_sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.rc)
    file(GLOB peer_exports CONFIGURE_DEPENDS ${dir}/*.def)
    if(peer_sources AND peer_exports)
      add_library(${peer} SHARED ${peer_sources} ${peer_exports})
      set_target_properties(${peer} PROPERTIES PREFIX "")
      # The .def names the undecorated stdcall entry points of the 32-bit build.
      target_link_options(${peer} PRIVATE -Wl,--enable-stdcall-fixup)
      target_link_libraries(${peer} PRIVATE zel_win32)
    elseif(peer_sources)
      add_executable(${peer} WIN32 ${peer_sources})
      target_link_libraries(${peer} PRIVATE zel_win32 -municode)
    endif()
  endif()
endforeach()

# Each file tests/wine/*_test.cpp is one GoogleTest program run under Wine.
file(GLOB WINE_TESTS CONFIGURE_DEPENDS tests/wine/*_test.cpp)
file(GLOB WINE_TEST_SUPPORT CONFIGURE_DEPENDS tests/wine/support/*.cpp)
add_library(zel_wine_support STATIC ${WINE_TEST_SUPPORT})
target_link_libraries(zel_wine_support PUBLIC zel_win32 zel_fakes gtest)
foreach(src ${WINE_TESTS})
  get_filename_component(name ${src} NAME_WE)
  # The installer is a 32-bit program: the 64-bit build checks it without running it.
  if(name MATCHES "^installer_" AND CMAKE_SIZEOF_VOID_P EQUAL 8)
    continue()
  endif()
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE zel_wine_support gtest_main)
  add_dependencies(${name} Zel)
  if(name MATCHES "_hidpi_test$")
    add_test(NAME wine.${name} COMMAND ${CMAKE_BINARY_DIR}/wine-run-hidpi $<TARGET_FILE:${name}>)
    set(bed winebed_hidpi)
  elseif(name MATCHES "_fresh_test$")
    add_test(NAME wine.${name} COMMAND ${CMAKE_BINARY_DIR}/wine-run-fresh $<TARGET_FILE:${name}>)
    set(bed winebed_fresh)
  else()
    add_test(NAME wine.${name} COMMAND ${WINE_RUN} $<TARGET_FILE:${name}>)
    set(bed winebed)
  endif()
  set_tests_properties(wine.${name} PROPERTIES FIXTURES_REQUIRED ${bed} RUN_SERIAL TRUE
    TIMEOUT 300 ENVIRONMENT
    "ZEL_EXE=$<TARGET_FILE:Zel>;ZEL_BIN=${CMAKE_BINARY_DIR};ZEL_SETUP=${ZEL_SETUP};ZEL_SETUP_DIR=${SETUP_DIR}")
  if(name MATCHES "^installer_")
    add_dependencies(${name} installer)
  endif()
endforeach()
foreach(peer ${PEER_DIRS})
  get_filename_component(p ${peer} NAME)
  if(TARGET ${p})
    foreach(src ${WINE_TESTS})
      get_filename_component(name ${src} NAME_WE)
      if(TARGET ${name})
        add_dependencies(${name} ${p})
      endif()
    endforeach()
  endif()
endforeach()

# Benchmarks: built with everything, run by `make bench`.
file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS tests/bench/*.cpp)
foreach(src ${BENCH_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE zel_wine_support)
  add_dependencies(${name} Zel bare sheet)
endforeach()
