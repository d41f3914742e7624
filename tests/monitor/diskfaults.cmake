# The main window's writes against a full disk and targets that cannot be written.
ocellus_test(tst_form1_diskfaults GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_form1_diskfaults.cpp ${CMAKE_CURRENT_LIST_DIR}/Form1Fixture.h
    LINKS ocellus_monitor_ui ocellus_camlist_ui)
