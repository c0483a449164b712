# The boot link: the frame codec and the worker thread.
ze_add_test(NAME FrameCodecTest SOURCES FrameCodecTest.cpp LIBS ze_updater)

# Not a test: the benchmark against `ze50321 simulate` at the line speed (see its first lines).
add_executable(WorkerBench WorkerBench.cpp)
set_target_properties(WorkerBench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_libraries(WorkerBench PRIVATE ze_updater ze_test_support)
