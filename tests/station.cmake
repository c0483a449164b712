# The commissioning station: what it shows and decides, in-process; its engine against several
# simulators at once on pseudo-terminals.
ze_add_test(NAME StationOutputTest SOURCES StationOutputTest.cpp LIBS ze_station)
ze_add_test(NAME StationTest SOURCES StationTest.cpp LIBS ze_station ze_simulator LABELS e2e)
ze_add_test(NAME CmdStationTest SOURCES CmdStationTest.cpp LABELS e2e)
add_dependencies(CmdStationTest ze50321)
