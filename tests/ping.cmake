ze_add_test(NAME Ping1Test SOURCES Ping1Test.cpp LIBS ze_icmp)
ze_add_test(NAME UPingTest QT SOURCES UPingTest.cpp LIBS ze_configurator_ui)
ze_add_test(NAME CmdPingTest SOURCES CmdPingTest.cpp LIBS ze_configurator LABELS e2e)
add_dependencies(CmdPingTest ze50321)
# The ping of an address on a link where nobody answers, in a network namespace of its own.
add_test(NAME PingOnASilentLink COMMAND ${CMAKE_CURRENT_LIST_DIR}/ping-silent-link.sh $<TARGET_FILE:ze50321>)
set_tests_properties(PingOnASilentLink PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 120)
