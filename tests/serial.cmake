# TComm against pseudo-terminals made by the tests; the port probe against temporary device folders.
ze_add_test(NAME CommPortTest SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/CommPortTest.cpp LIBS ze_serial)
ze_add_test(NAME ComPortProbeTest SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ComPortProbeTest.cpp LIBS ze_serial)
add_dependencies(ComPortProbeTest ze50321)
