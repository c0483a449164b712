# The ze50321 tool's JSON writer.
ze_add_test(NAME JsonWriterTest SOURCES JsonWriterTest.cpp LIBS ze_json)
ze_add_test(NAME CmdPortsTest SOURCES CmdPortsTest.cpp LABELS e2e)
add_dependencies(CmdPortsTest ze50321)
ze_add_test(NAME CmdJsonTest SOURCES CmdJsonTest.cpp LABELS e2e)
add_dependencies(CmdJsonTest ze50321)
ze_add_test(NAME CmdParamsTest QT SOURCES CmdParamsTest.cpp LIBS ze_configurator_ui LABELS e2e)
add_dependencies(CmdParamsTest ze50321)
