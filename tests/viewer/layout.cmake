ocellus_test(tst_viewerlayout SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_viewerlayout.cpp LINKS ocellus_viewer)
ocellus_test(tst_viewer_gui GUI SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_viewer_gui.cpp ${PROJECT_SOURCE_DIR}/tests/monitor/WindowFixture.h
    LINKS ocellus_monitor_ui)
