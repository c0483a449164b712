# The boot link: the frame codec and the worker thread.
ze_add_test(NAME FrameCodecTest SOURCES FrameCodecTest.cpp LIBS ze_updater)
