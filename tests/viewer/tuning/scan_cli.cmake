# vdtool scan against the virtual TV box, with a settling time of 0 so the search is quick.
set(SCAN_DIR ${CMAKE_CURRENT_BINARY_DIR}/scan_cli)
file(WRITE ${SCAN_DIR}/box.conf "lock_time_ms = 0\n")
set(SCAN_RUN ${CMAKE_COMMAND} -DENV_CONFIG=${SCAN_DIR}/box.conf
    -DMODULE_DIR=$<TARGET_FILE_DIR:kxtuner>)
set(SCAN_SCRIPT -P ${CMAKE_CURRENT_SOURCE_DIR}/scan_cli_run.cmake)
# The carriers the test suites share: a station on every plan's channels, 72 MHz among them.
file(WRITE ${SCAN_DIR}/carriers.conf "lock_time_ms = 0\ntest_carriers = yes\n")
set(SCAN_RUN_CARRIERS ${CMAKE_COMMAND} -DENV_CONFIG=${SCAN_DIR}/carriers.conf
    -DMODULE_DIR=$<TARGET_FILE_DIR:kxtuner>)

# Each search starts from an empty data folder.
add_test(NAME vdtool_scan_clean COMMAND ${CMAKE_COMMAND} -E rm -rf ${SCAN_DIR}/tv ${SCAN_DIR}/fm
                                         ${SCAN_DIR}/home ${SCAN_DIR}/hrc ${SCAN_DIR}/viewers)
set_tests_properties(vdtool_scan_clean PROPERTIES FIXTURES_SETUP scan_clean)

add_test(NAME vdtool_scan_tv
         COMMAND ${SCAN_RUN} -DEXPECT_STATUS=0 -DREJECT=Interrupted
         "-DEXPECT=Scanning Germany cable.*0%.*Found 5 Channels.*[0-9]+\\.[0-9][0-9] MHz.*100%.*Stored in [^\n]*/tv/TV\\.CFG"
         "-DCMD=$<TARGET_FILE:vdtool>|scan|germany|cable|--data|${SCAN_DIR}/tv" ${SCAN_SCRIPT})
set_tests_properties(vdtool_scan_tv PROPERTIES FIXTURES_REQUIRED scan_clean FIXTURES_SETUP scan_tv)

# The stored list is one the channel file reader accepts, with the stations in it.
add_test(NAME vdtool_scan_tv_listed
         COMMAND ${SCAN_RUN} -DEXPECT_STATUS=0
         "-DEXPECT=[1-9][0-9]* station\\(s\\).*   4  id +[0-9]+  \"[^\"]+\" +[0-9.]+ MHz  channel [0-9]+"
         "-DCMD=$<TARGET_FILE:vdtool>|channels|show|${SCAN_DIR}/tv/TV.CFG" ${SCAN_SCRIPT})
set_tests_properties(vdtool_scan_tv_listed PROPERTIES FIXTURES_REQUIRED scan_tv)

# A second search keeps the list and finds nothing new: every station is already in it.
add_test(NAME vdtool_scan_tv_again
         COMMAND ${SCAN_RUN} -DEXPECT_STATUS=0 -DREJECT=Found
         "-DEXPECT=station\\(s\\) already in the list are kept.*0 new station\\(s\\), [5-9][0-9]* in the list"
         "-DCMD=$<TARGET_FILE:vdtool>|scan|index:4|cable|--data|${SCAN_DIR}/tv" ${SCAN_SCRIPT})
set_tests_properties(vdtool_scan_tv_again PROPERTIES FIXTURES_REQUIRED scan_tv
                     FIXTURES_SETUP scan_tv_again)
set_tests_properties(vdtool_scan_tv_listed PROPERTIES FIXTURES_REQUIRED "scan_tv"
                     DEPENDS vdtool_scan_tv_again)

