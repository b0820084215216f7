# The file player's tests: the playback clock by hand, the player on clips made in the test.
vd_add_test(NAME test_file_player
  SOURCES player_clock_test.cpp player_file_test.cpp player_support.cpp
  LIBS vd_video)
