# Compiler settings shared by every target.
option(VD_WERROR "Treat warnings as errors" OFF)
set(VD_SANITIZE "" CACHE STRING "Sanitizer build: empty, address (ASan+UBSan) or thread (TSan)")

add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
if(VD_WERROR)
  add_compile_options(-Werror)
endif()

if(VD_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(VD_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT VD_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VD_SANITIZE must be empty, address or thread")
endif()

find_program(VD_CCACHE ccache)
if(VD_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${VD_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${VD_CCACHE})
endif()

# Adds a GoogleTest executable and registers its tests with CTest.
#   vd_add_test(NAME name SOURCES ... LIBS ... [LABELS ...])
function(vd_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE VD_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  if("tsan" IN_LIST T_LABELS)
    add_dependencies(vd_tsan_tests ${T_NAME})
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "VD_TEST_BUILD_DIR=${CMAKE_BINARY_DIR}")
endfunction()
