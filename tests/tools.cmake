# The ze50321 tool's JSON writer.
ze_add_test(NAME JsonWriterTest SOURCES JsonWriterTest.cpp LIBS ze_json)
ze_add_test(NAME CmdPortsTest SOURCES CmdPortsTest.cpp LABELS e2e)
add_dependencies(CmdPortsTest ze50321)
ze_add_test(NAME CmdJsonTest SOURCES CmdJsonTest.cpp LABELS e2e)
add_dependencies(CmdJsonTest ze50321)
ze_add_test(NAME CmdParamsTest QT SOURCES CmdParamsTest.cpp LIBS ze_configurator_ui ze_tool LABELS e2e)
add_dependencies(CmdParamsTest ze50321)
# The bash completion (packaging/), run in bash against this build's ze50321.
ze_add_test(NAME CompletionTest SOURCES CompletionTest.cpp LABELS e2e)
target_compile_definitions(CompletionTest PRIVATE
                           ZE_COMPLETION_FILE="${CMAKE_SOURCE_DIR}/packaging/ze50321.bash-completion")
add_dependencies(CompletionTest ze50321)
# The tool's argument helper and command lines, in-process.
ze_add_test(NAME ArgumentsTest SOURCES ArgumentsTest.cpp LIBS ze_tool)
# history against a record file written by the test.
ze_add_test(NAME CmdHistoryTest SOURCES CmdHistoryTest.cpp LABELS e2e)
add_dependencies(CmdHistoryTest ze50321)
