# The converter simulator, driven over its pseudo-terminal as a client would; one test runs the
# real `ze50321 simulate`.
ze_add_test(NAME SimulatorTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/SimulatorTest.cpp LIBS ze_simulator)
add_dependencies(SimulatorTest ze50321)