add_test(NAME vdtool_scan_radio
         COMMAND ${SCAN_RUN} -DEXPECT_STATUS=0
         "-DEXPECT=Scanning FM radio.*88\\.10   88\\.10 MHz.*94\\.90 .*98\\.10 .*101\\.70 .*104\\.30 .*Stored in [^\n]*/fm/FM\\.CFG"
         "-DCMD=$<TARGET_FILE:vdtool>|scan|radio|--data|${SCAN_DIR}/fm|--lock-ms|0" ${SCAN_SCRIPT})
set_tests_properties(vdtool_scan_radio PROPERTIES FIXTURES_REQUIRED scan_clean)

# Without --data the list goes to the viewer's data folder ("Path", by default below
# $XDG_DATA_HOME).
add_test(NAME vdtool_scan_default_folder
         COMMAND ${SCAN_RUN} -DEXPECT_STATUS=0 -DHOME_DIR=${SCAN_DIR}/home
         "-DEXPECT=Found 5 Channels.*Stored in [^\n]*/home/data/lumatrope/FM\\.CFG"
         "-DCMD=$<TARGET_FILE:vdtool>|scan|radio" ${SCAN_SCRIPT})
set_tests_properties(vdtool_scan_default_folder PROPERTIES FIXTURES_REQUIRED scan_clean)

# The row scanned numbers the stations, not the first row of its dialling code (Bahamas for
# code 1): HRC channel 1 is 72 MHz.
add_test(NAME vdtool_scan_tv_hrc
         COMMAND ${SCAN_RUN_CARRIERS} -DEXPECT_STATUS=0
         "-DEXPECT=Scanning U\\.S\\.A\\. \\(HRC\\) cable.*station [0-9]+:   1 +72\\.00 MHz"
         "-DCMD=$<TARGET_FILE:vdtool>|scan|U.S.A. (HRC)|cable|--data|${SCAN_DIR}/hrc" ${SCAN_SCRIPT})
set_tests_properties(vdtool_scan_tv_hrc PROPERTIES FIXTURES_REQUIRED scan_clean)

# Without a country or a band the viewer's are taken, the row as its page shows it.
set(SCAN_VIEWER_HOME ${SCAN_DIR}/viewer_home)
file(WRITE ${SCAN_VIEWER_HOME}/config/Corvalen/viewdeck.reg
     "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Corvalen\\AviCap]\n"
     "\"Country\"=dword:00000001\n\"Country1\"=dword:00000036\n\"Source\"=dword:00000000\n")
add_test(NAME vdtool_scan_tv_viewers_country
         COMMAND ${SCAN_RUN_CARRIERS} -DEXPECT_STATUS=0 -DHOME_DIR=${SCAN_VIEWER_HOME}
         "-DEXPECT=Scanning U\\.S\\.A\\. \\(HRC\\) cable on [^\n]*the viewer's settings.*:   1 +72\\.00 MHz"
         "-DCMD=$<TARGET_FILE:vdtool>|scan|--data|${SCAN_DIR}/viewers" ${SCAN_SCRIPT})
set_tests_properties(vdtool_scan_tv_viewers_country PROPERTIES FIXTURES_REQUIRED scan_clean)

foreach(bad "scan|Atlantis|cable" "scan|germany|satellite" "scan|Atlantis"
            "scan|index:57|antenna" "scan|4|cable" "scan|Atlantis|radio" "scan|radio|--lock-ms|9000" "scan|radio|--data" "scan|radio|--fast")
  string(REPLACE "|" "_" name "${bad}")
  add_test(NAME vdtool_scan_usage_${name}
           COMMAND ${SCAN_RUN} -DEXPECT_STATUS=2 "-DEXPECT=vdtool: scan: [-a-z]"
           "-DCMD=$<TARGET_FILE:vdtool>|${bad}" ${SCAN_SCRIPT})
endforeach()

add_test(NAME vdtool_scan_help
         COMMAND ${SCAN_RUN} -DEXPECT_STATUS=0 "-DEXPECT=Usage: vdtool scan \\[COUNTRY\\] \\[cable.antenna\\]"
         "-DCMD=$<TARGET_FILE:vdtool>|scan|--help" ${SCAN_SCRIPT})
