# libFuzzer targets for every reader of outside text. Each tests/fuzz/*_fuzz.cpp is one target
# with a seed corpus in tests/fuzz/corpus/<name>/; ctest runs each briefly, `make fuzz` longer.
set(ZEL_FUZZ_SECONDS 3 CACHE STRING "How long ctest runs each fuzz target")
set(FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
               -fno-omit-frame-pointer)
foreach(t zel_core zel_fakes)
  target_compile_options(${t} PUBLIC ${FUZZ_FLAGS})
  target_link_options(${t} PUBLIC -fsanitize=address,undefined)
endforeach()

file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS tests/fuzz/*_fuzz.cpp)
add_custom_target(fuzzers)
foreach(src ${FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE zel_fakes)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_dependencies(fuzzers ${name})
  # New inputs go into the first folder, the build's own; the seeds stay as committed.
  set(work ${CMAKE_BINARY_DIR}/corpus/${name})
  file(MAKE_DIRECTORY ${work})
  add_test(NAME fuzz.${name}
           COMMAND ${name} -max_total_time=${ZEL_FUZZ_SECONDS} -max_len=65536 -timeout=10
                   -print_final_stats=1 ${work} ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
  set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 120)
endforeach()
