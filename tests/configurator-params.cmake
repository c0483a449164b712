# The parameter file, the Set Communication window, the image builder and ze50321 build-image.
ze_add_test(NAME ParamFileTest SOURCES ParamFileTest.cpp LIBS ze_configurator)
ze_add_test(NAME ParamChecksTest SOURCES ParamChecksTest.cpp LIBS ze_configurator)
ze_add_test(NAME ImageBuilderTest SOURCES ImageBuilderTest.cpp LIBS ze_configurator)
ze_add_test(NAME ImageDecoderTest SOURCES ImageDecoderTest.cpp LIBS ze_configurator)
ze_add_test(NAME UpargenTest QT SOURCES UpargenTest.cpp LIBS ze_configurator_ui)
ze_add_test(NAME CmdBuildImageTest SOURCES CmdBuildImageTest.cpp LIBS ze_configurator LABELS e2e)
add_dependencies(CmdBuildImageTest ze50321)
ze_add_test(NAME UVelmoreFirmWareUpdateTest QT SOURCES UVelmoreFirmWareUpdateTest.cpp LIBS ze_configurator_ui)
