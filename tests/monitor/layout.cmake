ocellus_test(tst_mainwindowlayout SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_mainwindowlayout.cpp LINKS ocellus_monitor)
ocellus_test(tst_form1_slots GUI SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_form1_slots.cpp ${CMAKE_CURRENT_LIST_DIR}/Form1Fixture.h
    LINKS ocellus_monitor_ui)
ocellus_test(tst_form1_fetch GUI SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_form1_fetch.cpp ${CMAKE_CURRENT_LIST_DIR}/Form1Fixture.h
    LINKS ocellus_monitor_ui)
