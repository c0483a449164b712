# The boot link: the frame codec and the worker thread.
ze_add_test(NAME FrameCodecTest SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/FrameCodecTest.cpp LIBS ze_updater)
# The worker against the converter's boot loader on a scripted line in memory.
ze_add_test(NAME Tarm_SERTest SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/Tarm_SERTest.cpp LIBS ze_updater)
# The worker through TComm on the simulator's pseudo-terminal.
ze_add_test(NAME Tarm_SERLineTest SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/Tarm_SERLineTest.cpp LIBS ze_updater ze_simulator LABELS e2e)

# Not a test: the benchmark against `ze50321 simulate` at the line speed (see its first lines).
add_executable(WorkerBench ${CMAKE_CURRENT_SOURCE_DIR}/WorkerBench.cpp)
set_target_properties(WorkerBench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_libraries(WorkerBench PRIVATE ze_updater ze_test_support)
add_dependencies(WorkerBench ze50321)
