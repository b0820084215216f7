# The file player's tests. Until the device layer lands, vd_video does not configure, so the
# player's own sources are built here on GStreamer alone.
set(VD_PLAYER_DIR ${PROJECT_SOURCE_DIR}/viewer/video)
if(TARGET vd_video)
  set(VD_PLAYER_LIB vd_video)
else()
  pkg_check_modules(VD_PLAYER_GST REQUIRED IMPORTED_TARGET gstreamer-1.0 gstreamer-app-1.0
                    gstreamer-video-1.0)
  add_library(vd_file_player STATIC ${VD_PLAYER_DIR}/file_player.cpp
              ${VD_PLAYER_DIR}/file_player_pipeline.cpp ${VD_PLAYER_DIR}/playback_clock.cpp)
  target_include_directories(vd_file_player PUBLIC ${VD_PLAYER_DIR})
  target_link_libraries(vd_file_player PUBLIC vd_common PkgConfig::VD_PLAYER_GST)
  set(VD_PLAYER_LIB vd_file_player)
endif()

vd_add_test(NAME test_file_player
  SOURCES player_clock_test.cpp player_file_test.cpp player_support.cpp
  LIBS ${VD_PLAYER_LIB})
