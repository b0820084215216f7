# Channel tables and files, tuner controls and the scan engine.
set(VD_CHANNELS_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/channels_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/channels_table_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/channels_tuner_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/channels_scan_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/channels_protocol_test.cpp)
vd_add_test(NAME test_channels SOURCES ${VD_CHANNELS_TEST_SOURCES} LIBS vd_test_support vd_tuning)

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
# The loader is also checked against the real tuner module.
add_dependencies(test_channels kxtuner)
target_sources(test_channels PRIVATE ${CMAKE_CURRENT_LIST_DIR}/channels_module_scan_test.cpp)
target_compile_definitions(test_channels PRIVATE VD_KXTUNER_DIR="$<TARGET_FILE_DIR:kxtuner>")
# And on the V4L2 back-end, over the scripted kernel.
target_link_libraries(test_channels PRIVATE vd_v4l2_fake)
target_include_directories(test_channels PRIVATE ${PROJECT_SOURCE_DIR}/tests/device)
