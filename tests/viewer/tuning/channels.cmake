# Channel tables and files, tuner controls and the scan engine.
set(VD_CHANNELS_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/channels_fakes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/channels_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/channels_table_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/channels_tuner_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/channels_scan_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/channels_protocol_test.cpp)
# Until the frequency-plan tables are part of the tree, the band lookups come from a
# stand-in with the same contract.
file(GLOB VD_COUNTRY_TABLE_SOURCES ${PROJECT_SOURCE_DIR}/viewer/tuning/country*.cpp)
if(NOT VD_COUNTRY_TABLE_SOURCES)
  list(APPEND VD_CHANNELS_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/channels_band_standin.cpp)
endif()
vd_add_test(NAME test_channels SOURCES ${VD_CHANNELS_TEST_SOURCES} LIBS vd_tuning)

# Two stand-in modules for the loader: one with the factory, one without.
foreach(kind good nofactory)
  add_library(channels_module_${kind} MODULE ${CMAKE_CURRENT_LIST_DIR}/channels_module_${kind}.cpp)
  target_include_directories(channels_module_${kind} PRIVATE
                             ${PROJECT_SOURCE_DIR}/modules/kxtuner/include)
  target_link_libraries(channels_module_${kind} PRIVATE vd_device_api)
  set_target_properties(channels_module_${kind} PROPERTIES
    OUTPUT_NAME kxtuner PREFIX lib
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test_modules/${kind})
  add_dependencies(test_channels channels_module_${kind})
endforeach()
target_compile_definitions(test_channels PRIVATE
  VD_TEST_MODULE_DIR="${CMAKE_BINARY_DIR}/test_modules")
