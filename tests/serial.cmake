# TComm against pseudo-terminals made by the tests; the port probe against temporary device folders.
ze_add_test(NAME CommPortTest SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/CommPortTest.cpp LIBS ze_serial)
ze_add_test(NAME ComPortProbeTest SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ComPortProbeTest.cpp LIBS ze_serial)
add_dependencies(ComPortProbeTest ze50321)
# The port doctor against missing, plain, pseudo-terminal, refused and held nodes.
ze_add_test(NAME PortDiagnosisTest SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/PortDiagnosisTest.cpp LIBS ze_serial ze_simulator)
# The adapter's description against a device tree made in a temporary folder.
ze_add_test(NAME PortAdapterTest SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/PortAdapterTest.cpp LIBS ze_serial)
