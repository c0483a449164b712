# Saves killed at random moments: every file is left old or new, whole.
ze_add_test(NAME KillDuringSaveTest SOURCES ${CMAKE_CURRENT_LIST_DIR}/KillDuringSaveTest.cpp
            LIBS ze_configurator ze_simulator LABELS e2e)
