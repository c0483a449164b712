ze_add_test(NAME Ping1Test SOURCES Ping1Test.cpp LIBS ze_icmp)
ze_add_test(NAME UPingTest QT SOURCES UPingTest.cpp LIBS ze_configurator_ui)
ze_add_test(NAME CmdPingTest SOURCES CmdPingTest.cpp LIBS ze_configurator LABELS e2e)
add_dependencies(CmdPingTest ze50321)
