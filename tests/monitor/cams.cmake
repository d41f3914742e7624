# The camera commands of the real main window: the edit dialog and the open slots,
# the delete question, the notice without a selection.
ocellus_test(tst_form1_cams GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_form1_cams.cpp ${CMAKE_CURRENT_LIST_DIR}/Form1Fixture.h
    LINKS ocellus_monitor_ui)
